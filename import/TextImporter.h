// The importers of plain text: Ansi (Windows-1252) and Ascii (the DOS code page 437). Either
// detects UTF-8 and UTF-16 text and converts it. Line ends (LF, CR LF, CR) become paragraph
// ends, a form feed a page end, tabs stay tabs, other control characters become blanks.
// Depends on import/Viewer, import/Charset and import/TextBlock.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "import/Charset.h"
#include "import/Utf8Converter.h"
#include "import/Viewer.h"

class TextImporter : public Viewer {
 public:
  // Reads `source` (which must outlive the importer) in blocks of about `blockBytes` bytes;
  // text without a mark of UTF-8 or UTF-16 is taken as `plain`.
  TextImporter(ByteSource& source, int32_t blockBytes, charset::Encoding plain);

  int readTextBlock(std::string* out) override;
  int32_t bookMark() const override { return position_; }
  int gotoBookMark(int32_t mark) override;
  int rewind() override;
  // UTF-8 from the detected character set; 8-bit text without a mark is recognised by
  // import/Utf8Converter (legacy code pages of every script).
  bool deliverUtf8() override;

  charset::Encoding encoding() const { return encoding_; }

 private:
  // Appends `length` bytes of Windows-1252 text as block characters and codes.
  void appendConverted(const uint8_t* text, size_t length, std::string* out);

  ByteSource& source_;
  int32_t blockBytes_;
  charset::Encoding encoding_;
  std::unique_ptr<charset::Converter> converter_;
  int32_t start_ = 0;     // first byte after a byte-order mark
  bool plainAscii_ = false;  // the head read at construction is ASCII without escapes
  int32_t position_ = 0;  // next byte to read
  std::vector<uint8_t> raw_;  // the bytes of the block being read
  std::string converted_;     // the same in Windows-1252 (or UTF-8), when they were not
  std::unique_ptr<utf8conv::Converter> toUtf8_;  // set by deliverUtf8
};

// The makeImport functions of the registry (include/lexaurum/lxrviewer.h): `source` is a
// ByteSource, the result a Viewer made with new, or null.
void* makeAnsiImport(void* source, const struct lxrViewerInfo* info);
void* makeAsciiImport(void* source, const struct lxrViewerInfo* info);
