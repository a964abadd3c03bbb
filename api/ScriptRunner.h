// The job script runner: reads a script's commands one by one, keeps the settings that SET
// changes, runs index and search jobs through the engine interface, writes listings and
// reports, checks results for regression tests, and logs everything to the log beside the
// script. Made per run and destroyed after it. Depends on api/ (the engine interface and its
// instance) and import/ (the script is read through the document importers).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "api/BuiltinCommands.h"
#include "api/ScriptOutputGuard.h"
#include "api/ScriptCommand.h"
#include "api/ScriptLog.h"
#include "api/ScriptReader.h"
#include "lexaurum/lexaurum.h"

class LexaurumInstance;

namespace script {

// The values SET changes.
struct ScriptSettings {
  bool header = true;
  bool detail = false;
  bool append = false;
  bool time = false;
  std::string indexName;
  std::string indexPath;  // ends in "/" when set
  std::vector<std::string> docPaths;
  std::vector<std::string> filters;
  std::vector<std::string> excludes;
};

class ScriptRunner {
 public:
  static constexpr uint32_t kValidTag = 0x5343524A;  // "JRCS"
  static constexpr size_t kMaxRequestBytes = 256;

  ScriptRunner(LexaurumInstance& engine, const std::string& scriptName);
  ~ScriptRunner();
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // Every log line is handed to `fn` as (data, 1, line) before it is written.
  void setEcho(EchoFn fn, uintptr_t data) { log_.setEcho(fn, data); }
  // A flag the caller may set while the script runs (from a signal handler too): it is
  // passed on to the running job as its cancel flag, and the script ends after that job.
  void setCancelSource(const volatile int32_t* flag) { cancelSource_ = flag; }
  // WINDOW hands its word to `fn` as (data, 0 normal / 1 max / 2 min / 3 hide) instead of
  // logging that it was ignored.
  using WindowFn = void (*)(uintptr_t data, int32_t show);
  void setWindowHandler(WindowFn fn, uintptr_t data) { windowFn_ = fn; windowData_ = data; }
  // Every progress report of a running job calls `fn` (may be null) as (data), before the
  // cancel source is read: a window lets its events run there.
  using ProgressFn = void (*)(uintptr_t data);
  void setProgressHandler(ProgressFn fn, uintptr_t data) { progressFn_ = fn; progressData_ = data; }
  // True after a run that ended at QUIT.
  bool quitRequested() const { return quitRequested_; }

  // Every file a command names is taken to be a file directly in `folder` (its name
  // flattened), and SYSTEM set changes no environment: for running untrusted scripts, such
  // as fuzzer input.
  void confineFilesTo(const std::string& folder);

  bool isValid() const { return tag_ == kValidTag && isValid_; }
  // Runs the script. 0 when every command succeeded, -1 otherwise (also when the script
  // cannot be read or is not a script).
  int run();

  const std::string& logName() const { return log_.name(); }
  const ScriptSettings& settings() const { return settings_; }
  int16_t sortType() const { return searchJob_.sortType; }

  // Writes a line to the log (the engine's messages reach the log through this while the
  // script runs); ignored when the runner is not valid.
  void logLine(const std::string& text);
  // Whether the script may write `name` (a full name), or delete it with `remove`; a refusal
  // is logged. The indexes the script names now are protected from here on.
  bool mayWrite(const std::string& name, OutputGuard::Use use = OutputGuard::Use::kWrite);
  // Counts an error the engine reported while a command ran.
  void noteError() { ++errorCount_; }

 private:
  // Dispatch; each returns 0 or -1 (the command failed).
  int execute(const ScriptCommand& cmd);
  int setCommand(const ScriptCommand& cmd);
  int createCommand(const ScriptCommand& cmd);
  int addCommand();
  int removeListedCommand(const ScriptCommand& cmd);
  int removeDeletedCommand();
  int compressCommand();
  int verifyCommand();
  int searchCommand(const ScriptCommand& cmd, bool unindexed);
  int listCommand(const ScriptCommand& cmd);
  int testCommand(const ScriptCommand& cmd);
  int reportCommand(const ScriptCommand& cmd);
  int optionCommand(const ScriptCommand& cmd);
  int systemCommand(const ScriptCommand& cmd);
  int windowCommand(const ScriptCommand& cmd);

  // Runs the index job with its action flags set; logs Begin/Done, clears the flags after.
  int runIndexJob(const char* description);
  // The index's folder: the index path, or the library's entry for the index name.
  std::string indexFolder() const;
  // Reports a missing index folder (message 181 or 54). False when there is one.
  bool indexPathMissing();
  // The redirection of a LIST or SEARCH command: the output file (the log when none) and
  // whether it is appended to.
  void redirection(const ScriptCommand& cmd, std::string* output, bool* append) const;
  // A file name of the script as a full name: relative names are taken from the script's
  // folder; the name is handed to the file system in its own character set.
  std::string fullName(const std::string& name) const;
  void testResult(bool passed, const std::string& commandText,
                  const std::vector<std::string>& failures);
  void makeGuard();
  // Writes `tempFile` (a listing made for the log) into the log and deletes it.
  void logAndDelete(const std::string& tempFile);
  std::string tempName(const char* stem) const;
  bool cancelled() const;

  static void progress(uintptr_t data, void* info);

  uint32_t tag_ = 0;
  LexaurumInstance& engine_;
  std::string scriptName_;
  std::string scriptFolder_;
  std::string confinedTo_;
  ScriptLog log_;
  lxrSearchJob searchJob_{};
  std::vector<std::string> searchIndexes_;
  lxrIndexJob indexJob_{};
  std::string filesListName_;
  ScriptReader reader_;
  ScriptSettings settings_;
  std::unique_ptr<BuiltinCommands> builtins_;
  std::unique_ptr<OutputGuard> guard_;
  const volatile int32_t* cancelSource_ = nullptr;
  WindowFn windowFn_ = nullptr;
  uintptr_t windowData_ = 0;
  ProgressFn progressFn_ = nullptr;
  uintptr_t progressData_ = 0;
  bool resultsSet_ = false;  // SET RESULTS named the results file
  bool quitRequested_ = false;
  bool abortRequested_ = false;
  bool isValid_ = false;
  int errorCount_ = 0;
};

}  // namespace script
