// Compressor: rebuilds an index without its cancelled documents. The surviving documents
// are renumbered 1, 2, 3, ... in their old order, every reference is converted, each
// word's chain of blocks becomes one block, and words left without references disappear.
// The new files are made in the index's work folder while the old index stays as it was;
// only a finished, uncancelled rebuild is switched in (TextDB::switchToRebuilt), so an
// interruption at any moment leaves the old index or the new one. The index is held
// exclusively meanwhile: searches of it wait until the compression is over.
// Depends on index/ (TextDB, DocInfo, RefReader, RefWriter, IdConversion) and io/.
#pragma once

#include <cstdint>
#include <string>

#include "index/IndexProgress.h"

class IdConversion;
class Reporter;
class TextDB;

// Threads: one user at a time.
class Compressor {
 public:
  static constexpr int kReportEvery = 21;
  static constexpr int kMinWordReportEvery = 51;

  // `job` (may be null) gives the cancel flag and the progress call-back; `progress` (may be
  // null) receives phase 7 and code 3013. `tableBytes` sizes the id conversion table (0:
  // the default); with `diagnose` the table is logged, checked and written to COMPRESS.TMP.
  Compressor(const IndexJobControl* job, IndexProgress* progress, int32_t tableBytes = 0,
             bool diagnose = false);

  // The index library's name of the index (empty: none), which the rebuilt header keeps.
  void setLibraryName(const std::string& name) { libraryName_ = name; }
  // Where a failure to open the index is shown (null: nowhere).
  void setReporter(Reporter* reporter) { reporter_ = reporter; }

  // 0; -1 when the index cannot be opened (message 1), a check fails, or the job was
  // cancelled (the new files are then deleted and the index is as before).
  int compress(const std::string& folder);

  const std::string& errorText() const { return errorText_; }
  int32_t wordsWritten() const { return wordsWritten_; }
  int32_t survivors() const { return survivors_; }
  int32_t maxOccurrences() const { return maxOccurrences_; }

 private:
  int shiftDocInfo(TextDB& db, const IdConversion& ids);
  int changeIds(TextDB& db, const IdConversion& ids);
  int compressRefs(TextDB& db, const IdConversion& ids);
  bool stopped();
  void report(int step, int64_t done, int64_t total);
  int fail(const std::string& text);

  const IndexJobControl* job_;
  IndexProgress* progress_;
  std::string libraryName_;
  Reporter* reporter_ = nullptr;
  int32_t tableBytes_;
  bool diagnose_;
  std::string work_;
  std::string errorText_;
  int32_t wordsWritten_ = 0;
  int32_t survivors_ = 0;
  int32_t maxOccurrences_ = 0;
};
