// The file type table FILETYPE.DAT: the user's assignments of file name patterns to document
// formats, kept as a table file titled "Lexaurum File Type Table" in the private folder.
// Applying it gives each named format the patterns and name confidence 50 in the registry.
// Depends on api/TableFile and import/ViewerTable.
#pragma once

#include <string>
#include <vector>

class ViewerTable;

class FileTypeTable {
 public:
  static constexpr const char* kTitle = "Lexaurum File Type Table";
  static constexpr int kMaxEntries = 9;
  static constexpr size_t kMaxNameBytes = 39;      // a format name is cut to this
  static constexpr size_t kMaxPatternChars = 80;   // the joined patterns are cut to this
  static constexpr int32_t kAppliedConfidence = 50;

  struct Entry {
    std::string name;                   // the format's registry name
    std::vector<std::string> patterns;  // at most ViewerTable::kMaxPatterns
  };

  // Appends an entry; `patterns` is split at blanks, commas, semicolons and control
  // characters, control characters in the name become blanks. Returns the new
  // count, or -1 when the table already holds kMaxEntries (the table is unchanged).
  int add(const std::string& name, const std::string& patterns);
  // Replaces entry `index`. 0, or -1 for an index out of range.
  int set(int index, const std::string& name, const std::string& patterns);
  // Removes entry `index`, and from `table` (when given) the patterns the entry gave its
  // format. 0, or -1 for an index out of range.
  int remove(int index, ViewerTable* table = nullptr);
  int count() const { return static_cast<int>(entries_.size()); }
  const Entry& entry(int index) const { return entries_[static_cast<size_t>(index)]; }

  // Gives every entry's format its patterns and confidence 50 in `table`. Returns the number
  // of entries whose format was found.
  int apply(ViewerTable& table) const;
  // Takes the patterns of every entry's format away again (confidence 0) and empties the
  // table.
  void reset(ViewerTable& table);

  // Reads the table file. 0, or -1 when it is missing or not a file type table (the table is
  // then empty). Entries beyond kMaxEntries, and entries without a name, are dropped.
  int read(const std::string& path);
  int parse(const char* data, size_t size);
  // Writes the table file ("Count", then per record "Type" and "Pattern"). 0 or -1.
  int write(const std::string& path) const;
  std::string toFileText() const;

 private:
  static Entry makeEntry(const std::string& name, const std::string& patterns);
  std::vector<Entry> entries_;
};
