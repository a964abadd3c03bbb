#include "win/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

#include "win/EngineText.h"

namespace messageboxes {

namespace {

Sink* gSink = nullptr;

QWidget* parentWindow() { return QApplication::activeWindow(); }

void show(Kind kind, const QString& caption, const QString& text) {
  if (gSink) return gSink->show(kind, caption, text);
  if (kind == Kind::kError)
    QMessageBox::critical(parentWindow(), caption, text);
  else
    QMessageBox::information(parentWindow(), caption, text);
}

int ask(Kind kind, const QString& caption, const QString& text) {
  if (gSink) return gSink->ask(kind, caption, text);
  if (kind == Kind::kYesNo)
    return QMessageBox::question(parentWindow(), caption, text) == QMessageBox::Yes ? 1 : 0;
  auto answer = QMessageBox::question(parentWindow(), caption, text,
                                      QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No |
                                          QMessageBox::Cancel);
  switch (answer) {
    case QMessageBox::Yes: return 1;
    case QMessageBox::YesToAll: return 2;
    case QMessageBox::No: return 0;
    default: return -2;
  }
}

const QString caption() { return QString::fromLatin1(kCaption); }

void engineError(const char* text) { show(Kind::kError, caption(), enginetext::shownMessage(text)); }
void engineInfo(const char* text) { show(Kind::kInfo, caption(), enginetext::shownMessage(text)); }
int engineYesNo(const char* text) { return ask(Kind::kYesNo, caption(), enginetext::shownMessage(text)); }
int engineYesNoAll(const char* text) {
  return ask(Kind::kYesNoAll, caption(), enginetext::shownMessage(text));
}
// The status call-back: the engine asks for attention.
void engineBeep() { QApplication::beep(); }

}  // namespace

void setSink(Sink* sink) { gSink = sink; }

void showError(const QString& caption, const QString& text) { show(Kind::kError, caption, text); }
void showInfo(const QString& caption, const QString& text) { show(Kind::kInfo, caption, text); }
bool askYesNo(const QString& caption, const QString& text) {
  return ask(Kind::kYesNo, caption, text) != 0;
}

void fillCallbacks(lxrInitInfo* info) {
  info->pShowErrorFn = engineError;
  info->pShowInfoFn = engineInfo;
  info->pAskYesNoFn = engineYesNo;
  info->pAskYesNoAllFn = engineYesNoAll;
  info->pBeepFn = engineBeep;
}

}  // namespace messageboxes
