#include "win/ScriptRun.h"

#include <QFileInfo>
#include <QWidget>

#include "lexaurum/lexaurum.h"
#include "win/EngineText.h"
#include "win/JobStatusWindow.h"

namespace scriptrun {

namespace {

void echo(uintptr_t data, int32_t, const char* line) {
  auto* status = reinterpret_cast<JobStatusWindow*>(data);
  const QString text = enginetext::fromEngine(line).trimmed();
  status->addLogLine(text);
  status->report(text.section(u'\n', 0, 0), -1);
}

// A job of the script reports progress: the status window lets waiting events run.
void jobProgress(uintptr_t data) { reinterpret_cast<JobStatusWindow*>(data)->report(QString(), -1); }

void showWindow(uintptr_t data, int32_t show) {
  auto* window = reinterpret_cast<QWidget*>(data);
  switch (show) {
    case LXR_WINDOW_MAX: window->showMaximized(); break;
    case LXR_WINDOW_MIN: window->showMinimized(); break;
    case LXR_WINDOW_HIDE: window->hide(); break;
    default: window->showNormal(); break;
  }
}

}  // namespace

int run(const QString& name, QWidget* window, bool* quit) {
  *quit = false;
  int32_t cancelFlag = 0;
  JobStatusWindow status(QObject::tr("Script %1").arg(QFileInfo(name).fileName()), &cancelFlag, window);
  lxrScriptHost host;
  LXR_INIT_RECORD(host);
  host.echo = echo;
  host.echoData = reinterpret_cast<uintptr_t>(&status);
  host.cancelFlag = &cancelFlag;
  host.windowFn = showWindow;
  host.windowData = reinterpret_cast<uintptr_t>(window);
  host.progressFn = jobProgress;
  host.progressData = reinterpret_cast<uintptr_t>(&status);
  int16_t result = 0;
  lxrsRunScriptHost(enginetext::toFileName(name).c_str(), &host, &result);
  if (host.quitRequested) {
    lxrsTrace("Script Quit");
    *quit = true;
  }
  return result;
}

}  // namespace scriptrun
