// The questions the main window puts to its user in dialogs: a file to open, a folder, a
// font, a text to find, a printer, and running one of the program's own dialogs. The default
// asks on the screen; a test installs its own answers. Depends on Qt Widgets.
#pragma once

#include <QString>

class QDialog;
class QFont;
class QPrinter;
class QWidget;

class Prompts {
 public:
  virtual ~Prompts() = default;
  // The file chosen, or empty when cancelled.
  virtual QString openFile(QWidget* parent, const QString& title, const QString& filter);
  // The folder chosen, or empty when cancelled.
  virtual QString folder(QWidget* parent, const QString& title);
  // False when cancelled (*font then unchanged).
  virtual bool font(QWidget* parent, QFont* font);
  // False when cancelled (*text then unchanged).
  virtual bool findText(QWidget* parent, QString* text);
  // The print dialog for `printer`; false when cancelled.
  virtual bool print(QWidget* parent, QPrinter* printer);
  // Runs `dialog` (already filled); true when it was accepted.
  virtual bool run(QDialog* dialog);

  // The prompts in use; install(null) puts the default back. An installed object must
  // outlive its use.
  static Prompts& current();
  static void install(Prompts* prompts);
};
