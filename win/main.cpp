// The desktop program's entry: the command line record (with cmdline.dat), the start-up
// checks, the engine's initialisation with the message-box call-backs, the main window and
// its event loop. Returns the loop's exit code, or -1 when start-up fails.
#include <QApplication>
#include <QDir>
#include <QTimer>

#include <string>
#include <vector>

#include "lexaurum/lexaurum.h"
#include "win/CommandLine.h"
#include "win/Commands.h"
#include "win/EngineText.h"
#include "win/MainWindow.h"
#include "win/MessageBoxes.h"
#include "win/Startup.h"

int main(int argc, char** argv) {
  // The arguments as given, before Qt takes its own out of them.
  std::vector<std::string> args(argv, argv + argc);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Lexaurum"));
  QApplication::setDesktopFileName(QStringLiteral("lexaurum"));

  startup::raiseHandleLimit();
  int major = 0, minor = 0;
  startup::systemVersion(&major, &minor);
  if (!startup::versionAccepted(major, minor)) {
    messageboxes::showError(QStringLiteral("Error"), startup::versionFailureText(major, minor));
    return -1;
  }
  const QString home = startup::homeFolder(QCoreApplication::applicationDirPath());
  CommandLine line(args);
  line.appendFile(enginetext::toFileName(home + "/" + startup::kCommandLineFile));
  StartupSettings settings = startup::read(line, home);
  if (settings.log) {
    QDir().mkpath(settings.privateDir);
    lxrsDebugLog(enginetext::toFileName(settings.logFile).c_str());
  }
  lxrsTrace(("Command Line: " + line.text()).c_str());

  if (startup::initEngineOrSay(settings, line.text()) < 0) return -1;
  int rc = 0;
  {
    MainWindow window(settings);
    window.show();
    if (!settings.script.isEmpty())
      QTimer::singleShot(0, &window, [&window] { window.command(commands::kRunScript); });
    rc = QApplication::exec();
  }
  int16_t result = 0;
  lxrsDoShutDown(&result);
  return rc;
}
