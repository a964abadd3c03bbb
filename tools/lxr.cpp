// lxr: the command-line front end of the engine. It reads the global options, answers help
// and version by itself, initialises the engine in a private folder (--dir, else $LXRDIR,
// else the default), runs one command and shuts down. `lxr --help` and docs/lxr.1 list the
// commands; tools/HelpPages.cpp holds their text; tools/ExitCodes.h the exit statuses.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "api/Folders.h"
#include "lexaurum/lexaurum.h"
#include "objects/MessageTable.h"
#include "platform/Platform.h"
#include "tools/EngineMessages.h"
#include "tools/ExitCodes.h"
#include "tools/CompleteCommand.h"
#include "tools/ExplainCommand.h"
#include "tools/HelpText.h"
#include "tools/IndexCommands.h"
#include "tools/RemoteCommand.h"
#include "tools/RunCommand.h"
#include "tools/SearchCommand.h"
#include "tools/SearchRun.h"
#include "tools/SettingsCommands.h"
#include "tools/ShowCommand.h"
#include "tools/TextCommand.h"
#include "tools/ToolSupport.h"
#include "tools/WatchCommands.h"

namespace {

// A usage error of `command`: its forms and where its help is, on standard error.
int usageError(const std::string& command) {
  const helptext::Page* page = helptext::find(command);
  if (page) std::fputs(helptext::shortUsage(*page).c_str(), stderr);
  else std::fputs("Run 'lxr --help' for the commands.\n", stderr);
  return exitcodes::kUsage;
}

int showVersion() {
  int16_t major = 0, minor = 0;
  lxrVersion(&major, &minor);
  std::printf("lxr (Lexaurum) %d.%d\n", major, minor);
  return exitcodes::kDone;
}

// lxr help [COMMAND | --man].
int help(const std::vector<std::string>& args) {
  if (args.size() <= 1) {
    std::fputs(helptext::usage().c_str(), stdout);
    return exitcodes::kDone;
  }
  if (args[1] == "--man") {
    std::fputs(helptext::manPage().c_str(), stdout);
    return exitcodes::kDone;
  }
  const helptext::Page* page = helptext::find(args[1]);
  if (!page) {
    std::fprintf(stderr, "lxr: there is no command '%s'\n", args[1].c_str());
    return usageError("");
  }
  std::fputs(helptext::page(*page).c_str(), stdout);
  return exitcodes::kDone;
}

// Set when another process holds the private folder: this run works in a temporary copy of
// its settings, and commands that change the shared settings refuse.
bool gBorrowedFolder = false;
std::string gSharedDir;
std::string gPrivateDir;  // the folder the engine runs in

int refuseSharedChange() {
  std::fprintf(stderr,
               "lxr: the private folder %s is in use by another Lexaurum process; the options "
               "and the index library cannot be changed until it ends\n",
               gSharedDir.c_str());
  return exitcodes::kBusy;
}

// Makes a temporary private folder holding copies of the shared folder's settings.
std::string borrowSettings(const std::string& sharedDir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path temp = fs::temp_directory_path(ec);
  if (ec) return "";
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path dir = temp / ("lexaurum-" + std::to_string(platform::processId()) + "-" + std::to_string(attempt));
    if (!fs::create_directory(dir, ec) || ec) continue;
    for (const char* name : {"OPTIONS.DAT", "IXLIB.ILB"})
      fs::copy_file(fs::path(sharedDir) / name, dir / name, ec);  // a missing one stays missing
    return dir.string();
  }
  return "";
}

// A command's own result, or its usage when the arguments fit none of its forms.
int orUsage(int rc, const std::string& command, int badArguments) {
  return rc == badArguments ? usageError(command) : rc;
}

int runCommand(const std::vector<std::string>& args) {
  const std::string& cmd = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (cmd == "text") return orUsage(textcommand::run(rest), cmd, textcommand::kBadArguments);
  if (cmd == "run") return orUsage(runcommand::run(rest), cmd, runcommand::kBadArguments);
  if (cmd == "explain") return orUsage(explaincommand::run(rest), cmd, explaincommand::kBadArguments);
  if (cmd == "search") return orUsage(searchcommand::run(rest, gPrivateDir), cmd, searchrun::kBadArguments);
  if (cmd == "show") return orUsage(showcommand::run(rest, gPrivateDir), cmd, searchrun::kBadArguments);
  if (indexcommands::handles(cmd)) {
    if (gBorrowedFolder && cmd == "create") return refuseSharedChange();
    return orUsage(indexcommands::run(args, gPrivateDir, explaincommand::checkPattern), cmd,
                   indexcommands::kBadArguments);
  }
  if (watchcommands::handles(cmd)) return orUsage(watchcommands::run(args, gPrivateDir), cmd, watchcommands::kBadArguments);
  if (cmd == "options" || cmd == "library") {
    if (gBorrowedFolder && settingscommands::changesSettings(args)) return refuseSharedChange();
    return orUsage(settingscommands::run(args), cmd, settingscommands::kBadArguments);
  }
  std::fprintf(stderr, "lxr: unknown command '%s'\n", cmd.c_str());
  return usageError("");
}

constexpr int kInitAttempts = 20;

// Initialises the engine in the private folder `dir` (or its default), beside a process that
// holds it when need be, or always beside it with `leaveFree` (a command that runs for long).
// The exit code.
int start(const std::string& dir, const std::string& home, lxrInitInfo* info, std::string* borrowed, bool leaveFree) {
  LXR_INIT_RECORD(*info);
  toolsupport::copyField(info->privateDir, sizeof info->privateDir, dir);
  toolsupport::copyField(info->homeDir, sizeof info->homeDir, home);
  enginemessages::install(info);
  int16_t result = 0;
  std::string privateDir = folders::choosePrivateDir(dir);
  bool failed = leaveFree || lxrsDoInit(info, &result) < 0;
  if (leaveFree) {
    result = -1;
    info->errorCode = LXR_INIT_PRIVATE_DIR;
  }
  for (int attempt = 0; failed && info->errorCode == LXR_INIT_PRIVATE_DIR; ++attempt) {
    if (leaveFree || std::filesystem::exists(privateDir + "/IN_USE.TMP")) {
      // Another process holds the folder (or this command leaves it free): work beside it in
      // a temporary copy.
      *borrowed = borrowSettings(privateDir);
      if (!borrowed->empty()) {
        gBorrowedFolder = true;
        gSharedDir = privateDir;
        toolsupport::copyField(info->privateDir, sizeof info->privateDir, *borrowed);
        lxrsDoInit(info, &result);
      }
      break;
    }
    // No lock file: the holder that refused us has let go since, or the folder is unusable.
    // A few more tries tell the two apart.
    if (attempt >= kInitAttempts) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1 + attempt));
    failed = lxrsDoInit(info, &result) < 0;
  }
  if (result < 0) {
    if (info->errorCode == LXR_INIT_FILE_MISSING) {
      std::fprintf(stderr, "lxr: Lexaurum could not initialize because a necessary file is missing. Please "
                           "re-install Lexaurum to restore the missing file.\n");
    } else if (info->errorCode == LXR_INIT_PRIVATE_DIR) {
      std::fprintf(stderr, "lxr: the private folder %s could not be used (it cannot be made, or another "
                           "process holds it)\n", privateDir.c_str());
    } else {
      std::fprintf(stderr, "lxr: Lexaurum could not initialize\n");
    }
    if (info->errorText && *info->errorText) std::fprintf(stderr, "%s\n", info->errorText);
    return info->errorCode == LXR_INIT_PRIVATE_DIR ? exitcodes::kBusy : exitcodes::kIoError;
  }
  gPrivateDir = borrowed->empty() ? privateDir : *borrowed;
  return exitcodes::kDone;
}

int runLxr(int argc, char** argv) {
  std::string dir, home, log;
  std::vector<std::string> args;
  bool helpAsked = false, versionAsked = false, optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "lxr: %s needs a value\n", a.c_str());
        return false;
      }
      *out = argv[++i];
      return true;
    };
    // The global options may stand anywhere before a "--"; --help and --version too.
    if (!optionsDone && a == "--") {
      optionsDone = true;
      args.push_back(a);
    } else if (!optionsDone && (a == "--dir" || a == "-dir")) {
      if (!value(&dir)) return usageError("");
    } else if (!optionsDone && a == "--home") {
      if (!value(&home)) return usageError("");
    } else if (!optionsDone && a == "--log") {
      if (!value(&log)) return usageError("");
    } else if (!optionsDone && (a == "--help" || a == "-h")) {
      helpAsked = true;
    } else if (!optionsDone && (a == "--version" || a == "-V")) {
      versionAsked = true;
    } else if (args.empty() && a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "lxr: unknown option '%s'\n", a.c_str());
      return usageError("");
    } else {
      args.push_back(a);
    }
  }
  if (helpAsked) return help(args.empty() || args[0] == "help" ? args : std::vector<std::string>{"help", args[0]});
  if (versionAsked || (!args.empty() && args[0] == "version" && args.size() == 1)) return showVersion();
  if (args.empty()) {
    std::fputs(helptext::usage().c_str(), stderr);
    return exitcodes::kUsage;
  }
  // Needs no engine: it talks to a running desktop program.
  if (args[0] == "remote")
    return remotecommand::run({args.begin() + 1, args.end()}, folders::choosePrivateDir(dir));
  if (args[0] == "help") return help(args);
  // Needs no engine either: the shell completion asks it for commands, options and names.
  if (args[0] == "complete") {
    int rc = completecommand::run({args.begin() + 1, args.end()}, folders::choosePrivateDir(dir));
    return rc == completecommand::kBadArguments ? usageError("") : rc;
  }
  if (!log.empty()) lxrsDebugLog(log.c_str());

  lxrInitInfo info;
  std::string borrowed;
  int rc = start(dir, home, &info, &borrowed, watchcommands::leavesPrivateFolder(args[0]));
  if (rc != exitcodes::kDone) return rc;
  rc = runCommand(args);
  int16_t result = 0;
  lxrsDoShutDown(&result);
  if (!borrowed.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(borrowed, ec);
  }
  return rc;
}

}  // namespace

// Output that could not be written (a closed pipe, a full disk) is a failure, not a done
// command: a script reading the output would otherwise take a cut list for the whole.
int main(int argc, char** argv) {
  int rc = runLxr(argc, argv);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "lxr: standard output could not be written: %s\n", std::strerror(errno));
    if (rc == exitcodes::kDone || rc == exitcodes::kNothing) rc = exitcodes::kIoError;
  }
  return rc;
}
