// The table file: the line-oriented text format of the settings files (options, applications,
// macros, file types, an index's options). A title line, then "name = value" lines, optionally
// grouped under numbered "[n]" record headers. The layout is drawn in docs/formats/table-file.md.
// Reading treats the bytes as hostile. Depends on io/WholeFile and below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One table, written or read in one piece. A table is filled by the put calls and written, or
// read and then queried by the get calls; the two phases are not meant to be mixed.
// Not thread-safe: one thread uses one object.
class TableFile {
 public:
  static constexpr size_t kMaxTitleBytes = 40;
  static constexpr size_t kMaxNameBytes = 39;       // longer names are cut for the lookup
  static constexpr size_t kMaxLineBytes = 1024;     // longer lines are cut when read
  static constexpr size_t kMaxIntegerChars = 9;     // see getInt32
  static constexpr size_t kBlockBytesPerLine = 20;  // bytes of a block per written line
  static constexpr size_t kInitialTextBytes = 16000;
  static constexpr size_t kMaxFileBytes = 16u << 20;

  // An empty table with `title`, cut to kMaxTitleBytes.
  // Requires: the title holds no line break.
  explicit TableFile(const std::string& title);

  const std::string& title() const { return title_; }
  // The table's lines, each preceded by a line feed (the title is not part of it).
  const std::string& text() const { return text_; }

  // ---- Writing -------------------------------------------------------------------------
  // The put calls append to the text in the order they are issued.
  // Requires for every name: not empty, no line break, no "=".

  // Starts record `recordNum`: appends a line break, "[recordNum]" and a line break.
  void selectRecordForWriting(int recordNum);
  // "name = 123"
  void putInt(const char* name, int32_t value);
  // "name = text"; an empty text gives "name =   " (three blanks). A line break inside the
  // text is written as a blank, since the value must stay on its line to be read back.
  void putString(const char* name, const std::string& text);
  // "name = Yes" when `flag`, else "name = No".
  void putYesNo(const char* name, bool flag);
  // The inverted form: "name = Yes" when `flag` is false.
  void putNoYes(const char* name, bool flag);
  // "name = (" then each byte as two lower-case hex digits, a line break after every
  // kBlockBytesPerLine bytes, then " )".
  void putBytes(const char* name, const void* bytes, size_t count);

  // The file form: the title, then every non-empty line of the text, each ended by CR LF.
  std::string toFileText() const;
  // Replaces `path` with toFileText() (a crash leaves the old or the new file). 0, or -1 with
  // platform::lastError() when it cannot be written; the file is then unchanged. The object
  // is left as it was, so a failed write can be retried.
  int write(const std::string& path) const;

  // ---- Reading -------------------------------------------------------------------------
  // Replaces the text by the table in `data`. The first line must begin with the title (only
  // the title's length is compared). Lines end at a line feed; a carriage return before it
  // is dropped, a line is cut to kMaxLineBytes, NUL bytes read as blanks. 0, or -1 when the
  // title differs or there is no first line; the table is then empty. The selection is
  // cleared either way.
  int parse(const char* data, size_t size);
  // parse() on the contents of the file. -1 also when the file cannot be read (missing,
  // unreadable, longer than kMaxFileBytes); the table is then empty.
  int read(const std::string& path);

  // Makes record `recordNum` the scope of the get calls: from its "[recordNum]" header to the
  // next line that begins with "[" or the end of the text. 0, or -1 when the table has no
  // such record; the selection is then cleared (the get calls see the whole table).
  int selectRecord(int recordNum);
  // Makes the whole table the scope of the get calls again.
  void clearSelection();

  // The get calls look `name` up in the current scope: the first line that begins with the
  // name (cut to kMaxNameBytes; a longer name on the line also matches) and holds an "=".
  // The value starts after that "=", past blanks and tabs. Each returns 0 when the value was
  // found and could be converted, else -1 with the out-parameter untouched.

  // The rest of the line, cut to `size` - 1 bytes, without trailing white space, NUL-ended.
  // Requires: size >= 1.
  int getString(const char* name, char* buffer, size_t size) const;
  // The same into a std::string, cut to `maxBytes`.
  int getString(const char* name, std::string* out, size_t maxBytes = kMaxLineBytes) const;
  // A signed decimal number (leading sign, then digits; what follows the digits is ignored).
  // -1 when there is no digit or the number does not fit the type.
  int getInt32(const char* name, int32_t* out) const;
  int getInt16(const char* name, int16_t* out) const;
  // The first character of the value; -1 when the value is empty.
  int getChar(const char* name, char* out) const;
  // true exactly when the value's first character is "Y" or "y".
  int getYesNo(const char* name, bool* out) const;
  // The inverse of getYesNo.
  int getNoYes(const char* name, bool* out) const;
  // Decodes a block written by putBytes into `buffer`, at most `count` bytes: blanks, line
  // breaks and "(" are skipped, then hex pairs (white space allowed between pairs) until ")",
  // the end of the scope, or `count` bytes. 0 with `*readCount` (when given) set to the
  // bytes stored; the rest of the buffer is untouched. -1 when the name is absent or the block
  // is damaged (a character that is neither a hex digit, white space nor ")", or a lone
  // digit); the buffer is then untouched.
  int getBytes(const char* name, void* buffer, size_t count, size_t* readCount = nullptr) const;

 private:
  // The position of the first character of the value of `name`, or npos.
  size_t findValue(const char* name) const;
  size_t scopeEnd() const;
  // The value's text up to the line end (or the scope end).
  std::string_view valueLine(size_t valuePos) const;

  std::string title_;
  std::string text_;
  // The selected record: [recordPos_, recordEnd_) of text_, or npos when none.
  size_t recordPos_;
  size_t recordEnd_;
};
