// The window that shows a running job's progress and its Cancel button. The job runs on the
// program's only thread; each report lets waiting window events run, so that Cancel and
// other programs' requests (the IPC server) are served meanwhile. Cancel sets the job's cancel flag:
// the first press stops the job and keeps what is done, a second stops it at once. Every
// status window adds one to a process-wide count while it exists, so that the program can
// tell that a job runs. Depends on Qt Widgets and the engine's public header.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include <cstdint>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

class JobStatusWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kShowAfterMs = 300;  // quick jobs finish before the window shows
  static constexpr int kPumpEveryMs = 20;
  static constexpr int kMaxLogLines = 2000;

  // `cancelFlag` (may be null) is the job's flag, written by Cancel; it must outlive the window.
  JobStatusWindow(const QString& title, int32_t* cancelFlag, QWidget* parent);
  ~JobStatusWindow() override;

  // The number of status windows that exist now.
  static int openCount();

  // Shows a progress line and the percentage (-1: unknown), then lets waiting events run
  // (at most every kPumpEveryMs, always when `force`).
  void report(const QString& line, int percent, bool force = false);
  // Adds a line to the window's log (a script's log lines).
  void addLogLine(const QString& line);
  // Lets waiting events run; user input only once the window shows.
  void pump();

  // 0 before Cancel, then the number of presses.
  int cancelPresses() const { return cancelPresses_; }
  QPushButton* cancelButton() const { return cancel_; }
  QString statusText() const;

 signals:
  // After every report, before events run.
  void reported();

 public slots:
  void pressCancel();

 protected:
  void reject() override;  // Escape and closing the window press Cancel

 private:
  int32_t* cancelFlag_;
  int cancelPresses_ = 0;
  QLabel* status_;
  QProgressBar* bar_;
  QPlainTextEdit* log_;
  QPushButton* cancel_;
  QTimer* showTimer_;
  QElapsedTimer sincePump_;
};
