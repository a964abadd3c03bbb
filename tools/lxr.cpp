// lxr: the command-line front end of the engine. It initialises the engine in a private
// folder (--dir, else $LXRDIR, else the default), runs one command and shuts down.
//
//   lxr [--dir DIR] [--home DIR] [--log FILE] COMMAND ...
//   lxr options                         show the options
//   lxr options set NAME VALUE          change one option (binaryFiles, hyphens,
//                                       alphabetName, indexNumbers)
//   lxr library list                    list the index library
//   lxr library add NAME PATH           add an index to the library
//   lxr library remove NAME             remove an index from the library
//   lxr text [--type] FILE              print a document's text (or its format)
//   lxr create INDEX [--name NAME] [--case] [--accent] [--relative-paths]
//   lxr add INDEX FOLDER... [--include PATTERN]... [--exclude PATTERN]... [--files-list FILE]
//   lxr update INDEX [--remove-deleted]
//   lxr remove INDEX --list FILE
//   lxr compress INDEX / lxr verify INDEX
//   lxr info INDEX / lxr words INDEX [--match PATTERN] [--all] / lxr files INDEX [--all]
//   lxr search REQUEST INDEX... [--files FOLDER [--include P]... [--exclude P]...] [options]
//   lxr show FILE --request REQUEST [--index INDEX] [--hit-lines] [--width N] [word options]
//   lxr explain [--fuzzy N] [--phonic] [--stemming] [--synonyms] [--natural] REQUEST
//   lxr version
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "api/DllInterface.h"
#include "api/Folders.h"
#include "api/IndexLibrary.h"
#include "lexaurum/lexaurum.h"
#include "objects/MessageTable.h"
#include "platform/Platform.h"
#include "tools/ExplainCommand.h"
#include "tools/IndexCommands.h"
#include "tools/RemoteCommand.h"
#include "tools/RunCommand.h"
#include "tools/SearchCommand.h"
#include "tools/SearchRun.h"
#include "tools/ShowCommand.h"
#include "tools/TextCommand.h"

namespace {

void showError(const char* text) { std::fprintf(stderr, "lxr: %s\n", messages::displayText(text)); }
void showInfo(const char* text) { std::printf("%s\n", messages::displayText(text)); }
// The tool runs unattended: questions are answered no, so nothing is replaced unasked.
int askNo(const char* text) {
  std::fprintf(stderr, "lxr: %s -- answered no\n", messages::displayText(text));
  return 0;
}
int askNoAll(const char* text) { return askNo(text); }

int usage() {
  std::fprintf(stderr,
               "usage: lxr [--dir DIR] [--home DIR] [--log FILE] COMMAND\n"
               "  options                    show the options\n"
               "  options set NAME VALUE     change an option (binaryFiles, hyphens,\n"
               "                             alphabetName, indexNumbers)\n"
               "  library list               list the index library\n"
               "  library add NAME PATH      add an index to the library\n"
               "  library remove NAME        remove an index from the library\n"
               "  text [--type] FILE         print a document's text (or its format)\n"
               "  create INDEX [--name NAME] [--case] [--accent] [--relative-paths]\n"
               "                             make a new, empty index in the folder INDEX\n"
               "  add INDEX FOLDER... [--include PATTERN]... [--exclude PATTERN]...\n"
               "      [--files-list FILE]    index new and changed files (makes the index)\n"
               "  update INDEX [--remove-deleted]\n"
               "                             repeat the index's folders and filters\n"
               "  remove INDEX --list FILE   remove the documents named in FILE\n"
               "  compress INDEX             drop removed documents, one block per word\n"
               "  verify INDEX               check that the index is consistent\n"
               "  info INDEX                 show an index's statistics\n"
               "  words INDEX [--match PATTERN] [--all]\n"
               "                             list the words with their counts\n"
               "  files INDEX [--all]        list the documents\n"
               "  (INDEX is a folder, or the name of an index in the library)\n"
               "  search REQUEST INDEX... [options]\n"
               "                             list the documents that match: score, hits and\n"
               "                             name, best first, then the totals; exit status 0\n"
               "                             found, 1 none, 2 a faulty request\n"
               "      --files FOLDER [--include PATTERN]... [--exclude PATTERN]...\n"
               "                             also search the files of FOLDER, not indexed\n"
               "      --sort hits|name|date|none [--ascending]   the order (default: hits)\n"
               "      --max N                the best N documents by score only\n"
               "      --also REQUEST         an additional request the documents must meet\n"
               "      --fuzzy N, --phonic, --stemming, --synonyms, --natural   word options\n"
               "      --hits                 the word numbers of each document's hits\n"
               "      --context N            each hit with N words around it\n"
               "      --json                 one JSON object per document instead\n"
               "      --listing FILE [--listing-flags N]   also write a listing file (flags:\n"
               "                             1 counts, 2 hits, 32 both, 1024 header, 2048 append)\n"
               "  show FILE --request REQUEST [--index INDEX] [--hit-lines] [--width N] [word options]\n"
               "                             print a document's lines, numbered, hits marked\n"
               "  run SCRIPT.job [--verbose]  run a job script (its log is written beside it)\n"
               "  explain [--fuzzy N] [--phonic] [--stemming] [--synonyms] [--natural] REQUEST\n"
               "                             show how a search request is understood\n"
               "  version                    show the engine's version\n");
  return 2;
}

void copyField(char* field, size_t capacity, const std::string& value) {
  std::snprintf(field, capacity, "%s", value.c_str());
}

int showOptions() {
  lxrOptions options;
  LXR_INIT_RECORD(options);
  int16_t result = 0;
  if (lxrsGetOptions(&options, &result) < 0) return 1;
  std::printf("binaryFiles   = %d\n", options.binaryFiles);
  std::printf("hyphens       = %d\n", options.hyphenMode);
  std::printf("alphabetName  = %s\n", options.alphabetName);
  std::printf("indexNumbers  = %d\n", options.indexNumbers);
  std::printf("word characters: %zu\n", strlen(options.wordChars));
  return 0;
}

int setOption(const std::string& name, const std::string& value) {
  lxrOptions options;
  LXR_INIT_RECORD(options);
  int16_t result = 0;
  if (lxrsGetOptions(&options, &result) < 0) return 1;
  if (name == "binaryFiles") {
    options.binaryFiles = static_cast<int16_t>(std::atoi(value.c_str()));
  } else if (name == "hyphens") {
    options.hyphenMode = static_cast<int16_t>(std::atoi(value.c_str()));
  } else if (name == "alphabetName") {
    copyField(options.alphabetName, sizeof options.alphabetName, value);
  } else if (name == "indexNumbers") {
    options.indexNumbers = static_cast<uint8_t>(std::atoi(value.c_str()) != 0);
  } else {
    std::fprintf(stderr, "lxr: unknown option %s\n", name.c_str());
    return 2;
  }
  if (lxrsSetOptions(&options, &result) < 0) return 1;
  std::printf("%s set to %s\n", name.c_str(), value.c_str());
  return 0;
}

int listLibrary() {
  int16_t count = 0;
  int32_t needed = 0;
  if (lxrsGetIndexList(&count, nullptr, 0, &needed) < 0) return 1;
  std::vector<char> buffer(static_cast<size_t>(needed));
  if (lxrsGetIndexList(&count, buffer.data(), needed, &needed) < 0) return 1;
  std::printf("%d index%s in the library\n", count, count == 1 ? "" : "es");
  const char* p = buffer.data();
  for (int i = 0; i < count; ++i) {
    const char* name = p;
    const char* path = name + strlen(name) + 1;
    std::printf("  %-39s %s\n", name, path);
    p = path + strlen(path) + 1;
  }
  return 0;
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
  return 1;
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

IndexLibrary* library() {
  DllInterface* dll = DllInterface::current();
  return dll && dll->instance() ? &dll->instance()->library() : nullptr;
}

int runCommand(const std::vector<std::string>& args) {
  if (args.empty()) return usage();
  const std::string& cmd = args[0];
  if (cmd == "options" && args.size() == 1) return showOptions();
  if (cmd == "text") {
    int rc = textcommand::run({args.begin() + 1, args.end()});
    return rc == 2 ? usage() : rc;
  }
  if (cmd == "run") {
    int rc = runcommand::run({args.begin() + 1, args.end()});
    return rc == 2 ? usage() : rc;
  }
  if (cmd == "explain") {
    std::vector<char*> words;
    for (size_t i = 1; i < args.size(); ++i) words.push_back(const_cast<char*>(args[i].c_str()));
    return runExplainCommand(static_cast<int>(words.size()), words.data());
  }
  if (cmd == "search" || cmd == "show") {
    std::vector<std::string> rest(args.begin() + 1, args.end());
    int rc = cmd == "search" ? searchcommand::run(rest, gPrivateDir) : showcommand::run(rest, gPrivateDir);
    return rc == searchrun::kBadArguments ? usage() : rc;
  }
  if (indexcommands::handles(cmd)) {
    if (gBorrowedFolder && cmd == "create") return refuseSharedChange();
    int rc = indexcommands::run(args, gPrivateDir);
    return rc == 2 ? usage() : rc;
  }
  bool changesSettings = (cmd == "options" && args.size() > 1) ||
                         (cmd == "library" && args.size() > 1 && args[1] != "list");
  if (gBorrowedFolder && changesSettings) return refuseSharedChange();
  if (cmd == "options" && args.size() == 4 && args[1] == "set") return setOption(args[2], args[3]);
  if (cmd == "library" && args.size() == 2 && args[1] == "list") return listLibrary();
  if (cmd == "library" && args.size() == 4 && args[1] == "add") {
    if (library()->add(args[2], args[3]) < 0) {
      std::fprintf(stderr, "lxr: could not add %s (name taken, library full, or bad name)\n",
                   args[2].c_str());
      return 1;
    }
    std::printf("added %s\n", args[2].c_str());
    return 0;
  }
  if (cmd == "library" && args.size() == 3 && args[1] == "remove") {
    if (library()->remove(args[2]) < 0) {
      std::fprintf(stderr, "lxr: no index named %s in the library\n", args[2].c_str());
      return 1;
    }
    std::printf("removed %s\n", args[2].c_str());
    return 0;
  }
  return usage();
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir, home, log;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    if (a == "--dir" || a == "-dir") {
      if (!value(&dir)) return usage();
    } else if (a == "--home") {
      if (!value(&home)) return usage();
    } else if (a == "--log") {
      if (!value(&log)) return usage();
    } else if (a == "--help" || a == "-h") {
      return usage();
    } else {
      args.push_back(a);
    }
  }
  // Needs no engine: it talks to a running desktop program.
  if (!args.empty() && args[0] == "remote")
    return remotecommand::run({args.begin() + 1, args.end()}, folders::choosePrivateDir(dir));
  if (args.size() == 1 && args[0] == "version") {
    int16_t major = 0, minor = 0;
    lxrVersion(&major, &minor);
    std::printf("Lexaurum %d.%d\n", major, minor);
    return 0;
  }
  if (args.empty()) return usage();
  if (!log.empty()) lxrsDebugLog(log.c_str());

  lxrInitInfo info;
  LXR_INIT_RECORD(info);
  copyField(info.privateDir, sizeof info.privateDir, dir);
  copyField(info.homeDir, sizeof info.homeDir, home);
  info.pShowErrorFn = showError;
  info.pShowInfoFn = showInfo;
  info.pAskYesNoFn = askNo;
  info.pAskYesNoAllFn = askNoAll;
  int16_t result = 0;
  std::string privateDir = folders::choosePrivateDir(dir);
  std::string borrowed;
  if (lxrsDoInit(&info, &result) < 0 && info.errorCode == LXR_INIT_PRIVATE_DIR &&
      std::filesystem::exists(privateDir + "/IN_USE.TMP")) {
    // Another process holds the folder: work beside it in a temporary copy.
    borrowed = borrowSettings(privateDir);
    if (!borrowed.empty()) {
      gBorrowedFolder = true;
      gSharedDir = privateDir;
      copyField(info.privateDir, sizeof info.privateDir, borrowed);
      lxrsDoInit(&info, &result);
    }
  }
  if (result < 0) {
    if (info.errorCode == LXR_INIT_FILE_MISSING)
      std::fprintf(stderr, "lxr: Lexaurum could not initialize because a necessary file is "
                           "missing. Please re-install Lexaurum to restore the missing file.\n");
    else if (info.errorCode == LXR_INIT_PRIVATE_DIR)
      std::fprintf(stderr, "lxr: Lexaurum could not initialize because the directory %s could "
                           "not be accessed or was already in use.\n",
                   privateDir.c_str());
    else
      std::fprintf(stderr, "lxr: Lexaurum could not initialize\n");
    if (info.errorText && *info.errorText) std::fprintf(stderr, "%s", info.errorText);
    return 1;
  }
  gPrivateDir = borrowed.empty() ? privateDir : borrowed;
  int rc = runCommand(args);
  lxrsDoShutDown(&result);
  if (!borrowed.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(borrowed, ec);
  }
  return rc;
}
