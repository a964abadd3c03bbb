// Running a job script: the run loop, the dispatch of commands, SET, and the routing of the
// engine's messages into the script's log. The index, search, listing and test commands are
// in ScriptJobs.cpp and ScriptOutput.cpp.
#include "api/ScriptRunner.h"

#include <cstdio>

#include "api/ErrorReporter.h"
#include "api/IndexLibrary.h"
#include "api/LexaurumInstance.h"
#include "import/ImportFile.h"
#include "objects/MessageTable.h"
#include "objects/Reporter.h"
#include "platform/Platform.h"
#include "search/RequestExplainer.h"

namespace script {

namespace {

constexpr int kScriptNotFoundMessage = 14;
constexpr int kNotAScriptMessage = 70;
constexpr int kLibraryMessage = 50;

// Routes the engine's messages into the runner's log while it lives: failures count as
// errors of the script, and questions are logged and answered yes, since nobody watches a
// script. The engine's reporter and the error reporter's listener are restored after.
class MessageRouting : public Reporter {
 public:
  MessageRouting(ScriptRunner* runner, LexaurumInstance& engine) : runner_(runner), engine_(engine) {
    outer_ = engine_.setReporter(this);
    saved_ = apierror::setListener([runner](const std::string& line) {
      runner->noteError();
      runner->logLine(line);
    });
  }
  ~MessageRouting() override {
    engine_.setReporter(outer_);
    apierror::setListener(std::move(saved_));
  }
  // A message's tag is not for reading.
  void error(const std::string& text) override {
    runner_->noteError();
    runner_->logLine(messages::displayText(text.c_str()));
  }
  void info(const std::string& text) override { runner_->logLine(messages::displayText(text.c_str())); }
  bool ask(const std::string& question, bool) override {
    runner_->logLine(question);
    runner_->logLine("(Answer: Yes)");
    return true;
  }

 private:
  ScriptRunner* runner_;
  LexaurumInstance& engine_;
  Reporter* outer_ = nullptr;
  apierror::Listener saved_;
};

std::string folderOf(const std::string& name) {
  size_t slash = name.rfind('/');
  if (slash == std::string::npos) return platform::currentDirectory();
  if (slash == 0) return "/";
  std::string folder = name.substr(0, slash);
  if (folder[0] != '/') folder = platform::currentDirectory() + "/" + folder;
  return folder;
}

}  // namespace

ScriptRunner::ScriptRunner(LexaurumInstance& engine, const std::string& scriptName)
    : engine_(engine),
      scriptName_(scriptName),
      scriptFolder_(folderOf(scriptName)),
      reader_(engine.viewers(), engine.alphabet()) {
  searchJob_.base.structSize = sizeof searchJob_;
  searchJob_.sortType = LXR_SORT_BY_SCORE;
  indexJob_.base.structSize = sizeof indexJob_;
  builtins_ = std::make_unique<BuiltinCommands>(
      [this](const std::string& name) { return fullName(name); },
      [this](const std::string& line) { logLine(line); },
      [this](const std::string& name, bool remove) {
        return mayWrite(name, remove ? OutputGuard::Use::kRemove : OutputGuard::Use::kWrite);
      });
  makeGuard();
  tag_ = kValidTag;
  isValid_ = !scriptName_.empty();
}

ScriptRunner::~ScriptRunner() { tag_ = 0; }

void ScriptRunner::logLine(const std::string& text) {
  if (tag_ != kValidTag) return;
  log_.line(text);
}

void ScriptRunner::confineFilesTo(const std::string& folder) {
  confinedTo_ = folder;
  builtins_->setEnvironmentWrites(false);
  makeGuard();
}

void ScriptRunner::makeGuard() {
  const EngineSetup& setup = engine_.setup();
  std::vector<std::string> folders = {scriptFolder_, engine_.privateDir(), confinedTo_};
  bool anywhere = false;
  const std::string& more = setup.scriptOutputFolders;
  for (size_t at = 0; at <= more.size();) {
    size_t end = more.find(';', at);
    if (end == std::string::npos) end = more.size();
    std::string f = more.substr(at, end - at);
    while (!f.empty() && (f.front() == ' ' || f.front() == '\t')) f.erase(f.begin());
    while (!f.empty() && (f.back() == ' ' || f.back() == '\t')) f.pop_back();
    if (f == "*") anywhere = true;
    else if (!f.empty()) folders.push_back(f);
    at = end + 1;
  }
  guard_ = std::make_unique<OutputGuard>(engine_.viewers(), folders, anywhere, setup.scriptChangesDocuments);
}

bool ScriptRunner::mayWrite(const std::string& name, OutputGuard::Use use) {
  guard_->noteIndex(indexFolder());
  for (const std::string& folder : searchIndexes_) guard_->noteIndex(folder);
  std::string why;
  if (guard_->allows(name, use, &why)) return true;
  logLine(std::string("*** Refused to ") + (use == OutputGuard::Use::kRemove ? "delete " : "write ") + name +
          ": " + why);
  return false;
}

std::string ScriptRunner::fullName(const std::string& name) const {
  std::string n = reader_.wasUtf8() ? requestexplainer::toUtf8(name) : name;
  if (!confinedTo_.empty()) {
    std::string flat;
    for (char c : n.substr(0, 64)) flat += (c == '/' || c == '\\' || c == '\0') ? '_' : c;
    if (flat.empty() || flat[0] == '.') flat = "_" + flat;
    return confinedTo_ + "/" + flat;
  }
  if (n.empty() || n[0] == '/') return n;
  return scriptFolder_ + "/" + n;
}

bool ScriptRunner::cancelled() const {
  return indexJob_.base.cancelFlag != 0 || searchJob_.base.cancelFlag != 0 ||
         (cancelSource_ && *cancelSource_ != 0);
}

void ScriptRunner::progress(uintptr_t data, void* info) {
  auto* runner = reinterpret_cast<ScriptRunner*>(data);
  if (!runner || runner->tag_ != kValidTag) return;
  if (runner->progressFn_) runner->progressFn_(runner->progressData_);  // Cancel may be pressed here
  if (!runner->cancelSource_) return;
  int32_t flag = *runner->cancelSource_;
  if (flag == 0) return;
  runner->indexJob_.base.cancelFlag = flag;
  runner->searchJob_.base.cancelFlag = flag;
  // A search asks whether to stop: the answer is yes.
  auto* search = static_cast<lxrSearchProgressInfo*>(info);
  if (search && search->structSize == static_cast<int32_t>(sizeof *search) &&
      search->statusCode == LXR_PROGRESS_STOP_QUERY)
    search->answer = -1;
}

int ScriptRunner::run() {
  if (!isValid()) return -1;
  MessageRouting routing(this, engine_);
  log_.start(ScriptLog::nameFor(scriptName_));
  platform::setEnv("LOG", log_.name().c_str());
  logLine("-----------------------------------------------------------\r\nExecuting script file " +
          scriptName_ + "  \r\n-----------------------------------------------------------");
  logLine(ScriptLog::now());

  bool failed = false;
  std::string text;
  if (reader_.open(scriptName_) < 0) {
    engine_.reporter().error(messages::text(kScriptNotFoundMessage, {scriptName_}));
    failed = true;
  } else {
    int rc = reader_.next(&text);
    ScriptCommand first(text);
    const bool isScript = rc == 1 && first.size() == 2 &&
                          first.keyword(0) == Keyword::kLexaurum &&
                          first.keyword(1) == Keyword::kScript;
    if (!isScript) {
      engine_.reporter().error(messages::text(kNotAScriptMessage, {scriptName_}));
      failed = true;
    }
    while (isScript && !quitRequested_ && !abortRequested_) {
      rc = reader_.next(&text);
      if (rc == 0) break;
      if (rc < 0) {
        logLine("*** Unable to read the script: " + reader_.errorText());
        failed = true;
        break;
      }
      ScriptCommand cmd(text);
      logLine(">> " + text);
      if (cmd.wordsDropped())
        logLine("*** The command has more than 1000 words; the rest are ignored");
      if (execute(cmd) < 0) {
        logLine("*** Error executing command ***");
        failed = true;
      }
      if (!abortRequested_ && cancelled()) {
        logLine("Script aborted by user request");
        abortRequested_ = true;
      }
    }
    if (abortRequested_) failed = true;
    reader_.close();
  }
  logLine("Execution ended at: " + ScriptLog::now());
  return failed ? -1 : 0;
}

int ScriptRunner::execute(const ScriptCommand& cmd) {
  switch (cmd.keyword(0)) {
    case Keyword::kSet: return setCommand(cmd);
    case Keyword::kCreate: return createCommand(cmd);
    case Keyword::kAdd: return addCommand();
    case Keyword::kRemoveListed: return removeListedCommand(cmd);
    case Keyword::kRemoveDeleted: return removeDeletedCommand();
    case Keyword::kCompress: return compressCommand();
    case Keyword::kVerify: return verifyCommand();
    case Keyword::kSearch: return searchCommand(cmd, false);
    case Keyword::kUnindexedSearch: return searchCommand(cmd, true);
    case Keyword::kList: return listCommand(cmd);
    case Keyword::kTest: return testCommand(cmd);
    case Keyword::kReport: return reportCommand(cmd);
    case Keyword::kOption: return optionCommand(cmd);
    case Keyword::kSystem: return systemCommand(cmd);
    case Keyword::kWindow: return windowCommand(cmd);
    case Keyword::kQuit: quitRequested_ = true; return 0;
    default: return 0;  // a comment, or a word that begins no command: skipped
  }
}

int ScriptRunner::setCommand(const ScriptCommand& cmd) {
  auto wordsFrom = [&cmd](size_t first, bool names, const ScriptRunner* self) {
    std::vector<std::string> out;
    for (size_t i = first; i < cmd.size(); ++i)
      out.push_back(names ? self->fullName(cmd.word(i)) : cmd.word(i));
    return out;
  };
  const std::string value = cmd.restAfter(1);
  switch (cmd.keyword(1)) {
    case Keyword::kIndexName:
      settings_.indexName = value;
      return 0;
    case Keyword::kIndexPath:
      settings_.indexPath = value.empty() ? "" : fullName(value);
      if (!settings_.indexPath.empty() && settings_.indexPath.back() != '/')
        settings_.indexPath += '/';
      guard_->noteIndex(settings_.indexPath);
      return 0;
    case Keyword::kDocPath:
      settings_.docPaths = wordsFrom(2, true, this);
      return 0;
    case Keyword::kFilter:
      settings_.filters = wordsFrom(2, false, this);
      return 0;
    case Keyword::kExclude:
      settings_.excludes = wordsFrom(2, false, this);
      return 0;
    case Keyword::kLib: {
      IndexLibrary& library = engine_.library();
      std::string file = fullName(value);
      if (!value.empty() && (library.switchTo(file) == 0 || library.create(file, true) == 0))
        return 0;
      engine_.reporter().error(messages::text(kLibraryMessage, {file}));
      return -1;
    }
    case Keyword::kRequest: {
      std::string request = value.substr(0, kMaxRequestBytes);
      std::snprintf(searchJob_.request, sizeof searchJob_.request, "%s", request.c_str());
      return 0;
    }
    case Keyword::kIndexes: {
      searchIndexes_.clear();
      IndexLibrary& library = engine_.library();
      for (size_t i = 2; i < cmd.size(); ++i) {
        int at = library.find(cmd.word(i));
        std::string folder = at > 0 ? library.entry(static_cast<size_t>(at - 1))->path
                                    : fullName(cmd.word(i));
        searchIndexes_.push_back(confinedTo_.empty() ? folder : fullName(folder));
        guard_->noteIndex(searchIndexes_.back());
      }
      searchJob_.searchIndexes = 1;
      return 0;
    }
    case Keyword::kResults:
      resultsSet_ = !value.empty();
      std::snprintf(searchJob_.resultsName, sizeof searchJob_.resultsName, "%s",
                    value.empty() ? "" : fullName(value).c_str());
      return 0;
    case Keyword::kListing:
      std::snprintf(searchJob_.listingName, sizeof searchJob_.listingName, "%s",
                    value.empty() ? "" : fullName(value).c_str());
      return 0;
    case Keyword::kSort: {
      int sort = searchJob_.sortType;
      for (size_t i = 2; i < cmd.size(); ++i) {
        switch (cmd.keyword(i)) {
          case Keyword::kHits: sort = LXR_SORT_BY_SCORE; break;
          case Keyword::kName: sort = LXR_SORT_BY_NAME | LXR_SORT_ASCENDING; break;
          case Keyword::kDate: sort = LXR_SORT_BY_DATE; break;
          case Keyword::kNoSort: sort = LXR_SORT_NONE; break;
          case Keyword::kAscending: sort |= LXR_SORT_ASCENDING; break;
          case Keyword::kDescending: sort &= ~LXR_SORT_ASCENDING; break;
          default: break;
        }
      }
      searchJob_.sortType = static_cast<int16_t>(sort);
      return 0;
    }
    case Keyword::kDetail:
      settings_.detail = cmd.keyword(2) == Keyword::kYes;
      return 0;
    case Keyword::kHeader:
      settings_.header = cmd.keyword(2) == Keyword::kYes;
      return 0;
    case Keyword::kAppend:
      settings_.append = cmd.keyword(2) == Keyword::kYes;
      return 0;
    case Keyword::kTime:
      settings_.time = cmd.keyword(2) == Keyword::kYes;
      return 0;
    case Keyword::kArchive:
      logLine("*** SET ARCHIVE is not supported");
      return -1;
    default:
      logLine("*** Unrecognized option: \"" + cmd.text() + "\"");
      return -1;
  }
}

std::string ScriptRunner::tempName(const char* stem) const {
  return engine_.privateFile(std::string(stem) + std::to_string(platform::processId()) + ".TMP");
}

void ScriptRunner::testResult(bool passed, const std::string& commandText,
                              const std::vector<std::string>& failures) {
  logLine(std::string("]]]") + (passed ? "Test PASSED: " : "Test >>> FAILED <<<: ") + commandText);
  for (const std::string& f : failures) logLine("]]]     " + f);
}

}  // namespace script
