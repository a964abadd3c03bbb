// The entry operations of the engine interface. Each one checks that its result can be
// written, frames itself in the debug log, checks its records, checks that the engine is
// initialised and forwards to the engine object.
#include <cstdio>
#include <cstring>
#include <string>

#include "api/DllInterface.h"
#include "api/ErrorReporter.h"
#include "api/Folders.h"
#include "api/ImportStartup.h"
#include "api/IndexInfoRecord.h"
#include "api/IndexJobRunner.h"
#include "api/IndexListing.h"
#include "api/OptionSettings.h"
#include "api/ScriptRunner.h"
#include "api/ScriptWriter.h"
#include "api/SearchJobRunner.h"
#include "api/IndexLibrary.h"
#include "api/Validation.h"
#include "import/Alphabet.h"
#include "import/TextFormat.h"
#include "index/IndexFileNames.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "io/File.h"
#include "lexaurum/lexaurum.h"
#include "objects/Check.h"
#include "objects/ErrorLog.h"
#include "objects/StringSet.h"
#include "objects/Trace.h"
#include "objects/WellKnownFiles.h"
#include "platform/Platform.h"
#include "search/RequestSettings.h"

namespace {

constexpr char kBar[] = "==================================================";
constexpr size_t kPathChars = LXR_PATH_CHARS - 1;
constexpr size_t kInternalListBytes = 128;

// The debug-log frame of one entry operation: the opening lines at construction, the
// closing ones from finish().
// A consistency check that failed during an operation fails the operation, whatever the code
// that made the check did next: its message is reported once, and the process goes on.
int gChecksReported = 0;

class Frame {
 public:
  explicit Frame(const char* name) : name_(name), checksBefore_(check::failureCount()) {
    trace::line("\n\n%s", kBar);
    trace::line("%s...", name_);
  }
  int16_t finish(int rc, int16_t* result) {
    if (check::failureCount() > checksBefore_) {
      if (check::failureCount() > gChecksReported) {
        gChecksReported = check::failureCount();
        apierror::report(name_, "failed a consistency check of the index:", check::lastFailure());
      }
      rc = -1;
    }
    *result = static_cast<int16_t>(rc < 0 ? -1 : 0);
    trace::line("%s %s", name_, rc < 0 ? "Failed" : "Done");
    trace::line("%s\n\n", kBar);
    return *result;
  }

 private:
  const char* name_;
  int checksBefore_;
};

// Checks the result reference. False: "Parameter Validation Error: Bad short& Reference"
// is in the debug log and the operation must return at once.
bool resultWritable(int16_t* result) {
  if (platform::isWritable(result, sizeof *result)) return true;
  trace::text("Parameter Validation Error: Bad short& Reference");
  return false;
}

LexaurumInstance* initialised() {
  DllInterface* dll = DllInterface::current();
  if (!dll || !dll->instance()) {
    apierror::report("DLL Not Initialized");
    return nullptr;
  }
  return dll->instance();
}

std::string copyText(const char* field, size_t capacity) {
  return std::string(field, strnlen(field, capacity));
}

}  // namespace

extern "C" {

LXR_API int16_t lxrsDoInit(lxrInitInfo* info, int16_t* result) {
  if (!resultWritable(result)) return -1;
  if (const char* dbg = platform::getEnv("LXRDLLDB"); dbg && *dbg && !trace::isLogging())
    trace::startLog(dbg);
  Frame frame("lxrsDoInit");
  if (validation::writableRecord(info, sizeof(lxrInitInfo), "lxrInitInfo") < 0)
    return frame.finish(-1, result);
  struct NamedFn {
    const void* fn;
    const char* name;
  } fns[] = {{reinterpret_cast<const void*>(info->pShowErrorFn), "pShowErrorFn"},
             {reinterpret_cast<const void*>(info->pAskYesNoFn), "pAskYesNoFn"},
             {reinterpret_cast<const void*>(info->pAskYesNoAllFn), "pAskYesNoAllFn"},
             {reinterpret_cast<const void*>(info->pShowInfoFn), "pShowInfoFn"},
             {reinterpret_cast<const void*>(info->pBeepFn), "pBeepFn"}};
  for (const NamedFn& f : fns)
    if (validation::callback(f.fn, f.name) < 0) return frame.finish(-1, result);

  std::string privateDir = folders::choosePrivateDir(copyText(info->privateDir, sizeof info->privateDir));
  std::string homeDir = folders::chooseHomeDir(copyText(info->homeDir, sizeof info->homeDir));
  trace::line("      Private directory: %s", privateDir.c_str());
  trace::line("      Home directory:    %s", homeDir.c_str());

  info->errorText = apierror::accumulatedText();
  if (!platform::directoryExists(privateDir.c_str()) &&
      platform::makeDirectories(privateDir.c_str()) < 0) {
    info->errorCode = LXR_INIT_PRIVATE_DIR;
    apierror::report("Unable to access private directory", privateDir);
    return frame.finish(-1, result);
  }
  std::string initTmp = privateDir + "/INIT.TMP";
  platform::OpenRequest req;
  req.write = true;
  req.disposition = platform::Disposition::CreateAlways;
  req.noFollow = true;
  platform::FileHandle h = platform::openFile(initTmp.c_str(), req);
  if (h == platform::kInvalidHandle) {
    info->errorCode = LXR_INIT_PRIVATE_DIR;
    apierror::report("Unable to write to private directory", privateDir);
    return frame.finish(-1, result);
  }
  platform::closeFile(h);
  platform::removeFile(initTmp.c_str());

  bool madeInterface = false;
  if (!DllInterface::current()) {
    trace::text("lxrsDoInit: allocating dllInterface");
    DllInterface::make();
    madeInterface = true;
  }
  DllInterface* dll = DllInterface::current();
  if (!dll->instance()) {
    errorlog::setFolder(privateDir);
    trace::startFromEnvironment(privateDir + "/LEXAURUM.LOG");
  }
  int rc = dll->doInit(info, homeDir, privateDir);
  if (rc < 0 && madeInterface && dll->useCount() <= 0) DllInterface::destroy();
  return frame.finish(rc, result);
}

LXR_API int16_t lxrsDoShutDown(int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsDoShutDown");
  if (!initialised()) return frame.finish(-1, result);
  DllInterface* dll = DllInterface::current();
  if (dll->release() <= 0) {
    DllInterface::destroy();
    trace::text("lxrsDoShutDown: List of files still open: {");
    // The registry's listing: one quoted name a line, then the open and close counts.
    std::string listing = File::listing();
    size_t pos = 0;
    while (pos < listing.size() && listing[pos] == '"') {
      size_t eol = listing.find('\n', pos);
      if (eol == std::string::npos) eol = listing.size();
      trace::text("   " + listing.substr(pos, eol - pos));
      pos = eol + 1;
    }
    trace::text("}");
  }
  return frame.finish(0, result);
}

LXR_API int16_t lxrsDoIndexJob(lxrIndexJob* job, int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsDoIndexJob");
  // The record is probed before its call-back field is read.
  if (validation::writableRecord(job, sizeof(lxrIndexJob), "lxrIndexJob") < 0 ||
      validation::jobCallback(&job->base, sizeof(lxrIndexProgressInfo)) < 0 ||
      validation::fileSpec(&job->toAdd, "lxrIndexJob.toAdd") < 0 ||
      (job->tempFileDir && validation::text(job->tempFileDir, kPathChars, "lxrIndexJob.tempFileDir") < 0))
    return frame.finish(-1, result);
  LexaurumInstance* engine = initialised();
  if (!engine) return frame.finish(-1, result);
  job->base.cancelFlag = 0;
  return frame.finish(indexjobs::run(*engine, job), result);
}

LXR_API int16_t lxrsDoSearchJob(lxrSearchJob* job, int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsDoSearchJob");
  if (validation::writableRecord(job, sizeof(lxrSearchJob), "lxrSearchJob") < 0 ||
      validation::jobCallback(&job->base, sizeof(lxrSearchProgressInfo)) < 0 ||
      validation::fileSpec(&job->filesToSearch, "lxrSearchJob.filesToSearch") < 0 ||
      validation::callback(reinterpret_cast<const void*>(job->getSortType),
                           "lxrSearchJob.getSortType") < 0 ||
      validation::stringSet(job->indexesToSearch, "lxrSearchJob.indexesToSearch") < 0)
    return frame.finish(-1, result);
  if (job->searchHandle && !platform::isReadable(job->searchHandle, 55)) {
    apierror::report("Parameter Validation Error: Bad Object Pointer", "lxrSearchJob.searchHandle");
    return frame.finish(-1, result);
  }
  LexaurumInstance* engine = initialised();
  if (!engine) return frame.finish(-1, result);
  if (job->searchHandle && !searchjobs::isSearcher(job->searchHandle)) {
    apierror::report("Bad searcher pointer", "lxrSearchJob.searchHandle");
    return frame.finish(-1, result);
  }
  return frame.finish(searchjobs::run(*engine, job), result);
}

LXR_API int16_t lxrsGetIndexInfo(const char* indexPath, lxrIndexInfo* info, int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsGetIndexInfo");
  if (validation::text(indexPath, kPathChars, "indexPath") < 0 ||
      validation::writableRecord(info, sizeof(lxrIndexInfo), "lxrIndexInfo") < 0)
    return frame.finish(-1, result);
  LexaurumInstance* engine = initialised();
  if (!engine) return frame.finish(-1, result);
  TextDB db;
  db.setLibraryName(engine->library().nameOf(indexPath));
  if (db.setDirectory(indexPath) < 0 ||
      db.open(filemode::kRead, indexformat::kHeaderFile) < 0) {
    return frame.finish(apierror::report("GetIndexInfo", indexPath, db.errorText()), result);
  }
  indexinfo::fill(db, info);
  db.close();
  db.unlock();
  return frame.finish(0, result);
}

LXR_API int16_t lxrsListWords(const char* indexPath, const char* pattern, int16_t allWords,
                              lxrWordListFn fn, uintptr_t data, int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsListWords");
  if (validation::text(indexPath, kPathChars, "indexPath") < 0 ||
      (pattern && validation::text(pattern, kPathChars, "pattern") < 0) ||
      validation::callback(reinterpret_cast<const void*>(fn), "fn") < 0 || !fn || !initialised())
    return frame.finish(-1, result);
  // A pattern is a request word: the engine's stemming rules and marker characters apply.
  LexaurumInstance* engine = initialised();
  RequestSettings settings = optionsettings::requestSettings(engine->setup());
  return frame.finish(indexlisting::listWords(engine->alphabet(), indexPath, pattern ? pattern : "", allWords != 0,
                                              fn, data, &engine->stemmer(), settings.markers),
                      result);
}

LXR_API int16_t lxrsListDocuments(const char* indexPath, int16_t withCancelled,
                                  lxrDocumentListFn fn, uintptr_t data, int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsListDocuments");
  if (validation::text(indexPath, kPathChars, "indexPath") < 0 ||
      validation::callback(reinterpret_cast<const void*>(fn), "fn") < 0 || !fn || !initialised())
    return frame.finish(-1, result);
  return frame.finish(indexlisting::listDocuments(indexPath, withCancelled != 0, fn, data), result);
}

LXR_API int16_t lxrsVerifyIndex(const char* indexPath, lxrJobBase* job, char* failure,
                                int32_t failureBytes, int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsVerifyIndex");
  if (validation::text(indexPath, kPathChars, "indexPath") < 0 ||
      (job && (!platform::isWritable(job, sizeof(lxrJobBase)) ||
               validation::jobCallback(job, sizeof(lxrIndexProgressInfo)) < 0)) ||
      (failure && (failureBytes < 1 || !platform::isWritable(failure, static_cast<size_t>(failureBytes)))) ||
      !initialised())
    return frame.finish(-1, result);
  std::string text;
  int rc = indexlisting::verify(indexPath, job, &initialised()->reporter(), &text);
  if (failure) std::snprintf(failure, static_cast<size_t>(failureBytes), "%s", text.c_str());
  return frame.finish(rc, result);
}

LXR_API int16_t lxrsDoGetFileText(const char* toExtractName, const char* toCreateName,
                                  int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsDoGetFileText");
  if (validation::text(toExtractName, kPathChars, "toExtractName") < 0 ||
      validation::text(toCreateName, kPathChars, "toCreateName") < 0 || !initialised())
    return frame.finish(-1, result);
  return frame.finish(importstartup::writeFileText(*initialised(), toExtractName, toCreateName), result);
}

LXR_API int16_t lxrsDoGetFileTextUtf8(const char* toExtractName, const char* toCreateName,
                                      int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsDoGetFileTextUtf8");
  if (validation::text(toExtractName, kPathChars, "toExtractName") < 0 ||
      validation::text(toCreateName, kPathChars, "toCreateName") < 0 || !initialised())
    return frame.finish(-1, result);
  return frame.finish(importstartup::writeFileText(*initialised(), toExtractName, toCreateName, true), result);
}

LXR_API int16_t lxrsSetOptions(lxrOptions* options, int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsSetOptions");
  if (validation::writableRecord(options, sizeof(lxrOptions), "lxrOptions") < 0)
    return frame.finish(-1, result);
  LexaurumInstance* engine = initialised();
  if (!engine) return frame.finish(-1, result);
  EngineSetup& setup = engine->setup();
  setup.binaryFiles = options->binaryFiles;
  if (options->hyphenMode >= 0 && options->hyphenMode <= 4) setup.hyphens = options->hyphenMode;
  std::string alphabet = copyText(options->alphabetName, sizeof options->alphabetName);
  bool newAlphabet = !alphabet.empty() && alphabet != setup.alphabetName;
  if (!alphabet.empty()) setup.alphabetName = alphabet;
  setup.indexNumbers = options->indexNumbers != 0;
  // Rebuild the alphabet: a new file is loaded; the character set then says which codes
  // are not spaces (codes it adds become letters, codes it leaves out become spaces).
  if (newAlphabet) engine->applyAlphabet(false);
  engine->applyOptions();
  std::string chars = copyText(options->wordChars, sizeof options->wordChars);
  if (!chars.empty()) {
    Alphabet& a = engine->alphabet();
    bool inSet[256] = {};
    for (char c : chars) inSet[static_cast<unsigned char>(c)] = true;
    for (int c = 1; c < 256; ++c) {
      unsigned char u = static_cast<unsigned char>(c);
      bool space = a.type(u) == Alphabet::kSpace;
      if (inSet[c] && space) a.setLetter(u);
      if (!inSet[c] && !space) a.setSpace(u);
    }
    a.rebuildMap();
  }
  if (engine->saveOptions() < 0) {
    apierror::report(engine->message());
    return frame.finish(-1, result);
  }
  return frame.finish(0, result);
}

LXR_API int16_t lxrsGetOptions(lxrOptions* options, int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsGetOptions");
  if (validation::writableRecord(options, sizeof(lxrOptions), "lxrOptions") < 0)
    return frame.finish(-1, result);
  LexaurumInstance* engine = initialised();
  if (!engine) return frame.finish(-1, result);
  const EngineSetup& setup = engine->setup();
  options->binaryFiles = static_cast<int16_t>(setup.binaryFiles);
  std::memset(options->wordChars, 0, sizeof options->wordChars);
  size_t n = 0;
  for (int c = 1; c < 256; ++c)
    if (engine->alphabet().type(static_cast<unsigned char>(c)) != Alphabet::kSpace)
      options->wordChars[n++] = static_cast<char>(c);
  options->hyphenMode = static_cast<int16_t>(setup.hyphens);
  std::memset(options->alphabetName, 0, sizeof options->alphabetName);
  std::memcpy(options->alphabetName, setup.alphabetName.data(),
              std::min(setup.alphabetName.size(), sizeof options->alphabetName - 1));
  options->indexNumbers = setup.indexNumbers ? 1 : 0;
  return frame.finish(0, result);
}

LXR_API int16_t lxrsDeleteIndex(const char* indexPath, int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsDeleteIndex");
  if (validation::text(indexPath, kPathChars, "indexPath") < 0) return frame.finish(-1, result);
  LexaurumInstance* engine = initialised();
  if (!engine) return frame.finish(-1, result);
  std::string header = indexfiles::path(indexPath, indexformat::kHeaderFile);
  if (!platform::fileExists(header.c_str()))
    return frame.finish(apierror::report("lxrsDeleteIndex:", indexPath, "holds no index"), result);
  Status deleted;
  if (TextDB::deleteIndex(indexPath, false, &deleted) == 0)
    engine->library().removeFolder(indexPath);
  else if (!deleted.message().empty())
    engine->reporter().error(deleted.message());
  // The index is gone when its header is.
  if (platform::fileExists(header.c_str()))
    return frame.finish(apierror::report("lxrsDeleteIndex:", indexPath, "could not be deleted"),
                        result);
  return frame.finish(0, result);
}

LXR_API int16_t lxrsRunScript(const char* scriptName, int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsRunScript");
  LexaurumInstance* engine = nullptr;
  if (validation::text(scriptName, kPathChars, "scriptName") < 0 || !(engine = initialised()))
    return frame.finish(-1, result);
  script::ScriptRunner runner(*engine, scriptName);
  return frame.finish(runner.run(), result);
}

LXR_API int16_t lxrsRunScriptEcho(const char* scriptName, lxrScriptEchoFn echo,
                                  uintptr_t echoData, const volatile int32_t* cancelFlag,
                                  int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsRunScriptEcho");
  LexaurumInstance* engine = nullptr;
  if (validation::text(scriptName, kPathChars, "scriptName") < 0 ||
      (echo && validation::callback(reinterpret_cast<const void*>(echo), "echo") < 0) ||
      (cancelFlag && !platform::isReadable(const_cast<const int32_t*>(cancelFlag), sizeof(int32_t))) ||
      !(engine = initialised()))
    return frame.finish(-1, result);
  script::ScriptRunner runner(*engine, scriptName);
  runner.setEcho(echo, echoData);
  runner.setCancelSource(cancelFlag);
  return frame.finish(runner.run(), result);
}

LXR_API int16_t lxrsWriteScript(const lxrIndexJob* job, const char* fileName, char* writtenName,
                                int32_t writtenNameBytes, int16_t* result) {
  if (!resultWritable(result)) return -1;
  Frame frame("lxrsWriteScript");
  if (validation::text(fileName, kPathChars, "fileName") < 0 ||
      !platform::isReadable(job, sizeof *job) || !initialised())
    return frame.finish(-1, result);
  std::string written, error;
  if (script::writeScript(*job, fileName, initialised()->reporter(), &written, &error) < 0)
    return frame.finish(apierror::report("lxrsWriteScript:", error), result);
  if (writtenName && writtenNameBytes > 0 &&
      platform::isWritable(writtenName, static_cast<size_t>(writtenNameBytes)))
    std::snprintf(writtenName, static_cast<size_t>(writtenNameBytes), "%s", written.c_str());
  return frame.finish(0, result);
}

LXR_API lxrSearcher* lxrsCreateSearcher(void) {
  trace::text("lxrsCreateSearcher...");
  LexaurumInstance* engine = initialised();
  if (!engine) return nullptr;
  return searchjobs::create(*engine);
}

LXR_API void lxrsDeleteSearcher(lxrSearcher* searcher) {
  trace::text("lxrsDeleteSearcher...");
  if (!searcher) return;
  if (!searchjobs::isSearcher(searcher) || !platform::isWritable(searcher, 55)) {
    apierror::report("Bad searcher pointer");
    return;
  }
  searchjobs::destroy(searcher);
}

LXR_API int16_t lxrsGetIndexList(int16_t* count, char* buffer, int32_t bufferSize,
                                 int32_t* neededSize) {
  Frame frame("lxrsGetIndexList");
  int16_t result = 0;
  if (validation::writableRecord(count, sizeof *count, "count") < 0 ||
      (neededSize && validation::writableRecord(neededSize, sizeof *neededSize, "neededSize") < 0))
    return frame.finish(-1, &result);
  char internal[kInternalListBytes];
  bool queryOnly = buffer == nullptr;
  size_t capacity = bufferSize > 0 ? static_cast<size_t>(bufferSize) : 0;
  if (queryOnly) {
    buffer = internal;
    capacity = sizeof internal;
  } else if (validation::writableRecord(buffer, capacity, "buffer") < 0) {
    return frame.finish(-1, &result);
  }
  LexaurumInstance* engine = initialised();
  if (!engine) return frame.finish(-1, &result);
  const IndexLibrary& library = engine->library();
  int32_t needed = 5;
  size_t used = 0;
  bool fits = true;
  for (size_t i = 0; i < library.count(); ++i) {
    const IndexLibraryEntry* e = library.entry(i);
    trace::line("Adding to index list: %s in %s", e->name.c_str(), e->path.c_str());
    size_t entryBytes = e->name.size() + e->path.size() + 2;
    needed += static_cast<int32_t>(entryBytes);
    if (fits && used + entryBytes <= capacity) {
      std::memcpy(buffer + used, e->name.c_str(), e->name.size() + 1);
      used += e->name.size() + 1;
      std::memcpy(buffer + used, e->path.c_str(), e->path.size() + 1);
      used += e->path.size() + 1;
    } else {
      fits = false;
    }
  }
  if (used < capacity) buffer[used] = '\0';
  *count = static_cast<int16_t>(library.count());
  if (neededSize) *neededSize = needed;
  if (!fits && !queryOnly) {
    apierror::report("lxrsGetIndexList: the buffer is too small; needed", std::to_string(needed));
    return frame.finish(-1, &result);
  }
  return frame.finish(0, &result);
}

LXR_API void lxrVersion(int16_t* major, int16_t* minor) {
  if (major && platform::isWritable(major, sizeof *major)) *major = 4;
  if (minor && platform::isWritable(minor, sizeof *minor)) *minor = 12;
}

LXR_API int16_t lxrsDebugLog(const char* fileName) {
  if (!fileName) {
    trace::text("lxrsDebugLog: stopping the debug log");
    trace::stopLog();
    return 0;
  }
  if (!platform::isReadableString(fileName, kPathChars)) {
    apierror::report("Parameter Validation Error: Bad Object Pointer", "fileName");
    return -1;
  }
  if (trace::startLog(fileName) < 0) {
    apierror::report("lxrsDebugLog: cannot open", fileName);
    return -1;
  }
  return 0;
}

LXR_API StringSet* lxrsNewStringSet(void) { return new StringSet; }

LXR_API int32_t lxrsStringSetAdd(StringSet* set, const char* text) {
  if (validation::stringSet(set, "set") < 0 || !set) return -1;
  if (text && !platform::isReadableString(text, 1u << 16)) return -1;
  return set->add(text);
}

LXR_API void lxrsFreeStringSet(StringSet* set) {
  if (set && validation::stringSet(set, "set") == 0) delete set;
}

}  // extern "C"
