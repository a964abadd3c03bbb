#include "win/Startup.h"

#include <sys/resource.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <cstdio>

#include "win/CommandLine.h"
#include "win/EngineText.h"
#include "win/MessageBoxes.h"

namespace startup {

namespace {

QString switchValue(const CommandLine& line, const char* name) {
  std::string v;
  return line.value(name, &v, LXR_PATH_CHARS - 1) ? enginetext::fromFileName(v.c_str()) : QString();
}

QString environmentFolder(const char* name) { return qEnvironmentVariable(name); }

}  // namespace

QString homeFolder(const QString& executableDir) {
  const QString shared = QDir::cleanPath(executableDir + "/../share/lexaurum");
  if (!QFileInfo::exists(executableDir + "/LEXAURUM.MSG") && QFileInfo::exists(shared + "/LEXAURUM.MSG"))
    return shared;
  return executableDir;
}

StartupSettings read(const CommandLine& line, const QString& homeDir) {
  StartupSettings s;
  s.homeDir = homeDir;
  s.script = switchValue(line, "script");
  s.ipcServer = line.has("ipc") || line.has("dde");
  s.noMenu = line.has("nomenu");
  s.noButtonBar = line.has("nobbar");
  s.privateDir = switchValue(line, "dir");
  if (s.privateDir.isEmpty()) s.privateDir = environmentFolder("LXRDIR");
  if (s.privateDir.isEmpty()) {
    QString xdg = environmentFolder("XDG_DATA_HOME");
    s.privateDir = (xdg.isEmpty() ? QDir::homePath() + "/.local/share" : xdg) + "/lexaurum";
  }
  s.privateDir = QDir::cleanPath(QDir::current().absoluteFilePath(s.privateDir));
  s.log = line.has("log") || qEnvironmentVariableIsSet("DBGLXR");
  if (s.log) {
    s.logFile = line.has("log") ? switchValue(line, "log") : QString();
    if (s.logFile.isEmpty()) s.logFile = s.privateDir + "/" + kDefaultLogName;
  }
  return s;
}

int raiseHandleLimit(int wanted) {
  struct rlimit limit {};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
  if (limit.rlim_cur >= static_cast<rlim_t>(wanted)) return 0;
  limit.rlim_cur = static_cast<rlim_t>(wanted);
  if (limit.rlim_max < limit.rlim_cur) limit.rlim_max = limit.rlim_cur;
  return setrlimit(RLIMIT_NOFILE, &limit) == 0 ? 0 : -1;
}

void systemVersion(int* major, int* minor) {
  static const QRegularExpression version(QStringLiteral("^(\\d+)\\.(\\d+)"));
  QRegularExpressionMatch m = version.match(QSysInfo::kernelVersion());
  *major = m.hasMatch() ? m.captured(1).toInt() : 0;
  *minor = m.hasMatch() ? m.captured(2).toInt() : 0;
}

bool versionAccepted(int major, int minor) { return major * 100 + minor >= kMinVersion; }

QString versionFailureText(int major, int minor) {
  return QStringLiteral("This program requires Windows version 3.1 or later.  You have Windows version %1.%2.")
      .arg(major)
      .arg(minor);
}

QString initFailureText(int32_t errorCode, const QString& privateDir) {
  switch (errorCode) {
    case LXR_INIT_FILE_MISSING:
      return QStringLiteral(
          "Lexaurum could not initialize because a necessary file is missing. Please re-install "
          "Lexaurum to restore the missing file.");
    case LXR_INIT_PRIVATE_DIR:
      return QStringLiteral(
                 "Lexaurum could not initialize because the directory %1 could not be accessed or "
                 "was already in use.")
          .arg(privateDir);
    default: return QStringLiteral("Lexaurum could not initialize");
  }
}

int initEngine(const StartupSettings& settings, const std::string& commandLine, int32_t* errorCode) {
  static const char kNotUsed[] = "Not Used";
  lxrInitInfo info;
  LXR_INIT_RECORD(info);
  std::snprintf(info.privateDir, sizeof info.privateDir, "%s", enginetext::toFileName(settings.privateDir).c_str());
  std::snprintf(info.homeDir, sizeof info.homeDir, "%s", enginetext::toFileName(settings.homeDir).c_str());
  messageboxes::fillCallbacks(&info);
  info.scriptArgA = reinterpret_cast<uintptr_t>(kNotUsed);
  info.commandLine = commandLine.c_str();
  int16_t result = 0;
  if (lxrsDoInit(&info, &result) == 0) return 0;
  *errorCode = info.errorCode;
  return -1;
}

int initEngineOrSay(const StartupSettings& settings, const std::string& commandLine) {
  int32_t errorCode = 0;
  if (initEngine(settings, commandLine, &errorCode) == 0) return 0;
  messageboxes::showError(QString::fromLatin1(messageboxes::kCaption), initFailureText(errorCode, settings.privateDir));
  return -1;
}

}  // namespace startup
