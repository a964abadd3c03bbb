// The main window: menus for every command, the button bar, the search panel, the result
// list and the viewer. Every command arrives as its number (from a button, a menu or a
// shortcut) at command(), which carries it out; a job runs inside it with its status window
// while the window stays responsive. Depends on the other win/ parts and the engine's
// public header; the engine must be initialised for the window's lifetime.
#pragma once

#include <QMainWindow>
#include <QString>

#include <vector>

#include "win/ResultModel.h"
#include "win/Startup.h"
#include "win/WindowSettings.h"

class ButtonBar;
class DocumentView;
class ProgramIpcServer;
class QLabel;
class QSplitter;
class QTableView;
class SearchPanel;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(const StartupSettings& startup, QWidget* parent = nullptr);
  ~MainWindow() override;

  // What the last search found.
  struct Totals {
    int32_t documents = 0;
    int32_t hits = 0;
  };
  Totals totals() const { return totals_; }
  // True while a job of this window runs.
  bool busy() const { return busy_; }

  SearchPanel* searchPanel() const { return panel_; }
  ResultModel* results() const { return model_; }
  QTableView* resultView() const { return table_; }
  DocumentView* viewer() const { return view_; }
  ButtonBar* buttonBar() const { return bar_; }  // null with "nobbar"
  // The row shown in the viewer, or -1.
  int currentRow() const;
  void selectRow(int row);
  QString statusText() const;

  // Re-reads the index library into the search panel.
  void refreshIndexes();

  // Runs the job script `name` with its status window, as Run Script does once the file is
  // chosen. The run's result: 0 when every command succeeded; -1 when one failed, the script
  // is missing, `name` is something other than a regular file (a pipe would stall the
  // window) or a job of this window runs.
  int runScriptFile(const QString& name);

  // The IPC server the "ipc" (or "dde") switch asked for; null without it.
  ProgramIpcServer* ipcServer() const { return ipc_; }

 public slots:
  // Carries out command `id` (win/Commands.h). Unknown numbers are ignored.
  void command(int id);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void buildBar(const QString& description);
  void search(bool indexes, bool files);
  void explain();
  void showRow(int row);
  void nextHit();
  void prevHit();
  void viewFile();
  void findText();
  void print();
  void launch();
  void runScript();
  void editButtonBar();
  void indexJob(bool create);
  void verifyIndex();
  void chooseFont();
  void showImage();
  void refreshHistory();
  void showHitStatus();
  void say(const QString& text);
  void notAvailable(const QString& why);

  StartupSettings startup_;
  WindowSettings settings_;
  QString pendingScript_;  // the script the command line named, run once
  QString lastFind_;
  bool busy_ = false;
  Totals totals_;
  bool utf8Lines_ = false;  // the documents of the last search are laid out as Unicode text
  ButtonBar* bar_ = nullptr;
  ProgramIpcServer* ipc_ = nullptr;
  SearchPanel* panel_;
  ResultModel* model_;
  QTableView* table_;
  DocumentView* view_;
  QSplitter* split_;
  QLabel* totalsLabel_;
  QLabel* hitLabel_;
};
