#include "index/Indexer.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <deque>

#include "import/LineLayout.h"
#include "import/ViewerTable.h"
#include "index/IndexFileNames.h"
#include "index/IndexJob.h"
#include "index/IndexMaker.h"
#include "index/PrecheckAhead.h"
#include "io/FileMode.h"
#include "objects/MessageTable.h"
#include "objects/StringSet.h"
#include "objects/TextFields.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

using namespace indexformat;

namespace {

constexpr uint32_t kUpdateTypes = kHeaderFile | kDocFile | kKeyFile | kRefFile | kNoiseFile;
constexpr int kUpdateMode = filemode::kRead | filemode::kWrite | filemode::kDenyNone;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A job that makes an index and does nothing else with it. The new index is left as made,
// its dictionary INDEX_K.IX with no copy pending: the copy-on-write starts with the first
// update.
bool onlyCreates(const IndexJobRequest& record) {
  return record.create && !record.add && !record.removeDeleted && !record.removeListed;
}

}  // namespace

Indexer::Indexer(IndexJob& job)
    : job_(job), caller_(job.control()), fileSet_(), maxWordLength_(job.settings().maxWordLength) {
  relay_.report = [this](IndexProgress&) { relay(); };
  relay_.cancelFlag = &relayCancel_;
}

Indexer::~Indexer() {
  sorter_.reset();
  words_.reset();
  if (dbOpen_) {
    db_.failUpdate();
    db_.close();
  }
}

int64_t Indexer::neededKBytes(int64_t bytes) {
  constexpr int64_t kTenMB = 10485760;
  return (std::min(bytes, kTenMB) + std::max<int64_t>(bytes - kTenMB, 0) / 2 + 2097152) / 1024;
}

std::string Indexer::numberWord(const std::string& word) {
  uint64_t value = 0;
  for (char c : word) {
    if (!isDigit(c)) break;
    value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'), 0xFFFFFFFFu);
  }
  char text[16];
  std::snprintf(text, sizeof text, "!i%08" PRIx64, value);
  return text;
}

// ---- Progress ----

int32_t Indexer::cancelFlag() const {
  if (immediate_) return kImmediate;
  return caller_.cancel();
}

void Indexer::abortImmediately() {
  immediate_ = true;
  caller_.setCancel(kImmediate);
  relayCancel_ = kImmediate;
}

void Indexer::setPhase(int phase) {
  progress_.phase = phase;
  if (phase == loggedPhase_) return;
  loggedPhase_ = phase;
  switch (phase) {
    case 1:
      log_.line("Begin Indexing: index = " + job_.indexFolder());
      log_.timeLine();
      break;
    case 2: log_.line("Creating Index: index = " + job_.indexFolder()); break;
    case 5: log_.line("Storing words in index"); break;
    case 6: log_.line("Merging: " + std::to_string(progress_.percentDone) + " percent done indexing"); break;
    case 7:
      log_.line("Compressing: " + std::to_string(progress_.percentDone) + " percent done compressing ");
      break;
    default: break;
  }
  log_.flush();
}

void Indexer::report(int code) {
  progress_.statusCode = code;
  caller_.send(progress_);
  relayCancel_ = cancelFlag();
}

void Indexer::relay() {
  if (progress_.phase != loggedPhase_) setPhase(progress_.phase);
  report(progress_.statusCode);
}

// ---- The job ----

int Indexer::addDocs() {
  if (setup() < 0) {
    finishJob(true);
    return -1;
  }
  const IndexJobRequest& record = job_.request();
  if (onlyCreates(record)) {
    finishJob(false);
    return 0;
  }
  if (record.removeDeleted && !immediate_) removeDeletedFiles();
  if (record.removeListed && !immediate_) removeListed();
  if (record.add && toIndex_.count() > 0 && !immediate_) {
    setPhase(4);
    toIndex_.rewind();
    indexListedFiles();
  }
  if (sorter_ && cancelFlag() != kImmediate) {
    relayCancel_ = cancelFlag();
    if (sorter_->flushAndMerge(&relay_) < 0) abortImmediately();
  }
  if (!immediate_ && cancelFlag() != kImmediate) cancelDocs();
  bool aborted = immediate_ || cancelFlag() == kImmediate;
  finishJob(aborted);
  return aborted || !committed_ ? -1 : 0;
}

int Indexer::setup() {
  trace::text("Indexer::setup()");
  platform::takeFileFailure();  // a failure before this job is not its cause
  const IndexJobRequest& record = job_.request();
  const std::string& folder = job_.indexFolder();
  if (platform::makeDirectories(folder.c_str()) < 0) {
    job_.reporter().error(messages::text(1, {folder, platform::errorText(platform::lastError())}));
    return -1;
  }
  // A new index replaces whatever index the folder held, its log included: the log is
  // opened once the index is made.
  if (record.create) {
    IndexRequest request;
    request.folder = folder;
    request.name = record.indexName;
    request.caseSensitive = record.caseSensitive;
    request.accentSensitive = record.accentSensitive;
    request.relativePaths = record.relativePaths;
    request.unicode = record.unicode;
    request.noiseFile = job_.settings().noiseFile;
    request.forget = job_.settings().forgetIndex;
    IndexMaker maker;
    if (maker.make(request) < 0) {
      log_.open(folder, job_.settings().logLimitBytes);
      setPhase(1);
      log_.line("The index could not be created: " + maker.errorText());
      job_.reporter().error(maker.errorText());  // already the whole message
      return -1;
    }
  }
  log_.open(folder, job_.settings().logLimitBytes);
  setPhase(1);
  if (record.create) setPhase(2);
  if (onlyCreates(record)) return 0;
  db_.setDirectory(folder);
  db_.setLibraryName(job_.libraryName());
  if (job_.settings().alphabet) db_.setBaseAlphabet(*job_.settings().alphabet);
  if (db_.open(kUpdateMode, kUpdateTypes) < 0) {
    log_.line("The index could not be opened: " + db_.errorText());
    job_.reporter().error(db_.errorText());
    db_.close();
    return -1;
  }
  dbOpen_ = true;
  // Dictionary copies no reader uses any more go, so that updates do not pile them up.
  db_.dropUnusedDictionaries();
  noise_.loadForIndex(db_.noiseText());
  if (failed_.read(folder) < 0) log_.line("The list of failed documents could not be read; they are tried again.");
  tempFolder_ = folder;
  if (!record.tempFileDir.empty() && platform::directoryExists(record.tempFileDir.c_str()))
    tempFolder_ = absolutePath(record.tempFileDir);
  int64_t freeBytes = platform::freeDiskSpace(folder.c_str());
  progress_.freeDiskKBytes = freeBytes < 0 ? -1 : freeBytes / 1024;
  if (record.add && setupForAdd() < 0) return -1;
  return 0;
}

int Indexer::setupForAdd() {
  // The folding of the index's flags was set when the index was opened.
  if (listFilesToIndex() < 0) return -1;
  if (cancelFlag() != 0) {
    log_.line("Indexing cancelled...");
    return -1;
  }
  int64_t need = neededKBytes(progress_.bytesToIndex);
  if (progress_.freeDiskKBytes < need) {
    std::string freeText =
        progress_.freeDiskKBytes < 0 ? "???" : std::to_string(progress_.freeDiskKBytes / 1024);
    if (!job_.reporter().ask(messages::text(2, {job_.indexFolder(), std::to_string((need + 1023) / 1024), freeText}), true)) {
      log_.line("Indexing cancelled: not enough disk space");
      return -1;
    }
  }
  sorter_ = std::make_unique<XWordSorter>(db_, &progress_, job_.settings().sorterReserve, tempFolder_,
                                          job_.settings().maxMergeBytes, job_.settings().mergeSwitches);
  if (!sorter_->good()) {
    const std::string& merge = sorter_->mergeFailure();
    job_.reporter().error(merge.empty() ? messages::text(106, {"(sorter)"})
                                        : "Lexaurum could not create the merge file " + merge + ".");
    sorter_.reset();
    return -1;
  }
  if (!job_.settings().viewers) {
    log_.line("No importers to read documents with.");
    return -1;
  }
  words_ = std::make_unique<WordSource>(*job_.settings().viewers, db_.alphabet(), maxWordLength_);
  trace::text("SetupForAdd done");
  return 0;
}

int Indexer::listFilesToIndex() {
  setPhase(3);
  report(3004);
  std::string error;
  if (fileSetOf(job_.request().toAdd, &fileSet_, &error) < 0) {
    log_.line(error);
    job_.reporter().error(error);
    return -1;
  }
  // The folders and filters of each add are kept with the index, so an update can repeat
  // them; a job that names nothing repeats what was kept.
  StringSet includes, excludes, folders;
  db_.readFilters(&includes, &excludes, &folders);
  if (fileSet_.empty()) {
    for (int i = 0; i < folders.count(); ++i) fileSet_.folders.push_back(folders.at(i));
    if (fileSet_.includes.empty() && fileSet_.excludes.empty()) {
      for (int i = 0; i < includes.count(); ++i) fileSet_.includes.push_back(includes.at(i));
      for (int i = 0; i < excludes.count(); ++i) fileSet_.excludes.push_back(excludes.at(i));
    }
  } else if (!fileSet_.folders.empty()) {
    for (const std::string& f : fileSet_.folders)
      if (folders.find(f.c_str()) == 0) folders.add(f);
    includes.clear();
    excludes.clear();
    for (const std::string& p : fileSet_.includes) includes.add(p);
    for (const std::string& p : fileSet_.excludes) excludes.add(p);
    if (db_.writeFilters(&includes, &excludes, &folders) < 0) {
      log_.line("The index's folders and filters could not be saved.");
      return -1;
    }
  }
  for (auto [list, type] : {std::pair{&selected_, kFileListFile}, std::pair{&toIndex_, kToIndexFile}}) {
    const std::string name = indexfiles::path(tempFolder_, type);
    if (list->create(name) < 0) {
      job_.reporter().error(messages::text(3) + " (" + name + ": " +
                            platform::errorText(platform::lastError()) + ")");
      return -1;
    }
  }
  selection_ = FileSelection(fileSet_);
  selection_.skipFolder(job_.indexFolder());
  selection_.skipFolder(tempFolder_);
  int rc = selection_.walk(
      [this](const FoundFile& f) {
        if (selected_.append(f) < 0) return -1;
        if (++progress_.filesSelected % kFilesPerReport == 0) report(3004);
        return 0;
      },
      [this] { return cancelFlag() != 0; });
  if (rc < 0 && cancelFlag() == 0) {
    job_.reporter().error(messages::text(3));
    return -1;
  }
  for (const std::string& name : selection_.unreadableNames())
    log_.docLine(name + " could not be read");
  if (checkFilesSelected() < 0) return -1;
  log_.line("Files to be indexed: " + std::to_string(progress_.filesToIndex));
  return 0;
}

int Indexer::checkFilesSelected() {
  trace::text("checkFilesSelected()");
  if (selected_.rewind() < 0) {
    job_.reporter().error(messages::text(3));
    return -1;
  }
  FoundFile file;
  DocInfo old;
  int rc;
  while (cancelFlag() == 0 && (rc = selected_.next(&file)) == 1) {
    ++progress_.filesChecked;
    bool found = old.findByName(db_, file.name) == 0 && !old.cancelled;
    if (found && old.modDate == file.modDate) {
      // Unchanged: the size alone does not make a file new.
    } else if (!found && failed_.unchanged(file.name, file.modDate, file.size)) {
      ++progress_.failedUnchanged;
      log_.docLine(file.name + " not indexed: it could not be read before and has not changed");
    } else {
      if (found) {
        log_.docLine(file.name + " reindexed because " + dosdate::text(old.modDate) + " != " +
                     dosdate::text(file.modDate));
        cancelList_.push_back(old.docId);
      } else {
        log_.docLine(file.name + " added to index (new file)");
      }
      if (toIndex_.append(file) < 0) {
        job_.reporter().error(messages::text(3));
        return -1;
      }
      ++progress_.filesToIndex;
      progress_.bytesToIndex += file.size;
    }
    if (progress_.filesChecked % kFilesPerReport == 0) report(3004);
  }
  report(3004);
  log_.line("Checking Files: " + std::to_string(progress_.filesChecked) + " of " +
            std::to_string(progress_.filesSelected));
  selected_.remove();
  trace::text("CheckFilesSelected Done");
  return 0;
}

void Indexer::indexListedFiles() {
  // A scan's pre-check runs ahead of the indexing on helper threads: the files that cannot
  // match are passed over unopened here, in list order, as the indexer itself would.
  std::unique_ptr<PrecheckAhead> ahead;
  if (job_.settings().mayHold)
    ahead = std::make_unique<PrecheckAhead>(
        *job_.settings().viewers, job_.settings().mayHold,
        [this](const ViewerFileInfo& info) { return wouldBeDocument(info); }, PrecheckAhead::helperThreads());
  std::deque<FoundFile> pending;
  bool listEnded = false;
  bool listFailed = false;
  FoundFile file;
  while (cancelFlag() == 0) {
    while (!listEnded && (ahead ? ahead->hasRoom() : pending.empty())) {
      int rc = toIndex_.next(&file);
      if (rc != 1) {
        listEnded = true;
        listFailed = rc < 0;
        break;
      }
      if (ahead) ahead->add(file.name);
      pending.push_back(std::move(file));
    }
    if (pending.empty()) {
      if (listFailed) {
        log_.line("The list of files to index could not be read back.");
        abortImmediately();
      }
      break;
    }
    const FoundFile next = std::move(pending.front());
    pending.pop_front();
    bool document = false;
    if (ahead && !ahead->nextMayHold(&document)) {
      ++progress_.filesIndexed;  // passed over: it cannot match the scan's request
      if (document) ++passedOverDocuments_;
      countDone(next);
      continue;
    }
    if (indexFile(next) < 0) break;
  }
}

bool Indexer::wouldBeDocument(const ViewerFileInfo& info) const {
  return !info.notText && !info.encrypted && info.failure.empty() && !(info.binary && job_.settings().binaryFiles == 3);
}

void Indexer::countDone(const FoundFile& file) {
  bytesDone_ += file.size;
  if (progress_.bytesToIndex > 0)
    progress_.percentDone = static_cast<int32_t>(std::min<int64_t>(100, bytesDone_ * 100 / progress_.bytesToIndex));
}

int Indexer::indexFile(const FoundFile& file) {
  trace::text("Indexer::indexFile " + file.name);
  progress_.fileName = textfields::baseName(file.name);
  progress_.filePath = textfields::folderOf(file.name);
  progress_.fileType = "Unknown";
  progress_.fileSize = file.size;
  progress_.bytesRead = 0;
  progress_.wordCount = 0;
  int rc = 0;
  if (words_->open(file.name) < 0) {
    ++progress_.openFailures;
    progress_.errorText = words_->errorText();
    log_.docLine("File open failed: " + file.name + " (" + words_->errorText() + ")");
    report(3010);
  } else if (words_->container()) {
    rc = indexContainer(file);
  } else {
    rc = indexDoc(file);
  }
  words_->close();
  // A document that could not be read (in whole or in part) is told of in its log lines; a
  // failure of its own file is not the cause of a later failure of the job, but a failure of
  // any other file (the index's, the work files') is.
  const std::string failure = platform::takeFileFailure();
  if (jobFailure_.empty() && !failure.empty() && failure.find(file.name) == std::string::npos)
    jobFailure_ = failure;
  countDone(file);
  return rc;
}

int Indexer::indexDoc(const FoundFile& file) {
  std::string start = "indexDoc " + file.name + " ...";
  trace::text(start);
  progress_.fileType = words_->typeName();
  log_.line("Indexing File: " + textfields::baseName(file.name));
  log_.docLine("Location: " + textfields::folderOf(file.name));
  log_.docLine("Type:     " + words_->typeName());
  log_.docLine("Size:     " + std::to_string(file.size));
  report(3007);
  if (passOver(file)) return 0;
  if (words_->fileInfo().binary && job_.settings().binaryFiles == 3) {
    ++progress_.binaryFilesSkipped;
    ++progress_.filesIndexed;
    log_.docLine("File is binary");
    report(3011);
    return 0;
  }
  int32_t docId = ++db_.header().documentCount;
  if (addWord("xfirstword", docId, 1) < 0) return -1;
  std::string word;
  int32_t number = 0;
  int sinceCheck = 0;
  int32_t nextReport = kWordsPerCheck;
  bool saidSave = false;
  const bool numbers = job_.settings().indexNumbers;
  const auto& keep = job_.settings().keepWord;
  while (words_->next(&word, &number)) {
    if (++sinceCheck > kWordsPerCheck) {
      sinceCheck = 0;
      if (number >= nextReport) {
        progress_.bytesRead = static_cast<int32_t>(std::min<int64_t>(words_->bytesRead(), file.size));
        progress_.wordCount = number;
        progress_.percentDone = file.size > 0 ? static_cast<int32_t>(int64_t{progress_.bytesRead} * 100 / file.size) : 100;
        log_.docLine(std::to_string(progress_.bytesRead) + " bytes " + std::to_string(number) + " words ");
        report(3008);
        nextReport = number + kWordsPerCheck;
      }
      int32_t flag = cancelFlag();
      if (flag == kImmediate) {
        trace::text("indexDoc -- lxrAbortImmediate");
        abortImmediately();
        return -1;
      }
      if (flag != 0 && !saidSave) {
        trace::text("indexDoc -- abort (not immediate)");
        saidSave = true;
      }
    }
    if ((keep && !keep(word)) || noise_.isNoise(word)) continue;
    if (!isDigit(word[0])) {
      if (addWord(word, docId, number) < 0) return -1;
    } else if (numbers) {
      if (addWord(word, docId, number) < 0 || addNumber(word, docId, number) < 0) return -1;
    }
  }
  if (words_->failed())
    log_.docLine("The file could not be read to its end: " + words_->errorText());
  int32_t lastWord = std::max<int32_t>(words_->lastNumber(), 1);
  progress_.wordCount = words_->lastNumber();
  progress_.bytesRead = file.size;
  progress_.percentDone = 100;
  ++progress_.filesIndexed;
  if (storeDocInfo(file, docId, lastWord) < 0) {
    abortImmediately();
    return -1;
  }
  failed_.remove(file.name);  // it failed once, and reads now
  log_.docLine("File " + textfields::baseName(file.name) + " done");
  report(3009);
  trace::text(start + "Done");
  return 0;
}

bool Indexer::passOver(const FoundFile& file) {
  const ViewerFileInfo& info = words_->fileInfo();
  if (info.notText) {
    ++progress_.noTextSkipped;
    ++progress_.filesIndexed;
    log_.docLine("File holds no text");
    return true;
  }
  if (!info.encrypted && info.failure.empty()) return false;
  FailedDoc d;
  d.name = file.name;
  d.modDate = file.modDate;
  d.size = file.size;
  d.when = platform::now();
  if (info.encrypted) {
    ++progress_.encryptedFilesSkipped;
    d.reason = "encrypted: it needs a password";
    log_.docLine("File is encrypted");
  } else {
    ++progress_.failedDocuments;
    d.reason = info.failure;
    progress_.errorText = info.failure;
    log_.docLine("File could not be read: " + info.failure);
  }
  failed_.put(std::move(d));
  ++progress_.filesIndexed;
  report(3010);
  return true;
}

void Indexer::saveFailedList() {
  // A file gone from the disk, or whose container is gone, is no longer a failed document.
  failed_.removeIf([](const FailedDoc& d) {
    for (std::string name = d.name;;) {
      if (platform::fileExists(name.c_str())) return false;
      size_t cut = name.rfind('/');
      if (cut == std::string::npos || cut == 0) return true;
      name.resize(cut);
    }
  });
  if (failed_.changed() && failed_.write(job_.indexFolder()) < 0)
    log_.line("The list of failed documents could not be saved: " + platform::errorText(platform::lastError()));
}

int Indexer::addWord(const std::string& word, int32_t docId, int32_t number) {
  relayCancel_ = cancelFlag();
  if (sorter_->add(word.data(), static_cast<int>(word.size()), docId, number, &relay_) < 0) {
    abortImmediately();
    return -1;
  }
  if (sorter_->mergeNeeded() && sorter_->flushAndMerge(&relay_) < 0) {
    abortImmediately();
    return -1;
  }
  return 0;
}

int Indexer::addNumber(const std::string& word, int32_t docId, int32_t number) {
  std::string n = numberWord(word);
  if (n == lastNumberWord_ && docId == lastNumberDoc_ && number == lastNumberAt_) return 0;
  lastNumberWord_ = n;
  lastNumberDoc_ = docId;
  lastNumberAt_ = number;
  return addWord(n, docId, number);
}

int Indexer::storeDocInfo(const FoundFile& file, int32_t docId, int32_t lastWord) {
  DocInfo d;
  d.setFromFile(file);
  d.title = words_->fileInfo().title;
  d.wordCount = lastWord;
  d.docId = docId;
  d.pathId = DocInfo::folderId(db_, textfields::folderOf(file.name));
  if (d.pathId < 0 || d.write(db_, docId) < 0 || d.addName(db_) < 0) {
    log_.docLine("The document's record could not be stored.");
    return -1;
  }
  if (addWord("xlastword", docId, lastWord) < 0) return -1;
  // Field words: the words of the file's name and its date, at word 1, so that conditions
  // on them can be answered from the dictionary. '=' is never part of a word of the text.
  std::string name = textfields::baseName(file.name);
  textformat::WordSpan spans[textformat::kMaxWordsPerLine];
  const auto* text = reinterpret_cast<const unsigned char*>(name.data());
  const Alphabet& alphabet = db_.alphabet();
  int n = textformat::findWords(alphabet, text, static_cast<int>(std::min<size_t>(name.size(), LineLayout::kMaxLineBytes)), spans);
  for (int k = 0; k < n; ++k) {
    std::string w = textformat::wordText(alphabet, text, spans[k], maxWordLength_);
    if (!w.empty() && addWord("xname=" + w, docId, 1) < 0) return -1;
  }
  std::string date = dosdate::text(file.modDate).substr(0, 10);
  date.erase(std::remove(date.begin(), date.end(), '-'), date.end());
  return addWord("xdate=" + date, docId, 1);
}

void Indexer::reportDiskFull() {
  // A write that failed on a disk with almost no room left failed for want of room.
  for (const std::string& folder : {job_.indexFolder(), tempFolder_}) {
    int64_t freeBytes = folder.empty() ? -1 : platform::freeDiskSpace(folder.c_str());
    if (freeBytes >= 0 && freeBytes < kDiskFullBytes) {
      job_.reporter().error(messages::text(kDiskFullMessage, {folder}));
      return;
    }
  }
}

void Indexer::finishJob(bool aborted) {
  sorter_.reset();
  words_.reset();
  selected_.remove();
  toIndex_.remove();
  if (dbOpen_) {
    if (aborted) {
      db_.failUpdate();
    } else {
      db_.header().updated = static_cast<int32_t>(platform::now());
    }
    bool failed = db_.updateFailed();
    committed_ = db_.close() == 0 && !failed && !aborted;
    if (committed_) TextDB::removeStaleDictionaries(job_.indexFolder(), db_.header().pendingDictionary, 0);
    if (committed_) saveFailedList();
    // The first file operation that failed names the cause, which the failure seen here
    // (an aborted merge, a refused close) rarely does.
    const std::string later = platform::takeFileFailure();
    const std::string cause = jobFailure_.empty() ? later : jobFailure_;
    if (!committed_ && !cause.empty()) {
      log_.line("The update could not be completed: " + cause);
      job_.reporter().error("The update of " + job_.indexFolder() + " could not be completed: " + cause);
    } else if (!aborted && !committed_) {
      log_.line("The update could not be completed: " + db_.errorText());
    }
    dbOpen_ = false;
    if (!committed_ && caller_.cancel() != kImmediate) reportDiskFull();
  }
  progress_.percentDone = 100;
  setPhase(8);
  log_.line("Done indexing ");
  log_.docLine(std::to_string(progress_.binaryFilesSkipped) + " binary files skipped");
  log_.docLine(std::to_string(progress_.openFailures) + " open failures ");
  log_.docLine(std::to_string(progress_.encryptedFilesSkipped) + " encrypted files skipped");
  log_.docLine(std::to_string(progress_.noTextSkipped) + " files without text skipped");
  log_.docLine(std::to_string(progress_.failedDocuments) + " documents unreadable (FAILED.DAT lists them)");
  if (aborted) log_.line(cancelFlag() == kImmediate ? "Index job aborted (immediate)" : "Index job failed");
  else if (cancelFlag() != 0) log_.line("Index job aborted (save)");
  log_.timeLine();
  report(3013);
  log_.close();
  trace::text("addDocs done");
}
