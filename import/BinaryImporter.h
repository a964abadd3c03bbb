// Importers of binary files. Binary (Filtered) delivers the runs of readable text in the
// file: runs of at least four printable Windows-1252 characters, each followed by a
// paragraph end. It stands in for every built-in format that has no importer of its own yet.
// Binary (skipped) delivers nothing and reports the file as binary. The property-set viewer
// delivers the same runs through the registry's C viewer functions. Depends on import/Viewer.
#pragma once

#include "import/Viewer.h"
#include "lexaurum/lxrviewer.h"

class FilteredImporter : public Viewer {
 public:
  static constexpr int kMinRun = 4;
  // A run still going at the end of a block is followed this far into the file, so that it
  // is not cut in two; a longer run is cut there.
  static constexpr int32_t kMaxRunExtension = 4096;

  // Reads `source` (which must outlive the importer) in blocks of `blockBytes` file bytes.
  FilteredImporter(ByteSource& source, int32_t blockBytes);

  int readTextBlock(std::string* out) override;
  int32_t bookMark() const override { return position_; }
  int gotoBookMark(int32_t mark) override;
  int rewind() override { return gotoBookMark(0); }

  static bool isPrintable(unsigned char c);

 private:
  ByteSource& source_;
  int32_t blockBytes_;
  int32_t position_ = 0;
};

class SkippedImporter : public Viewer {
 public:
  SkippedImporter() { info_.binary = true; }
  int readTextBlock(std::string*) override { return 0; }
  int32_t bookMark() const override { return 0; }
  int gotoBookMark(int32_t mark) override { return mark == 0 ? 0 : -1; }
  int rewind() override { return 0; }
};

// makeImport functions of the registry: `source` is a ByteSource; the result a Viewer made
// with new, or null.
void* makeFilteredImport(void* source, const lxrViewerInfo* info);
void* makeSkippedImport(void* source, const lxrViewerInfo* info);

// The property-set viewer's C functions (include/lexaurum/lxrviewer.h).
extern "C" {
void* propertiesMakeViewer(const lxrViewerSource* source, const lxrViewerInfo* info);
int32_t propertiesDestroyViewer(void* viewer);
int32_t propertiesReadTextBlock(void* viewer, char* buffer, int32_t bufferBytes);
int32_t propertiesGotoBookMark(void* viewer, int32_t bookMark);
int32_t propertiesGetFileInfo(void* viewer, lxrViewerFileInfo* info);
}
