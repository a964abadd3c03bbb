#include "tools/IndexCommands.h"

#include <signal.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "index/IndexFileNames.h"
#include "lexaurum/lexaurum.h"
#include "tools/ToolSupport.h"

namespace indexcommands {

namespace {

namespace fs = std::filesystem;

// ---- Arguments ----

struct Options {
  std::vector<std::string> positional;
  std::vector<std::string> includes, excludes;
  std::string name, filesList, removeList, match;
  bool caseSensitive = false, accentSensitive = false, relativePaths = false;
  bool removeDeleted = false, all = false;
};

// Parses the words after the command. False on an unknown option or a missing value.
bool parse(const std::vector<std::string>& args, Options* o) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) return false;
      *out = args[++i];
      return true;
    };
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
    else if (a == "--remove-deleted") o->removeDeleted = true;
    else if (a == "--all") o->all = true;
    else if (a.size() > 1 && a[0] == '-') return false;
    else o->positional.push_back(a);
  }
  return true;
}

using toolsupport::absolute;
using toolsupport::copyField;
using toolsupport::indexFolder;

bool indexExists(const std::string& folder) {
  return fs::exists(fs::path(folder) / indexfiles::nameOf(indexformat::kHeaderFile));
}

// ---- Progress ----

volatile sig_atomic_t gInterrupts = 0;
int32_t* gCancelFlag = nullptr;

void onInterrupt(int) {
  gInterrupts = gInterrupts + 1;
  if (gCancelFlag) __atomic_store_n(gCancelFlag, gInterrupts > 1 ? -2 : -1, __ATOMIC_RELAXED);
}

struct Bar {
  bool terminal = false;
  std::time_t last = 0;
  int lastPhase = 0;
  bool drawn = false;
};

const char* phaseName(int phase) {
  switch (phase) {
    case 1: return "starting";
    case 2: return "creating";
    case 3: return "checking";
    case 4: return "indexing";
    case 5: return "storing";
    case 6: return "merging";
    case 7: return "compressing";
    case 8: return "done";
    default: return "";
  }
}

void onProgress(uintptr_t data, void* record) {
  auto* bar = reinterpret_cast<Bar*>(data);
  const auto* p = static_cast<const lxrIndexProgressInfo*>(record);
  if (!bar->terminal || p->structSize == 0) return;
  std::time_t now = std::time(nullptr);
  if (p->phase == bar->lastPhase && now == bar->last && p->statusCode != 3013) return;
  bar->last = now;
  bar->lastPhase = p->phase;
  int percent = p->percentDone < 0 ? 0 : p->percentDone > 100 ? 100 : p->percentDone;
  char line[160];
  if (p->phase == 3)
    std::snprintf(line, sizeof line, "checking: %d of %d files checked, %d to index", p->filesChecked,
                  p->filesSelected, p->filesToIndex);
  else if (p->phase == 4)
    std::snprintf(line, sizeof line, "indexing: %d of %d documents  [%-20.*s] %3d%%", p->filesIndexed,
                  p->filesToIndex, percent / 5, "####################", percent);
  else
    std::snprintf(line, sizeof line, "%s: %3d%%", phaseName(p->phase), percent);
  std::fprintf(stderr, "\r%-78.78s", line);
  bar->drawn = true;
}

void onVerifyProgress(uintptr_t data, void* record) {
  auto* bar = reinterpret_cast<Bar*>(data);
  const auto* p = static_cast<const lxrIndexProgressInfo*>(record);
  if (!bar->terminal || p->structSize == 0) return;
  std::time_t now = std::time(nullptr);
  if (now == bar->last && p->percentDone < 100) return;
  bar->last = now;
  std::fprintf(stderr, "\rverifying: %3d%%  %-60.60s", p->percentDone, p->fileName);
  bar->drawn = true;
}

// ---- Commands ----

int runJob(lxrIndexJob& job, const char* what) {
  Bar bar;
  bar.terminal = isatty(STDERR_FILENO) != 0;
  job.base.pReportCallBack = onProgress;
  job.base.pReportData = reinterpret_cast<uintptr_t>(&bar);
  struct sigaction action {}, previous {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  gInterrupts = 0;
  gCancelFlag = &job.base.cancelFlag;
  sigaction(SIGINT, &action, &previous);
  int16_t result = 0;
  lxrsDoIndexJob(&job, &result);
  sigaction(SIGINT, &previous, nullptr);
  gCancelFlag = nullptr;
  if (bar.drawn) std::fprintf(stderr, "\r%-78s\r", "");
  if (gInterrupts > 0) {
    std::fprintf(stderr, gInterrupts > 1 ? "lxr: %s stopped; the index is as it was before\n"
                                         : "lxr: %s stopped; the documents finished were kept\n",
                 what);
    return 1;
  }
  if (result < 0) {
    std::fprintf(stderr, "lxr: %s failed (see INDEXLOG.DAT in the index folder)\n", what);
    return 1;
  }
  return 0;
}

int create(const Options& o) {
  if (o.positional.size() != 1) return 2;
  std::string folder = absolute(o.positional[0]);
  lxrIndexJob job;
  LXR_INIT_RECORD(job);
  copyField(job.indexPath, sizeof job.indexPath, folder);
  std::string name = o.name.empty() ? fs::path(folder).filename().string() : o.name;
  copyField(job.indexName, sizeof job.indexName, name);
  job.create = 1;
  job.caseSensitive = o.caseSensitive;
  job.accentSensitive = o.accentSensitive;
  job.relativePaths = o.relativePaths;
  job.addToLibrary = !o.name.empty();
  return runJob(job, "create");
}

int add(const Options& o, const std::string& privateDir) {
  if (o.positional.empty() || (o.positional.size() == 1 && o.filesList.empty())) return 2;
  std::string folder = indexFolder(o.positional[0]);
  lxrIndexJob job;
  LXR_INIT_RECORD(job);
  copyField(job.indexPath, sizeof job.indexPath, folder);
  copyField(job.indexName, sizeof job.indexName, fs::path(folder).filename().string());
  job.create = !indexExists(folder);
  job.add = 1;
  std::string listName;
  if (o.positional.size() == 2) {
    copyField(job.toAdd.directory, sizeof job.toAdd.directory, absolute(o.positional[1]));
  } else if (o.positional.size() > 2) {
    listName = privateDir + "/FOLDERS" + std::to_string(getpid()) + ".TMP";
    std::FILE* f = std::fopen(listName.c_str(), "wb");
    if (!f) {
      std::fprintf(stderr, "lxr: cannot write %s\n", listName.c_str());
      return 1;
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
  int rc = runJob(job, "add");
  lxrsFreeStringSet(includes);
  lxrsFreeStringSet(excludes);
  if (!listName.empty()) std::remove(listName.c_str());
  return rc;
}

// A job on an index that must exist already: its record with the path set, then `setUp`
// chooses the action. The tool's exit code.
int existingIndexJob(const Options& o, const char* what, bool needsList,
                     const std::function<void(lxrIndexJob&)>& setUp) {
  if (o.positional.size() != 1 || (needsList && o.removeList.empty())) return 2;
  std::string folder = indexFolder(o.positional[0]);
  if (!indexExists(folder)) {
    std::fprintf(stderr, "lxr: there is no index in %s\n", folder.c_str());
    return 1;
  }
  lxrIndexJob job;
  LXR_INIT_RECORD(job);
  copyField(job.indexPath, sizeof job.indexPath, folder);
  setUp(job);
  return runJob(job, what);
}

int update(const Options& o) {
  return existingIndexJob(o, "update", false, [&](lxrIndexJob& job) {
    job.add = 1;  // with no files named: the folders and filters kept with the index
    job.removeDeleted = o.removeDeleted;
  });
}

int compress(const Options& o) {
  return existingIndexJob(o, "compress", false, [](lxrIndexJob& job) { job.compress = 1; });
}

int verify(const Options& o) {
  if (o.positional.size() != 1) return 2;
  std::string folder = indexFolder(o.positional[0]);
  Bar bar;
  bar.terminal = isatty(STDERR_FILENO) != 0;
  lxrJobBase job{};
  job.structSize = sizeof job;
  job.pReportCallBack = onVerifyProgress;
  job.pReportData = reinterpret_cast<uintptr_t>(&bar);
  struct sigaction action {}, previous {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  gInterrupts = 0;
  gCancelFlag = &job.cancelFlag;
  sigaction(SIGINT, &action, &previous);
  char failure[512] = "";
  int16_t result = 0;
  lxrsVerifyIndex(folder.c_str(), &job, failure, sizeof failure, &result);
  sigaction(SIGINT, &previous, nullptr);
  gCancelFlag = nullptr;
  if (bar.drawn) std::fprintf(stderr, "\r%-78s\r", "");
  // The engine's own messages say whether the index verified and what failed.
  if (result < 0 && gInterrupts > 0) std::fprintf(stderr, "lxr: verification stopped\n");
  return result < 0 ? 1 : 0;
}

int remove(const Options& o) {
  return existingIndexJob(o, "remove", true, [&](lxrIndexJob& job) {
    copyField(job.toRemoveListName, sizeof job.toRemoveListName, absolute(o.removeList));
    job.removeListed = 1;
  });
}

std::string dateText(const lxrDate& d) {
  if (d.century == 0 && d.year == 0 && d.month == 0) return "never";
  char text[32];
  std::snprintf(text, sizeof text, "%02u%02u-%02u-%02u %02u:%02u:%02u", d.century, d.year, d.month,
                d.day, d.hour, d.minute, d.second);
  return text;
}

int info(const Options& o) {
  if (o.positional.size() != 1) return 2;
  std::string folder = indexFolder(o.positional[0]);
  lxrIndexInfo i;
  LXR_INIT_RECORD(i);
  int16_t result = 0;
  if (lxrsGetIndexInfo(folder.c_str(), &i, &result) < 0) return 1;
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
  return 0;
}

int printWord(uintptr_t, const char* word, int32_t occurrences, int32_t documents) {
  std::printf("%-32s %10d %8d\n", word, occurrences, documents);
  return 0;
}

int words(const Options& o) {
  if (o.positional.size() != 1) return 2;
  std::string folder = indexFolder(o.positional[0]);
  int16_t result = 0;
  std::printf("%-32s %10s %8s\n", "word", "occurs", "docs");
  return lxrsListWords(folder.c_str(), o.match.c_str(), o.all, printWord, 0, &result) < 0 ? 1 : 0;
}

int printDocument(uintptr_t, const lxrDocumentInfo* d) {
  std::printf("%6d %s %10d %8d %s%s\n", d->docId, d->modDate, d->fileSize, d->wordCount, d->fileName,
              d->cancelled ? " (removed)" : "");
  return 0;
}

int files(const Options& o) {
  if (o.positional.size() != 1) return 2;
  std::string folder = indexFolder(o.positional[0]);
  int16_t result = 0;
  std::printf("%6s %-19s %10s %8s %s\n", "id", "date", "size", "words", "file");
  return lxrsListDocuments(folder.c_str(), o.all, printDocument, 0, &result) < 0 ? 1 : 0;
}

}  // namespace

bool handles(const std::string& command) {
  for (const char* c : {"create", "add", "update", "remove", "compress", "verify", "info", "words", "files"})
    if (command == c) return true;
  return false;
}

int run(const std::vector<std::string>& args, const std::string& privateDir) {
  Options o;
  if (args.empty() || !parse(args, &o)) return 2;
  const std::string& cmd = args[0];
  if (cmd == "create") return create(o);
  if (cmd == "add") return add(o, privateDir);
  if (cmd == "update") return update(o);
  if (cmd == "remove") return remove(o);
  if (cmd == "compress") return compress(o);
  if (cmd == "verify") return verify(o);
  if (cmd == "info") return info(o);
  if (cmd == "words") return words(o);
  if (cmd == "files") return files(o);
  return 2;
}

}  // namespace indexcommands
