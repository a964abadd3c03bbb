// How the desktop program comes up: the start-up settings read from the command line record
// (script, ipc/dde, nomenu, nobbar, dir, log), the home and private folders, the handle limit,
// the version check, the engine's initialisation with the user call-backs, and the texts
// shown when a step fails. Depends on win/CommandLine and the engine's public header.
#pragma once

#include <QString>

#include <string>

#include "lexaurum/lexaurum.h"

class CommandLine;

struct StartupSettings {
  QString homeDir;
  QString privateDir;
  QString script;        // a job script to run once the window is up; empty: none
  bool ipcServer = false;  // "ipc", or its other name "dde"
  bool noMenu = false;
  bool noButtonBar = false;
  bool log = false;
  QString logFile;  // the trace log's file when `log`
};

namespace startup {

constexpr int kHandleLimit = 75;
constexpr int kMinVersion = 310;  // major x 100 + minor
constexpr const char* kCommandLineFile = "cmdline.dat";
constexpr const char* kDefaultLogName = "LEXAURUM.LOG";

// The home folder for the program in `executableDir`: that folder, or ../share/lexaurum
// beside it when the message file lives there (an installed program).
QString homeFolder(const QString& executableDir);

// The settings the command line asks for, with the private folder chosen: the "dir" value,
// else $LXRDIR, else $XDG_DATA_HOME/lexaurum, else ~/.local/share/lexaurum.
StartupSettings read(const CommandLine& line, const QString& homeDir);

// Raises the soft limit of open files to at least `wanted` (never lowers it). 0, or -1
// when the system refuses.
int raiseHandleLimit(int wanted = kHandleLimit);

// The system's version as major and minor (the kernel's on Linux) and the check on it.
void systemVersion(int* major, int* minor);
bool versionAccepted(int major, int minor);
QString versionFailureText(int major, int minor);

// The text shown when the engine cannot initialise, by its failure code.
QString initFailureText(int32_t errorCode, const QString& privateDir);

// Initialises the engine for `settings` with the message-box call-backs; `commandLine` must
// outlive the call. 0, or -1 with the failure code in *errorCode.
int initEngine(const StartupSettings& settings, const std::string& commandLine, int32_t* errorCode);
// initEngine, and on failure the failure text in a message box captioned "Lexaurum". 0 or -1.
int initEngineOrSay(const StartupSettings& settings, const std::string& commandLine);

}  // namespace startup
