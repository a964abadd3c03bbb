// IndexJob: one run of an index job record: creating the index when asked, removing
// documents (listed ones, vanished ones), adding new and changed documents, and the progress
// reports and the index log of it all. The engine interface fills the settings from the
// engine's options. Depends on index/ and import/; never on search/ or the engine's entry
// operations.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "index/MergeFile.h"
#include "lexaurum/lexaurum.h"

class ViewerTable;
struct ViewerEntry;

// What the job takes from the engine's options.
struct IndexJobSettings {
  int maxWordLength = 32;       // already clamped to 4..127
  bool indexNumbers = true;
  int binaryFiles = 2;          // 3: binary documents are not indexed
  std::string noiseFile;        // the noise word file a new index starts with ("" none)
  int64_t maxMergeBytes = 0;    // cap of MERGE.TMP; 0: the default
  MergeSwitches mergeSwitches;
  // Bytes of the sorter's 1 MB ceiling left to the rest of the program: the sorter's buffer
  // is what remains, at most 512 KB. Tests raise it to force many tracks and merges.
  int32_t sorterReserve = 65500;
  int32_t compressTableBytes = 0;  // the id conversion table's size; 0: the default
  bool diagnose = false;           // debugging: write the conversion table out
  const ViewerTable* viewers = nullptr;  // null: the engine's registry
  // Unindexed scans: asked for each opened document that is not a container; false passes
  // it over unindexed (it cannot match the scan's request). Null: every document is indexed.
  std::function<bool(const std::string& name, const ViewerEntry& format)> mayHold;
};

// Threads: one user at a time.
class IndexJob {
 public:
  // `record` is the caller's: its cancel flag is read while the job runs (so a flag set by
  // the caller's progress call-back, another thread or a signal handler reaches the job),
  // and its other fields are copied now. `folder` is the index's folder when the record's
  // path is empty (an index found by name).
  IndexJob(lxrIndexJob* record, IndexJobSettings settings, const std::string& folder = "");

  // Creates the index when asked, then adds and removes documents, then compresses it when
  // asked. 0 or -1.
  int run();
  // The add and remove part of the job. 0 or -1.
  int doAdd();
  // Rebuilds the index without its cancelled documents. 0 or -1.
  int compress();

  // The folder of the index (the record's path, made absolute).
  const std::string& indexFolder() const { return folder_; }
  const lxrIndexJob& record() const { return copy_; }
  lxrJobBase* caller() { return &caller_->base; }
  const IndexJobSettings& settings() const { return settings_; }

 private:
  lxrIndexJob* caller_;
  lxrIndexJob copy_;
  IndexJobSettings settings_;
  std::string folder_;
};
