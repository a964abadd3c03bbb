// The job commands of a script: CREATE, ADD, REMOVELISTED, REMOVEDELETED, COMPRESS and VERIFY
// run index jobs through the engine interface; SEARCH and UNINDEXEDSEARCH run search jobs.
#include <cstdio>

#include "api/IndexLibrary.h"
#include "api/LexaurumInstance.h"
#include "api/ScriptRunner.h"
#include "import/ImportFile.h"
#include "objects/MessageTable.h"
#include "platform/Platform.h"

namespace script {

namespace {

constexpr int kIndexNotAccessibleMessage = 1;
constexpr int kNoIndexMessage = 54;
constexpr int kIndexNotInLibraryMessage = 181;

// A string set holding each text, or null when there are none. Freed by the caller.
StringSet* stringSetOf(const std::vector<std::string>& texts) {
  if (texts.empty()) return nullptr;
  StringSet* set = lxrsNewStringSet();
  for (const std::string& t : texts) lxrsStringSetAdd(set, t.c_str());
  return set;
}

// Writes the lines into `name`, replacing it. 0 or -1.
int writeLines(const std::string& name, const std::vector<std::string>& lines) {
  std::FILE* f = platform::openStream(name.c_str(), "wb");
  if (!f) return -1;
  bool ok = true;
  for (const std::string& l : lines) ok = ok && std::fprintf(f, "%s\n", l.c_str()) >= 0;
  return std::fclose(f) == 0 && ok ? 0 : -1;
}

template <size_t N>
void copyField(char (&field)[N], const std::string& text) {
  std::snprintf(field, N, "%s", text.c_str());
}

}  // namespace

std::string ScriptRunner::indexFolder() const {
  if (!settings_.indexPath.empty() || settings_.indexName.empty()) return settings_.indexPath;
  // An index named but given no folder: the library's entry of that name.
  const IndexLibrary& library = engine_.library();
  int at = library.find(settings_.indexName);
  return at > 0 ? library.entry(static_cast<size_t>(at - 1))->path : "";
}

bool ScriptRunner::indexPathMissing() {
  if (!indexFolder().empty()) return false;
  if (!settings_.indexName.empty())
    engine_.reporter().error(messages::text(kIndexNotInLibraryMessage, {settings_.indexName}));
  else
    engine_.reporter().error(messages::text(kNoIndexMessage));
  return true;
}

int ScriptRunner::runIndexJob(const char* description) {
  copyField(indexJob_.indexName, settings_.indexName);
  copyField(indexJob_.indexPath, indexFolder());
  indexJob_.base.structSize = sizeof indexJob_;
  indexJob_.base.pReportCallBack = progress;
  indexJob_.base.pReportData = reinterpret_cast<uintptr_t>(this);
  indexJob_.base.cancelFlag = cancelSource_ ? *cancelSource_ : 0;
  if (settings_.time) log_.timed(std::string("Begin ") + description);
  int16_t result = 0;
  lxrsDoIndexJob(&indexJob_, &result);
  if (settings_.time) log_.timed(std::string("Done ") + description);

  indexJob_.create = indexJob_.add = indexJob_.compress = 0;
  indexJob_.removeListed = indexJob_.removeDeleted = 0;
  lxrsFreeStringSet(indexJob_.toAdd.includeFilters);
  lxrsFreeStringSet(indexJob_.toAdd.excludeFilters);
  indexJob_.toAdd = lxrFileSpec{};
  indexJob_.toRemoveListName[0] = '\0';
  if (indexJob_.base.cancelFlag != 0) {
    logLine("Script aborted by user request");
    abortRequested_ = true;
  }
  return result < 0 ? -1 : 0;
}

int ScriptRunner::createCommand(const ScriptCommand& cmd) {
  indexJob_.create = 1;
  indexJob_.caseSensitive = cmd.has(Keyword::kCase, 1) ? 1 : 0;
  indexJob_.accentSensitive = cmd.has(Keyword::kAccent, 1) ? 1 : 0;
  indexJob_.relativePaths = engine_.setup().relativePaths ? 1 : 0;
  indexJob_.addToLibrary = 1;
  log_.linef("Creating index:    %s", settings_.indexName.c_str());
  log_.linef("                   %s", indexFolder().c_str());
  return runIndexJob("creating index");
}

int ScriptRunner::addCommand() {
  if (indexPathMissing()) return -1;
  indexJob_.add = 1;
  logLine("Adding documents to index");
  log_.linef("  Index:           %s\r\n                   %s\r\n", settings_.indexName.c_str(),
             indexFolder().c_str());
  // Without document folders the index's own folders and filters are indexed again.
  if (!settings_.docPaths.empty()) {
    filesListName_ = tempName("SCRIPTD");
    if (writeLines(filesListName_, settings_.docPaths) < 0) {
      engine_.reporter().error(messages::text(kIndexNotAccessibleMessage, {settings_.indexName, indexFolder()}));
      indexJob_.add = 0;
      platform::removeFile(filesListName_.c_str());
      return -1;
    }
    copyField(indexJob_.toAdd.directoryListName, filesListName_);
  }
  // The patterns are handed over as one text each, joined with blanks, as typed.
  auto joined = [](const std::vector<std::string>& words) {
    std::string all;
    for (const std::string& w : words) all += (all.empty() ? "" : " ") + w;
    return all.empty() ? std::vector<std::string>{} : std::vector<std::string>{all};
  };
  indexJob_.toAdd.includeFilters = stringSetOf(joined(settings_.filters));
  indexJob_.toAdd.excludeFilters = stringSetOf(joined(settings_.excludes));
  int rc = runIndexJob("adding documents");
  if (!filesListName_.empty()) platform::removeFile(filesListName_.c_str());
  filesListName_.clear();
  return rc;
}

int ScriptRunner::removeListedCommand(const ScriptCommand& cmd) {
  if (indexPathMissing()) return -1;
  if (cmd.size() < 2) {
    logLine("*** REMOVELISTED needs the name of the list of files to remove");
    return -1;
  }
  std::string list = fullName(cmd.word(1));
  indexJob_.removeListed = 1;
  copyField(indexJob_.toRemoveListName, list);
  log_.linef("Remove listed:     %s", settings_.indexName.c_str());
  log_.linef("                   %s", indexFolder().c_str());
  log_.linef("Files to remove: %s", list.c_str());
  return runIndexJob("removing listed files");
}

int ScriptRunner::removeDeletedCommand() {
  if (indexPathMissing()) return -1;
  log_.linef("Removing deleted files in: %s", settings_.indexName.c_str());
  log_.linef("                           %s", indexFolder().c_str());
  indexJob_.removeDeleted = 1;
  return runIndexJob("removing deleted files");
}

int ScriptRunner::compressCommand() {
  if (indexPathMissing()) return -1;
  log_.linef("Compressing index: %s", settings_.indexName.c_str());
  log_.linef("                   %s", indexFolder().c_str());
  indexJob_.compress = 1;
  return runIndexJob("compressing index");
}

int ScriptRunner::verifyCommand() {
  if (indexPathMissing()) return -1;
  log_.linef("Verifying index:   %s", settings_.indexName.c_str());
  log_.linef("                   %s", indexFolder().c_str());
  logLine("Begin verifying index");
  char failure[512] = "";
  int16_t result = 0;
  lxrsVerifyIndex(indexFolder().c_str(), nullptr, failure, sizeof failure, &result);
  std::vector<std::string> failures;
  if (result < 0) failures.push_back(failure[0] ? failure : "The index does not verify");
  testResult(result == 0, "VERIFY", failures);
  logLine("Done verifying index");
  return result < 0 ? -1 : 0;
}

int ScriptRunner::searchCommand(const ScriptCommand& cmd, bool unindexed) {
  std::string request(searchJob_.request, strnlen(searchJob_.request, sizeof searchJob_.request));
  log_.linef("Searching for: %s", request.c_str());
  if (settings_.time) log_.timed("Begin search");

  const EngineSetup& setup = engine_.setup();
  searchJob_.searchParameter = static_cast<int16_t>(setup.searchParameter);
  searchJob_.searchFlags = static_cast<int16_t>(
      (setup.searchOptions.fuzzySearching ? LXR_SEARCH_FUZZY : 0) |
      (setup.searchOptions.phonicSearching ? LXR_SEARCH_PHONIC : 0) |
      (setup.searchOptions.autoStemming ? LXR_SEARCH_STEMMING : 0));
  searchJob_.fuzziness = static_cast<int16_t>(setup.searchOptions.fuzziness);

  // The listing: a redirection names it; without one it goes where SET LISTING said, or,
  // when nothing was said, into the log.
  std::string output;
  bool append = false;
  redirection(cmd, &output, &append);
  const std::string savedListing = searchJob_.listingName;
  std::string logListing;
  if (output.empty()) {
    if (savedListing.empty()) logListing = tempName("SCRIPTL");
    output = savedListing.empty() ? logListing : savedListing;
  }
  if (logListing.empty() && !mayWrite(output)) return -1;
  if (resultsSet_ && !mayWrite(searchJob_.resultsName, OutputGuard::Use::kResults)) return -1;
  copyField(searchJob_.listingName, output);
  int flags = append ? LXR_LIST_APPEND : 0;
  if (cmd.has(Keyword::kHeader, 1)) flags |= LXR_LIST_HEADER;
  if (cmd.has(Keyword::kHits, 1)) flags |= LXR_LIST_HITS;
  if (cmd.has(Keyword::kDetail, 1)) flags |= LXR_LIST_DETAIL;
  if (cmd.has(Keyword::kCount, 1)) flags |= LXR_LIST_COUNTS_ONLY;
  if (!logListing.empty()) flags &= ~LXR_LIST_APPEND;
  searchJob_.listingFlags = flags;

  std::string dirList;
  StringSet* indexes = nullptr;
  if (unindexed) {
    dirList = tempName("SCRIPTU");
    writeLines(dirList, settings_.docPaths);
    searchJob_.filesToSearch = lxrFileSpec{};
    searchJob_.filesToSearch.includeFilters = stringSetOf(settings_.filters);
    searchJob_.filesToSearch.excludeFilters = stringSetOf(settings_.excludes);
    copyField(searchJob_.filesToSearch.directoryListName, dirList);
    searchJob_.searchIndexes = 0;
    searchJob_.searchFiles = 1;
  } else {
    std::vector<std::string> folders = searchIndexes_;
    if (folders.empty() && !indexFolder().empty()) folders.push_back(indexFolder());
    indexes = stringSetOf(folders);
    searchJob_.indexesToSearch = indexes;
    searchJob_.searchIndexes = 1;
    searchJob_.searchFiles = 0;
  }
  searchJob_.base.structSize = sizeof searchJob_;
  searchJob_.base.pReportCallBack = progress;
  searchJob_.base.pReportData = reinterpret_cast<uintptr_t>(this);
  searchJob_.base.cancelFlag = cancelSource_ ? *cancelSource_ : 0;

  const int errorsBefore = errorCount_;
  int16_t result = 0;
  lxrsDoSearchJob(&searchJob_, &result);
  const bool failed = result < 0 && errorCount_ != errorsBefore;

  if (unindexed) {
    lxrsFreeStringSet(searchJob_.filesToSearch.includeFilters);
    lxrsFreeStringSet(searchJob_.filesToSearch.excludeFilters);
    searchJob_.filesToSearch = lxrFileSpec{};
    platform::removeFile(dirList.c_str());
  }
  searchJob_.indexesToSearch = nullptr;
  lxrsFreeStringSet(indexes);
  copyField(searchJob_.listingName, savedListing);
  if (!logListing.empty()) {
    if (platform::fileExists(logListing.c_str())) logAndDelete(logListing);
  }
  log_.linef("Retrieved: %ld hits in %ld files", static_cast<long>(searchJob_.totalHits),
             static_cast<long>(searchJob_.totalFiles));
  if (settings_.time) log_.timed("Done search");
  if (searchJob_.base.cancelFlag != 0) {
    logLine("Script aborted by user request");
    abortRequested_ = true;
  }
  return failed ? -1 : 0;
}

}  // namespace script
