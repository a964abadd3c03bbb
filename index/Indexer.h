// Indexer: the work of one index job run. It selects the files, finds which are new or
// changed since they were indexed, reads each through the importers, hands every word
// reference to the word sorter, stores a record per document, merges the words into the
// index, and cancels the records of older versions and of removed files. Everything runs
// under one update of the index: a crash or an immediate abort leaves the index as it was
// before, and readers keep working meanwhile. Progress goes to the job's call-back and to
// the index log. Depends on index/ and import/.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/DocInfo.h"
#include "index/FailedDocs.h"
#include "index/FileList.h"
#include "index/FileSelection.h"
#include "index/IndexLog.h"
#include "index/NoiseList.h"
#include "index/TextDB.h"
#include "index/WordSource.h"
#include "index/XWordSorter.h"

class IndexJob;

// Threads: one user at a time; made and destroyed by IndexJob::doAdd.
class Indexer {
 public:
  static constexpr int kWordsPerCheck = 500;
  static constexpr int kFilesPerReport = 100;
  static constexpr int kImmediate = kCancelImmediate;
  static constexpr int kDiskFullMessage = 56;
  static constexpr int64_t kDiskFullBytes = 16384;  // free bytes below which a disk counts as full

  explicit Indexer(IndexJob& job);
  ~Indexer();
  Indexer(const Indexer&) = delete;
  Indexer& operator=(const Indexer&) = delete;

  // Runs the job. 0 when it did what it was asked (a save abort included); -1 when it could
  // not start, was aborted immediately or the update failed.
  int addDocs();

  const IndexProgress& progress() const { return progress_; }
  // Documents an unindexed scan's check passed over unread (files it would otherwise have
  // made one document each).
  int32_t passedOverDocuments() const { return passedOverDocuments_; }

  // Disk space an add of `bytes` bytes may need, in kilobytes.
  static int64_t neededKBytes(int64_t bytes);
  // The number word of a word that begins with a digit: "!i" and the value of its leading
  // digits in eight hexadecimal digits (values above 0xFFFFFFFF are held there).
  static std::string numberWord(const std::string& word);

 private:
  int setup();
  int setupForAdd();
  int listFilesToIndex();
  int checkFilesSelected();
  // The files of the list to index, in order; the job is aborted when the list cannot be
  // read back.
  void indexListedFiles();
  // Indexes one file (a scan's pre-check has already been asked about it, in
  // indexListedFiles).
  int indexFile(const FoundFile& file);
  // The file's bytes count as done.
  void countDone(const FoundFile& file);
  // Whether a file its viewer describes so would be a document (not passed over as holding
  // no text, encrypted, failed or binary).
  bool wouldBeDocument(const ViewerFileInfo& info) const;
  int indexDoc(const FoundFile& file);
  int storeDocInfo(const FoundFile& file, int32_t docId, int32_t lastWord);
  // A document that gives no text for the index: encrypted, failed or without text. True
  // when it was passed over (counted, logged, failures listed).
  bool passOver(const FoundFile& file);
  // The failed list after a committed job: entries of files no longer there go.
  void saveFailedList();
  // Containers: every member a document of its own (index/ContainerIndexing.cpp).
  struct OldMembers;
  int indexContainer(const FoundFile& archive);
  int indexMembers(const FoundFile& archive, int depth, OldMembers* old, int32_t* count);
  void findOldMembers(const std::string& archive, OldMembers* old);
  int storeContainerRecord(const FoundFile& archive, int32_t memberCount, bool complete);
  int setMemberCount(int32_t docId, int32_t memberCount, bool complete);
  int addWord(const std::string& word, int32_t docId, int32_t number);
  int addNumber(const std::string& word, int32_t docId, int32_t number);
  int removeDeletedFiles();
  int removeListed();
  int cancelDocs();
  int cancelDoc(int32_t id);
  void finishJob(bool aborted);
  void reportDiskFull();

  // Progress: the status code goes into the record, the phase line into the log, and the
  // caller's call-back is called.
  void report(int code);
  void setPhase(int phase);
  // The cancel flag as the caller set it (or as the job set it itself).
  int32_t cancelFlag() const;
  void abortImmediately();
  void relay();

  IndexJob& job_;
  const IndexJobControl& caller_;
  // What the sorter and the merge report through: the indexer's own reports, with the
  // cancel flag as the job sees it.
  IndexJobControl relay_;
  int32_t relayCancel_ = 0;
  IndexProgress progress_;
  int loggedPhase_ = 0;
  TextDB db_;
  IndexLog log_;
  NoiseList noise_;
  FailedDocs failed_;
  std::unique_ptr<XWordSorter> sorter_;
  std::unique_ptr<WordSource> words_;
  FileSelection selection_{FileSet()};
  FileSet fileSet_;
  FileList selected_;
  FileList toIndex_;
  std::vector<int32_t> cancelList_;
  std::string tempFolder_;
  int maxWordLength_ = 32;
  bool dbOpen_ = false;
  std::string jobFailure_;  // the first failed file operation of the job (not of a document's file)
  bool committed_ = false;
  bool immediate_ = false;
  int64_t bytesDone_ = 0;
  int32_t passedOverDocuments_ = 0;
  // The last number word stored, so a hyphenated number is not stored three times.
  std::string lastNumberWord_;
  int32_t lastNumberDoc_ = 0;
  int32_t lastNumberAt_ = 0;
};
