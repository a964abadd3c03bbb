#include "tools/IndexCommands.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <strings.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "index/FailedDocs.h"
#include "index/IndexFileNames.h"
#include "index/TextDB.h"
#include "objects/StringSet.h"
#include "lexaurum/lexaurum.h"
#include "platform/Platform.h"
#include "search/RequestExplainer.h"
#include "tools/EngineMessages.h"
#include "tools/ExitCodes.h"
#include "tools/FailureKind.h"
#include "tools/JobProgress.h"
#include "tools/JobReport.h"
#include "tools/ProgressLine.h"
#include "tools/ToolSupport.h"

namespace indexcommands {

namespace {

namespace fs = std::filesystem;

using toolsupport::absolute;
using toolsupport::copyField;
using toolsupport::dateText;
using toolsupport::indexFolder;

constexpr int kInterrupted = 130;  // as a shell reports a command stopped by Ctrl-C

// ---- Arguments ----

struct Options {
  std::vector<std::string> positional;
  std::vector<std::string> includes, excludes;
  std::string name, filesList, removeList, match;
  std::string alphabet;  // a new index has the code-page model of this alphabet file
  bool caseSensitive = false, accentSensitive = false, relativePaths = false;
  bool keepDeleted = false, all = false, verbose = false, json = false;
};

// Parses the words after the command. False, with *error, on an unknown option or a
// missing value.
bool parse(const std::vector<std::string>& args, Options* o, std::string* error) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) { return toolsupport::optionValue(args, &i, out, error); };
    std::string v;
    if (a == "--name") { if (!value(&o->name)) return false; }
    else if (a == "--include") { if (!value(&v)) return false; o->includes.push_back(v); }
    else if (a == "--exclude") { if (!value(&v)) return false; o->excludes.push_back(v); }
    else if (a == "--files-list") { if (!value(&o->filesList)) return false; }
    else if (a == "--list") { if (!value(&o->removeList)) return false; }
    else if (a == "--match") { if (!value(&o->match)) return false; }
    else if (a == "--case") o->caseSensitive = true;
    else if (a == "--accent") o->accentSensitive = true;
    else if (a == "--relative-paths") o->relativePaths = true;
    else if (a == "--alphabet") { if (!value(&o->alphabet)) return false; }
    else if (a == "--keep-deleted") o->keepDeleted = true;
    else if (a == "--remove-deleted") o->keepDeleted = false;  // the default; kept for old scripts
    else if (a == "--all") o->all = true;
    else if (a == "--verbose" || a == "-v") o->verbose = true;
    else if (a == "--json") o->json = true;
    else if (!toolsupport::operand(a, &o->positional, error)) return false;
  }
  return true;
}

// The folder of the index named by the one operand, checked to hold an index. kDone, or the
// exit code after the complaint.
int existingIndex(const Options& o, std::string* folder) {
  if (o.positional.size() != 1) return kBadArguments;
  *folder = indexFolder(o.positional[0]);
  return toolsupport::checkIndexFolder(*folder);
}

// ---- Running a job ----

volatile sig_atomic_t gInterrupts = 0;
int32_t* gCancelFlag = nullptr;

void onInterrupt(int) {
  gInterrupts = gInterrupts + 1;
  if (gCancelFlag) __atomic_store_n(gCancelFlag, gInterrupts > 1 ? -2 : -1, __ATOMIC_RELAXED);
}

// Ctrl-C asks the job in `cancelFlag` to stop while this lives.
class InterruptGuard {
 public:
  explicit InterruptGuard(int32_t* cancelFlag) {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    gInterrupts = 0;
    gCancelFlag = cancelFlag;
    sigaction(SIGINT, &action, &previous_);
  }
  ~InterruptGuard() {
    sigaction(SIGINT, &previous_, nullptr);
    gCancelFlag = nullptr;
  }

 private:
  struct sigaction previous_ {};
};

std::string jsonText(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// What a finished job says: one line on standard error, or one JSON object on standard
// output; with --verbose, each file that failed or was skipped.
void summarise(const char* what, const std::string& folder, const jobreport::Report& r, int64_t words,
               double seconds, const std::string& outcome, const Options& o) {
  if (o.verbose) {
    for (const jobreport::Problem& p : r.problems) std::fprintf(stderr, "lxr: %s: %s\n", p.name.c_str(), p.reason.c_str());
  }
  if (o.json) {
    std::printf("{\"command\":%s,\"index\":%s,\"outcome\":%s,\"added\":%d,\"reindexed\":%d,\"removed\":%d,"
                "\"binarySkipped\":%d,\"encryptedSkipped\":%d,\"otherSkipped\":%d,\"failed\":%d,\"unreadable\":%d,"
                "\"noTextSkipped\":%d,\"failedBefore\":%d,\"words\":%lld,\"seconds\":%.2f}\n",
                jsonText(what).c_str(), jsonText(folder).c_str(), jsonText(outcome).c_str(), r.added, r.reindexed,
                r.removed, r.binary, r.encrypted, r.skipped, r.failed, r.unreadable, r.noText, r.failedBefore,
                static_cast<long long>(words), seconds);
    return;
  }
  std::string line = std::string("lxr: ") + what + " " + outcome + ": " + jobreport::countsText(r, words, seconds);
  if (!o.verbose && (r.failed > 0 || r.binary > 0 || r.encrypted > 0 || r.skipped > 0 || r.unreadable > 0))
    line += " (lxr failed " + (o.positional.empty() ? folder : o.positional[0]) + " lists them)";
  std::fprintf(stderr, "%s\n", line.c_str());
}

// What running an index job left: its result, its time and the errors the engine showed.
struct Execution {
  int16_t result = 0;
  double seconds = 0;
  std::vector<std::string> errors;
};

// Runs `job` with `tracker` for its progress and Ctrl-C as its cancel flag.
Execution execute(lxrIndexJob& job, jobprogress::Tracker* tracker) {
  job.base.pReportCallBack = jobprogress::Tracker::onIndexProgress;
  job.base.pReportData = reinterpret_cast<uintptr_t>(tracker);
  auto started = std::chrono::steady_clock::now();
  Execution run;
  enginemessages::takeErrors();
  {
    InterruptGuard guard(&job.base.cancelFlag);
    lxrsDoIndexJob(&job, &run.result);
  }
  progressline::clear();
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  run.errors = enginemessages::takeErrors();
  return run;
}

// Runs `job` with the progress bar and Ctrl-C, then reports it. The exit code.
int runJob(lxrIndexJob& job, const char* what, const std::string& folder, const Options& o) {
  jobprogress::Tracker tracker;
  Execution run = execute(job, &tracker);
  const int16_t result = run.result;
  const double seconds = run.seconds;
  std::vector<std::string>& errors = run.errors;
  jobreport::Report report = jobreport::fromIndex(folder);
  if (gInterrupts > 0) {
    summarise(what, folder, report, tracker.wordsIndexed(), seconds,
              gInterrupts > 1 ? "stopped; the index is as it was before" : "stopped; the documents finished were kept", o);
    return kInterrupted;
  }
  if (result < 0) {
    if (errors.empty()) {
      std::string why = report.endNote.empty() ? "see INDEXLOG.DAT in the index folder" : report.endNote;
      std::fprintf(stderr, "lxr: %s failed: %s\n", what, why.c_str());
      errors.push_back(why);
    }
    if (o.json) summarise(what, folder, report, tracker.wordsIndexed(), seconds, "failed", o);
    return failurekind::exitFor(errors, folder);
  }
  summarise(what, folder, report, tracker.wordsIndexed(), seconds, "done", o);
  return exitcodes::kDone;
}

lxrIndexJob newJob(const std::string& folder) {
  lxrIndexJob job;
  LXR_INIT_RECORD(job);
  copyField(job.indexPath, sizeof job.indexPath, folder);
  return job;
}

// The text model of a new index: Unicode, or with --alphabet the code page of the alphabet
// the engine has loaded, which must be the one named.
int textModel(const Options& o, int16_t* model) {
  *model = LXR_TEXT_UNICODE;
  if (o.alphabet.empty()) return exitcodes::kDone;
  lxrOptions options;
  LXR_INIT_RECORD(options);
  int16_t result = 0;
  if (lxrsGetOptions(&options, &result) < 0) return exitcodes::kIoError;
  std::string loaded = fs::path(options.alphabetName).filename().string();
  std::string named = fs::path(o.alphabet).filename().string();
  if (strcasecmp(loaded.c_str(), named.c_str()) != 0) {
    std::fprintf(stderr, "lxr: --alphabet %s: the engine's alphabet is %s (lxr options --alphabet changes it)\n",
                 o.alphabet.c_str(), loaded.c_str());
    return exitcodes::kUsage;
  }
  *model = LXR_TEXT_CODE_PAGE;
  return exitcodes::kDone;
}

// ---- Commands ----

int create(const Options& o) {
  if (o.positional.size() != 1) return kBadArguments;
  std::string folder = absolute(o.positional[0]);
  lxrIndexJob job = newJob(folder);
  std::string name = o.name.empty() ? fs::path(folder).filename().string() : o.name;
  copyField(job.indexName, sizeof job.indexName, name);
  job.create = 1;
  if (int rc = textModel(o, &job.textModel); rc != exitcodes::kDone) return rc;
  job.caseSensitive = o.caseSensitive;
  job.accentSensitive = o.accentSensitive;
  job.relativePaths = o.relativePaths;
  job.addToLibrary = !o.name.empty();
  int16_t result = 0;
  enginemessages::takeErrors();
  if (lxrsDoIndexJob(&job, &result) < 0) return failurekind::exitFor(enginemessages::takeErrors(), folder);
  std::fprintf(stderr, "lxr: made the empty index %s\n", folder.c_str());
  return exitcodes::kDone;
}

int add(const Options& o, const std::string& privateDir) {
  if (o.positional.empty() || (o.positional.size() == 1 && o.filesList.empty())) return kBadArguments;
  // Every folder and list must be there: a job over a missing folder would only make an
  // empty index and leave the reason in its log.
  for (size_t i = 1; i < o.positional.size(); ++i)
    if (int rc = toolsupport::checkExists(absolute(o.positional[i]), true); rc != exitcodes::kDone) return rc;
  if (!o.filesList.empty())
    if (int rc = toolsupport::checkExists(absolute(o.filesList), false); rc != exitcodes::kDone) return rc;
  std::string folder = indexFolder(o.positional[0]);
  std::error_code ec;
  if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) return toolsupport::checkExists(folder, true);
  lxrIndexJob job = newJob(folder);
  copyField(job.indexName, sizeof job.indexName, fs::path(folder).filename().string());
  job.create = !fs::exists(fs::path(folder) / indexfiles::nameOf(indexformat::kHeaderFile), ec);
  if (job.create)
    if (int rc = textModel(o, &job.textModel); rc != exitcodes::kDone) return rc;
  job.add = 1;
  std::string listName;
  if (o.positional.size() == 2) {
    copyField(job.toAdd.directory, sizeof job.toAdd.directory, absolute(o.positional[1]));
  } else if (o.positional.size() > 2) {
    listName = privateDir + "/FOLDERS" + std::to_string(getpid()) + ".TMP";
    std::FILE* f = platform::openStream(listName.c_str(), "wb");
    if (!f) {
      std::fprintf(stderr, "lxr: %s: %s\n", listName.c_str(), std::strerror(errno));
      return exitcodes::kIoError;
    }
    for (size_t i = 1; i < o.positional.size(); ++i) std::fprintf(f, "%s\n", absolute(o.positional[i]).c_str());
    std::fclose(f);
    copyField(job.toAdd.directoryListName, sizeof job.toAdd.directoryListName, listName);
  }
  if (!o.filesList.empty())
    copyField(job.toAdd.filesListName, sizeof job.toAdd.filesListName, absolute(o.filesList));
  StringSet* includes = lxrsNewStringSet();
  StringSet* excludes = lxrsNewStringSet();
  for (const std::string& p : o.includes) lxrsStringSetAdd(includes, p.c_str());
  for (const std::string& p : o.excludes) lxrsStringSetAdd(excludes, p.c_str());
  job.toAdd.includeFilters = includes;
  job.toAdd.excludeFilters = excludes;
  int rc = runJob(job, "add", folder, o);
  lxrsFreeStringSet(includes);
  lxrsFreeStringSet(excludes);
  if (!listName.empty()) std::remove(listName.c_str());
  return rc;
}

int update(const Options& o) {
  std::string folder;
  if (int rc = existingIndex(o, &folder); rc != exitcodes::kDone) return rc;
  lxrIndexJob job = newJob(folder);
  job.add = 1;  // with no files named: the folders and filters kept with the index
  job.removeDeleted = !o.keepDeleted;
  return runJob(job, "update", folder, o);
}

int remove(const Options& o) {
  if (o.removeList.empty()) return kBadArguments;
  std::string folder;
  if (int rc = existingIndex(o, &folder); rc != exitcodes::kDone) return rc;
  std::string list = absolute(o.removeList);
  if (int rc = toolsupport::checkExists(list, false); rc != exitcodes::kDone) return rc;
  lxrIndexJob job = newJob(folder);
  copyField(job.toRemoveListName, sizeof job.toRemoveListName, list);
  job.removeListed = 1;
  int rc = runJob(job, "remove", folder, o);
  if (rc == exitcodes::kDone && jobreport::fromIndex(folder).removed == 0) return exitcodes::kNothing;
  return rc;
}

bool indexInfo(const std::string& folder, lxrIndexInfo* info) {
  LXR_INIT_RECORD(*info);
  int16_t result = 0;
  return lxrsGetIndexInfo(folder.c_str(), info, &result) == 0;
}

int compress(const Options& o) {
  std::string folder;
  if (int rc = existingIndex(o, &folder); rc != exitcodes::kDone) return rc;
  lxrIndexInfo before;
  bool known = indexInfo(folder, &before);
  lxrIndexJob job = newJob(folder);
  job.compress = 1;
  jobprogress::Tracker tracker;
  Execution run = execute(job, &tracker);
  const int16_t result = run.result;
  const double seconds = run.seconds;
  std::vector<std::string>& errors = run.errors;
  if (result < 0) {
    if (errors.empty()) std::fprintf(stderr, "lxr: compress failed (see INDEXLOG.DAT in the index folder)\n");
    return gInterrupts > 0 ? kInterrupted : failurekind::exitFor(errors, folder);
  }
  lxrIndexInfo after;
  if (!known || !indexInfo(folder, &after)) after = before;
  int dropped = known ? before.obsolete : 0;
  if (o.json) {
    std::printf("{\"command\":\"compress\",\"index\":%s,\"outcome\":\"done\",\"documents\":%d,\"removed\":%d,"
                "\"words\":%d,\"bytesBefore\":%d,\"bytesAfter\":%d,\"seconds\":%.2f}\n",
                jsonText(folder).c_str(), after.documents, dropped, after.words, before.indexBytes,
                after.indexBytes, seconds);
  } else {
    std::fprintf(stderr, "lxr: compress done: %d documents kept, %d removed documents dropped, %d words, %d -> %d bytes, %.1f s\n",
                 after.documents, dropped, after.words, before.indexBytes, after.indexBytes, seconds);
  }
  return exitcodes::kDone;
}

// Puts the index moved aside back in its place (after a failed rebuild).
void putBack(const std::string& folder, const std::string& aside) {
  std::error_code ec;
  fs::remove_all(folder, ec);
  fs::rename(aside, folder, ec);
  if (ec) std::fprintf(stderr, "lxr: the damaged index could not be put back from %s: %s\n", aside.c_str(),
                       ec.message().c_str());
  else std::fprintf(stderr, "lxr: the index was left as it was\n");
}

// Rebuilds an index from its documents, the way back from damage. The index is moved aside
// (FOLDER.damaged), so that nothing is lost if the rebuild fails; a new one with its name,
// case and accent rules, relative paths, folders and patterns is made in its place (where
// relative paths keep their meaning) and filled in the one job.
int repair(const Options& o, const std::string& privateDir) {
  std::string folder;
  if (int rc = existingIndex(o, &folder); rc != exitcodes::kDone) return rc;
  std::string writer;
  if (failurekind::heldByWriter(folder, &writer)) return failurekind::exitFor({"in use"}, folder);
  const std::string aside = folder + ".damaged";
  std::error_code ec;
  if (fs::exists(aside, ec)) {
    std::fprintf(stderr, "lxr repair: %s is in the way (left by an earlier repair); remove it first\n", aside.c_str());
    return exitcodes::kUsage;
  }
  lxrIndexInfo info;
  enginemessages::takeErrors();
  const bool known = indexInfo(folder, &info);
  enginemessages::takeErrors();
  if (!known)
    std::fprintf(stderr, "lxr repair: the header of %s cannot be read; the new index takes the usual "
                 "case and accent rules\n", folder.c_str());
  StringSet includes, excludes, folders;
  TextDB kept;
  if (kept.setDirectory(folder) < 0 || kept.readFilters(&includes, &excludes, &folders) < 0 || folders.count() == 0) {
    std::fprintf(stderr, "lxr repair: the folders of %s cannot be read; make it anew with lxr add\n", folder.c_str());
    return exitcodes::kDamaged;
  }
  const std::string listName = privateDir + "/FOLDERS" + std::to_string(getpid()) + ".TMP";
  {
    std::FILE* f = std::fopen(listName.c_str(), "wbx");
    if (!f) {
      std::fprintf(stderr, "lxr: %s: %s\n", listName.c_str(), std::strerror(errno));
      return exitcodes::kIoError;
    }
    for (int i = 0; i < folders.count(); ++i) std::fprintf(f, "%s\n", folders.at(i));
    if (std::fclose(f) != 0) {
      std::remove(listName.c_str());
      return exitcodes::kIoError;
    }
  }
  fs::rename(folder, aside, ec);
  if (ec) {
    std::fprintf(stderr, "lxr repair: %s cannot be moved aside: %s\n", folder.c_str(), ec.message().c_str());
    std::remove(listName.c_str());
    return exitcodes::kIoError;
  }
  lxrIndexJob job = newJob(folder);
  copyField(job.indexName, sizeof job.indexName, known ? info.indexName : fs::path(folder).filename().string());
  job.create = 1;
  job.add = 1;
  job.caseSensitive = known && info.caseSensitive;
  job.accentSensitive = known && info.accentSensitive;
  job.relativePaths = known && info.relativePaths;
  copyField(job.toAdd.directoryListName, sizeof job.toAdd.directoryListName, listName);
  job.toAdd.includeFilters = &includes;
  job.toAdd.excludeFilters = &excludes;
  int rc = runJob(job, "repair", folder, o);
  std::remove(listName.c_str());
  if (rc != exitcodes::kDone) {
    putBack(folder, aside);
    return rc;
  }
  std::fprintf(stderr, "lxr: the damaged index was kept as %s; delete it when it is no longer needed\n",
               aside.c_str());
  return exitcodes::kDone;
}

int verify(const Options& o) {
  std::string folder;
  if (int rc = existingIndex(o, &folder); rc != exitcodes::kDone) return rc;
  jobprogress::Tracker tracker;
  lxrJobBase job{};
  job.structSize = sizeof job;
  job.pReportCallBack = jobprogress::Tracker::onVerifyProgress;
  job.pReportData = reinterpret_cast<uintptr_t>(&tracker);
  char failure[512] = "";
  int16_t result = 0;
  enginemessages::takeErrors();
  {
    InterruptGuard guard(&job.cancelFlag);
    lxrsVerifyIndex(folder.c_str(), &job, failure, sizeof failure, &result);
  }
  progressline::clear();
  std::vector<std::string> errors = enginemessages::takeErrors();
  // The engine's own messages say whether the index verified and what failed.
  if (result == 0) return exitcodes::kDone;
  if (gInterrupts > 0) {
    std::fprintf(stderr, "lxr: verification stopped\n");
    return kInterrupted;
  }
  // A check that failed is damage; a failure to open the index is told apart by its text.
  bool opened = errors.empty() || std::string(failure).find("could not be opened") == std::string::npos;
  return opened ? exitcodes::kDamaged : failurekind::exitFor(errors, folder);
}

int info(const Options& o) {
  std::string folder;
  if (int rc = existingIndex(o, &folder); rc != exitcodes::kDone) return rc;
  lxrIndexInfo i;
  enginemessages::takeErrors();
  if (!indexInfo(folder, &i)) return failurekind::exitFor(enginemessages::takeErrors(), folder);
  std::printf("Index:        %s\n", i.indexName);
  std::printf("Folder:       %s\n", folder.c_str());
  std::printf("Documents:    %d\n", i.documents);
  std::printf("Removed:      %d (kept until the index is compressed)\n", i.obsolete);
  std::printf("Words:        %d\n", i.words);
  std::printf("Folders:      %d\n", i.paths);
  std::printf("Size:         %d bytes\n", i.indexBytes);
  std::printf("Case:         %s\n", i.caseSensitive ? "sensitive" : "ignored");
  std::printf("Accents:      %s\n", i.accentSensitive ? "sensitive" : "ignored");
  std::printf("Paths:        %s\n", i.relativePaths ? "relative" : "absolute");
  std::printf("Created:      %s\n", dateText(i.created).c_str());
  std::printf("Updated:      %s\n", dateText(i.updated).c_str());
  std::printf("Compressed:   %s\n", dateText(i.compressed).c_str());
  return exitcodes::kDone;
}

struct WordPrinter {
  bool unicode = false;  // the index's words are UTF-8
  bool headed = false;
  int count = 0;
};

int printWord(uintptr_t data, const char* word, int32_t occurrences, int32_t documents) {
  auto* p = reinterpret_cast<WordPrinter*>(data);
  if (!p->headed) std::printf("%-32s %10s %8s\n", "word", "occurs", "docs");
  p->headed = true;
  ++p->count;
  std::string shown = p->unicode ? std::string(word) : requestexplainer::toUtf8(word);
  std::printf("%-32s %10d %8d\n", shown.c_str(), occurrences, documents);
  return 0;
}

// A --match pattern must read as one request word: the request parser's verdict, with its
// echo when the pattern is faulty. kDone or kUsage.
int checkPattern(const std::string& pattern, const PatternCheck& explain) {
  std::string out;
  if (explain(pattern, &out) != 0) {
    std::fprintf(stderr, "lxr: the --match pattern '%s' is faulty:\n%s", pattern.c_str(), out.c_str());
    return exitcodes::kUsage;
  }
  std::string tree = out.substr(0, out.find('\n'));
  if (tree.find_first_of(" ()") != std::string::npos || out.find("Not searched") != std::string::npos) {
    std::fprintf(stderr, "lxr: --match takes one word (with ? * and the ~ # %% markers), not '%s'\n", pattern.c_str());
    return exitcodes::kUsage;
  }
  return exitcodes::kDone;
}

int words(const Options& o, const PatternCheck& explain) {
  std::string folder;
  if (int rc = existingIndex(o, &folder); rc != exitcodes::kDone) return rc;
  if (!o.match.empty())
    if (int rc = checkPattern(o.match, explain); rc != exitcodes::kDone) return rc;
  WordPrinter printer;
  int16_t result = 0;
  lxrIndexInfo info;
  LXR_INIT_RECORD(info);
  printer.unicode = lxrsGetIndexInfo(folder.c_str(), &info, &result) == 0 && info.textModel == LXR_TEXT_UNICODE;
  enginemessages::takeErrors();
  std::string pattern = printer.unicode ? o.match : requestexplainer::toEngineText(o.match);
  if (lxrsListWords(folder.c_str(), pattern.c_str(), o.all, printWord, reinterpret_cast<uintptr_t>(&printer), &result) < 0)
    return failurekind::exitFor(enginemessages::takeErrors(), folder);
  if (printer.count == 0) {
    std::fprintf(stderr, "lxr: no word%s\n", o.match.empty() ? "s in the index" : (" matches " + o.match).c_str());
    return exitcodes::kNothing;
  }
  return exitcodes::kDone;
}

int printDocument(uintptr_t, const lxrDocumentInfo* d) {
  std::printf("%6d %s %10d %8d %s%s\n", d->docId, d->modDate, d->fileSize, d->wordCount, d->fileName,
              d->cancelled ? " (removed)" : "");
  return 0;
}

int files(const Options& o) {
  std::string folder;
  if (int rc = existingIndex(o, &folder); rc != exitcodes::kDone) return rc;
  int16_t result = 0;
  std::printf("%6s %-19s %10s %8s %s\n", "id", "date", "size", "words", "file");
  enginemessages::takeErrors();
  if (lxrsListDocuments(folder.c_str(), o.all, printDocument, 0, &result) < 0)
    return failurekind::exitFor(enginemessages::takeErrors(), folder);
  return exitcodes::kDone;
}

int failed(const Options& o) {
  std::string folder;
  if (int rc = existingIndex(o, &folder); rc != exitcodes::kDone) return rc;
  // The documents that could not be read, kept until their files change; then what else the
  // last job could not take in.
  FailedDocs list;
  if (list.read(folder) < 0) std::fprintf(stderr, "lxr: the list of failed documents of %s could not be read\n", folder.c_str());
  std::set<std::string> shown;
  for (const FailedDoc& d : list.list()) {
    std::tm tm{};
    char when[32] = "";
    if (platform::localTime(d.when, &tm)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &tm);
    const bool locked = d.reason.rfind("encrypted", 0) == 0;
    std::printf("%s\t%s%s (%s)\n", d.name.c_str(), locked ? "skipped: " : "could not be read: ", d.reason.c_str(), when);
    shown.insert(d.name);
  }
  jobreport::Report r = jobreport::fromIndex(folder);
  int others = 0;
  for (const jobreport::Problem& p : r.problems) {
    if (shown.count(p.name)) continue;
    std::printf("%s\t%s\n", p.name.c_str(), p.reason.c_str());
    ++others;
  }
  if (!shown.empty() || others > 0) return exitcodes::kDone;
  if (!r.found) {
    std::fprintf(stderr, "lxr: the index log of %s holds no index job\n", folder.c_str());
    return exitcodes::kNothing;
  }
  std::fprintf(stderr, "lxr: the last job of %s took in every file it was given\n", folder.c_str());
  return exitcodes::kNothing;
}

}  // namespace

bool handles(const std::string& command) {
  for (const char* c : {"create", "add", "update", "remove", "compress", "repair", "verify", "info", "words", "files", "failed"})
    if (command == c) return true;
  return false;
}

int run(const std::vector<std::string>& args, const std::string& privateDir, const PatternCheck& explain) {
  Options o;
  std::string error;
  if (args.empty()) return kBadArguments;
  if (!parse(args, &o, &error)) {
    std::fprintf(stderr, "lxr %s: %s\n", args[0].c_str(), error.c_str());
    return kBadArguments;
  }
  const std::string& cmd = args[0];
  if (cmd == "create") return create(o);
  if (cmd == "add") return add(o, privateDir);
  if (cmd == "update") return update(o);
  if (cmd == "remove") return remove(o);
  if (cmd == "compress") return compress(o);
  if (cmd == "repair") return repair(o, privateDir);
  if (cmd == "verify") return verify(o);
  if (cmd == "info") return info(o);
  if (cmd == "words") return words(o, explain);
  if (cmd == "files") return files(o);
  if (cmd == "failed") return failed(o);
  return kBadArguments;
}

}  // namespace indexcommands
