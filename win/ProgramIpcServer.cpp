#include "win/ProgramIpcServer.h"

#include <QFile>

#include "lexaurum/lexaurum.h"
#include "win/Commands.h"
#include "win/JobStatusWindow.h"
#include "win/MainWindow.h"

ProgramIpcServer::ProgramIpcServer(MainWindow* window, const QString& socketPath)
    : IpcServer(socketPath, window), window_(window) {
  addTopic("script", kScript);
  addTopic("minimize", kMinimize);
  addTopic("maximize", kMaximize);
  addTopic("show", kShow);
  addTopic("hide", kHide);
  addTopic("quit", kQuit);
  start();
}

int ProgramIpcServer::execute(int topic, const QByteArray& text) {
  switch (topic) {
    case kScript:
      lxrsTrace(("Script \"" + text).constData());
      return window_->runScriptFile(QFile::decodeName(text)) == 0 ? 0 : -1;
    case kMinimize: window_->showMinimized(); return 0;
    case kMaximize: window_->showMaximized(); return 0;
    case kShow: window_->show(); return 0;
    case kHide: window_->hide(); return 0;
    case kQuit:
      // Queued: the answer goes out first, and the program ends after this transaction.
      QMetaObject::invokeMethod(window_, [w = window_] { w->command(commands::kExit); }, Qt::QueuedConnection);
      return 0;
    default: return -1;
  }
}

bool ProgramIpcServer::busy() const { return JobStatusWindow::openCount() > 0; }
