#include "win/Prompts.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace {

Prompts* gInstalled = nullptr;

}  // namespace

QString Prompts::openFile(QWidget* parent, const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString Prompts::folder(QWidget* parent, const QString& title) {
  return QFileDialog::getExistingDirectory(parent, title);
}

bool Prompts::font(QWidget* parent, QFont* font) {
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, *font, parent);
  if (ok) *font = chosen;
  return ok;
}

bool Prompts::findText(QWidget* parent, QString* text) {
  bool ok = false;
  QString t = QInputDialog::getText(parent, QStringLiteral("Find Text"), QStringLiteral("Find:"),
                                    QLineEdit::Normal, *text, &ok);
  if (ok && !t.isEmpty()) *text = t;
  return ok && !t.isEmpty();
}

bool Prompts::print(QWidget* parent, QPrinter* printer) {
  QPrintDialog dialog(printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

bool Prompts::run(QDialog* dialog) { return dialog->exec() == QDialog::Accepted; }

Prompts& Prompts::current() {
  static Prompts onScreen;
  return gInstalled ? *gInstalled : onScreen;
}

void Prompts::install(Prompts* prompts) { gInstalled = prompts; }
