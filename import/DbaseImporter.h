// The dBASE importer: the values of every character field of a dBASE III (or later) table,
// one record per line, the values of a record separated by tabs, trailing blanks dropped.
// Deleted records are left out. The code page comes from the table's language driver byte.
// Depends on import/Viewer, import/BinaryImporter and import/CodePage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "import/Viewer.h"
#include "lexaurum/lxrviewer.h"

class DbaseImporter : public Viewer {
 public:
  static constexpr int32_t kHeaderBytes = 32;
  static constexpr int32_t kFieldBytes = 32;
  static constexpr uint8_t kFieldsEnd = 0x0D;
  static constexpr char kDeleted = '*';

  struct Field {
    int32_t offset;  // in the record, after the deletion flag
    int32_t length;
  };

  // Reads the header of `source` (which must outlive the importer). Use ok() to learn
  // whether it is a table.
  DbaseImporter(ByteSource& source, int32_t blockBytes);

  // True when the header describes a table with at least one character field.
  bool ok() const { return ok_; }
  const std::vector<Field>& fields() const { return fields_; }
  // The records the file holds in full (fewer than the header claims when it is cut short).
  int32_t recordCount() const { return recordCount_; }

  int readTextBlock(std::string* out) override;
  // A bookmark is a record number.
  int32_t bookMark() const override { return recordNum_; }
  int gotoBookMark(int32_t mark) override;
  int rewind() override { return gotoBookMark(0); }

 private:
  ByteSource& source_;
  int32_t blockBytes_;
  bool ok_ = false;
  int32_t headerBytes_ = 0;
  int32_t recordBytes_ = 0;
  int32_t recordCount_ = 0;
  int32_t recordNum_ = 0;
  std::vector<Field> fields_;
  unsigned char codePage_[256];
};

// The makeImport function of the registry: `source` is a ByteSource; the result a Viewer made
// with new, or null. A file whose header is not a table's gets the readable-runs importer
// (import/BinaryImporter.h), so it shows what text it holds rather than nothing.
void* makeDbaseImport(void* source, const lxrViewerInfo* info);
