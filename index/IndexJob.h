// IndexJob: one run of an index job record: creating the index when asked, removing
// documents (listed ones, vanished ones), adding new and changed documents, and the progress
// reports and the index log of it all. The engine interface fills the request from its job
// record and the settings from the engine's options. Depends on index/ and import/; never
// on search/ or the engine interface.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "index/IndexJobRequest.h"
#include "index/IndexProgress.h"
#include "index/MergeFile.h"
#include "index/TextDB.h"
#include "objects/Reporter.h"

class Alphabet;
class ByteSource;
class Reporter;
class ViewerTable;
struct ViewerEntry;

// What the job takes from the engine's options.
struct IndexJobSettings {
  int maxWordLength = 32;       // already clamped to 4..127
  bool indexNumbers = true;
  int binaryFiles = 2;          // 3: binary documents are not indexed
  std::string noiseFile;        // the noise word file a new index starts with ("" none)
  int64_t maxMergeBytes = 0;    // cap of MERGE.TMP; 0: the default
  int64_t logLimitBytes = 1024 * 1024;  // INDEXLOG.DAT's size limit (index/IndexLog.h); 0: none
  MergeSwitches mergeSwitches;
  // Bytes of the sorter's 1 MB ceiling left to the rest of the program: the sorter's buffer
  // is what remains, at most 512 KB. Tests raise it to force many tracks and merges.
  int32_t sorterReserve = 65500;
  int32_t compressTableBytes = 0;  // the id conversion table's size; 0: the default
  bool diagnose = false;           // debugging: write the conversion table out
  // The importer registry documents are opened with. Requires: set for jobs that add files.
  const ViewerTable* viewers = nullptr;
  // The alphabet of the engine's options; the index folds it by its flags (null: built-in).
  const Alphabet* alphabet = nullptr;
  // Where the job's messages and questions go (null: nowhere; default answers).
  Reporter* reporter = nullptr;
  // The index library's names of index folders (null: none).
  LibraryNameFn libraryName;
  // Called when making an index deleted the index `folder` held before (null: nothing to do).
  std::function<void(const std::string& folder)> forgetIndex;
  // Unindexed scans: asked for each document before it is read (containers too, with their
  // format and bytes); false passes it over unindexed (it cannot match the scan's request).
  // False for a container only when its bytes are 7-bit text that cannot hold the request.
  // Called from several threads at once. Null: every document is indexed.
  std::function<bool(const ViewerEntry& format, ByteSource& bytes)> mayHold;
  // Unindexed scans: asked for each word of a document (as the index folds it) before it is
  // stored; false passes it over with its number kept, as a noise word is, so the temporary
  // index holds only the words the scan's request may match. Null: every word is stored.
  std::function<bool(const std::string& word)> keepWord;
};

// Threads: one user at a time.
class IndexJob {
 public:
  // `control` receives the progress reports and gives the cancel flag, which is read while
  // the job runs (so a flag set by the progress call-back, another thread or a signal handler
  // reaches the job). `folder` is the index's folder when the request's path is empty (an
  // index found by name).
  IndexJob(IndexJobRequest request, IndexJobControl control, IndexJobSettings settings,
           const std::string& folder = "");

  // Creates the index when asked, then adds and removes documents, then compresses it when
  // asked. 0 or -1.
  int run();
  // The add and remove part of the job. 0 or -1.
  int doAdd();
  // Rebuilds the index without its cancelled documents. 0 or -1.
  int compress();

  // The folder of the index (the record's path, made absolute).
  const std::string& indexFolder() const { return folder_; }
  const IndexJobRequest& request() const { return request_; }
  const IndexJobControl& control() const { return control_; }
  const IndexJobSettings& settings() const { return settings_; }
  // Where the job's messages and questions go.
  Reporter& reporter() const { return settings_.reporter ? *settings_.reporter : Reporter::quiet(); }
  // After an add: the documents an unindexed scan's check passed over without reading
  // them; a search of the scan's index counts them in the weight of its words.
  int32_t passedOverDocuments() const { return passedOverDocuments_; }
  // The library's name of the index (empty: none).
  std::string libraryName() const { return settings_.libraryName ? settings_.libraryName(folder_) : ""; }

 private:
  IndexJobRequest request_;
  IndexJobControl control_;
  IndexJobSettings settings_;
  std::string folder_;
  int32_t passedOverDocuments_ = 0;
};
