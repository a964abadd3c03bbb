// The desktop program's IPC server: the topics "script" 1, "minimize" 2, "maximize" 3,
// "show" 4, "hide" 5 and "quit" 6, and what an execute on each does to the main window. It
// is busy while a job's status window exists, so that a request that arrives while a job
// runs is answered busy. Depends on win/IpcServer, win/MainWindow and win/JobStatusWindow.
#pragma once

#include "win/IpcServer.h"

class MainWindow;

class ProgramIpcServer : public IpcServer {
  Q_OBJECT
 public:
  enum Topic { kScript = 1, kMinimize = 2, kMaximize = 3, kShow = 4, kHide = 5, kQuit = 6 };

  // Registers the topics and starts serving at `socketPath` (IpcServer::start; started()
  // tells whether it could). The server is a window owned by `window`.
  ProgramIpcServer(MainWindow* window, const QString& socketPath);

 protected:
  // script: logs `Script "` and the text, runs the text as a job script's file name, and
  // returns 0 when every command of it succeeded; minimize, maximize, show, hide: change the
  // main window, 0; quit: posts the exit command and returns 0 at once, so that the program
  // ends after the transaction is answered; any other topic: -1.
  int execute(int topic, const QByteArray& text) override;
  // True while at least one job status window exists.
  bool busy() const override;

 private:
  MainWindow* window_;
};
