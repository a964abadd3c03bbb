// What the desktop program's tests share: the engine initialised in a fresh private folder
// (the shipped data as the home folder), message boxes recorded instead of shown, dialogs
// answered by the test, and an index of documents made through the engine interface.
#pragma once

#include <QFont>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

#include "win/MessageBoxes.h"
#include "win/Prompts.h"
#include "win/Startup.h"

namespace wintest {

QString sourcePath(const QString& relative);

// The engine, up from construction to destruction.
class Engine {
 public:
  Engine();
  ~Engine();
  bool ok() const { return ok_; }
  QString file(const QString& name) const { return dir_.filePath(name); }
  QString privateDir() const { return file("p"); }
  StartupSettings settings() const;
  // Makes the index `name` in file(name) of `folder`, added to the library. 0 or -1.
  int makeIndex(const QString& name, const QString& folder);

 private:
  QTemporaryDir dir_;
  bool ok_ = false;
};

// Records every box; questions are answered `answer`.
class RecordingSink : public messageboxes::Sink {
 public:
  RecordingSink() { messageboxes::setSink(this); }
  ~RecordingSink() override { messageboxes::setSink(nullptr); }
  void show(messageboxes::Kind, const QString& caption, const QString& text) override {
    texts << caption + ": " + text;
  }
  int ask(messageboxes::Kind, const QString& caption, const QString& text) override {
    texts << caption + ": " + text;
    return answer;
  }
  QStringList texts;
  int answer = 0;
};

// Dialog answers set by the test; a question without an answer is cancelled.
class ScriptedPrompts : public Prompts {
 public:
  ScriptedPrompts() { Prompts::install(this); }
  ~ScriptedPrompts() override { Prompts::install(nullptr); }
  QString openFile(QWidget*, const QString& title, const QString&) override {
    titles << title;
    return fileAnswer;
  }
  QString folder(QWidget*, const QString&) override { return folderAnswer; }
  bool font(QWidget*, QFont* f) override {
    if (fontAnswer.family().isEmpty()) return false;
    *f = fontAnswer;
    return true;
  }
  bool findText(QWidget*, QString* text) override {
    if (findAnswer.isEmpty()) return false;
    *text = findAnswer;
    return true;
  }
  bool print(QWidget*, QPrinter* printer) override;
  bool run(QDialog* dialog) override { return dialogAnswer && dialogAnswer(dialog); }

  QStringList titles;
  QString fileAnswer, folderAnswer, findAnswer, pdfAnswer;
  QFont fontAnswer{QString()};
  std::function<bool(QDialog*)> dialogAnswer;
};

}  // namespace wintest
