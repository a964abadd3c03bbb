#include "win/JobStatusWindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "lexaurum/lexaurum.h"

namespace {

int gOpenCount = 0;

}  // namespace

JobStatusWindow::JobStatusWindow(const QString& title, int32_t* cancelFlag, QWidget* parent)
    : QDialog(parent), cancelFlag_(cancelFlag) {
  ++gOpenCount;
  setWindowTitle(title);
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);
  status_ = new QLabel(tr("Starting..."), this);
  status_->setMinimumWidth(420);
  status_->setWordWrap(true);
  bar_ = new QProgressBar(this);
  bar_->setRange(0, 100);
  log_ = new QPlainTextEdit(this);
  log_->setReadOnly(true);
  log_->setMaximumBlockCount(kMaxLogLines);
  log_->hide();
  cancel_ = new QPushButton(tr("Cancel"), this);
  connect(cancel_, &QPushButton::clicked, this, &JobStatusWindow::pressCancel);
  layout->addWidget(status_);
  layout->addWidget(bar_);
  layout->addWidget(log_);
  layout->addWidget(cancel_, 0, Qt::AlignRight);
  showTimer_ = new QTimer(this);
  showTimer_->setSingleShot(true);
  connect(showTimer_, &QTimer::timeout, this, [this] { show(); });
  showTimer_->start(kShowAfterMs);
  sincePump_.start();
}

JobStatusWindow::~JobStatusWindow() { --gOpenCount; }

int JobStatusWindow::openCount() { return gOpenCount; }

void JobStatusWindow::report(const QString& line, int percent, bool force) {
  if (!line.isEmpty() && cancelPresses_ == 0) status_->setText(line);  // "Stopping" stays
  if (percent < 0) {
    bar_->setRange(0, 0);
  } else {
    bar_->setRange(0, 100);
    bar_->setValue(qBound(0, percent, 100));
  }
  emit reported();
  if (force || sincePump_.elapsed() >= kPumpEveryMs) pump();
}

void JobStatusWindow::addLogLine(const QString& line) {
  log_->show();
  log_->appendPlainText(line);
}

void JobStatusWindow::pump() {
  sincePump_.restart();
  // Before the window shows, a click on the main window must not start a second job.
  QCoreApplication::processEvents(isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

QString JobStatusWindow::statusText() const { return status_->text(); }

void JobStatusWindow::pressCancel() {
  ++cancelPresses_;
  if (cancelFlag_) *cancelFlag_ = cancelPresses_ > 1 ? LXR_CANCEL_IMMEDIATE : LXR_CANCEL_SAVE;
  if (cancelPresses_ == 1) {
    cancel_->setText(tr("Stop Now"));
    status_->setText(tr("Stopping: the work done so far is kept. Press Stop Now to stop at once."));
  } else {
    cancel_->setEnabled(false);
    status_->setText(tr("Stopping at once..."));
  }
}

void JobStatusWindow::reject() { pressCancel(); }
