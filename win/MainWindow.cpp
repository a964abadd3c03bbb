#include "win/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPrinter>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

#include "lexaurum/lexaurum.h"
#include "win/BarDialog.h"
#include "win/ButtonBar.h"
#include "win/ButtonPictures.h"
#include "win/Commands.h"
#include "win/DocumentView.h"
#include "win/EngineText.h"
#include "win/IndexDialog.h"
#include "win/IndexJobs.h"
#include "win/IndexList.h"
#include "win/IpcEndpoint.h"
#include "win/Launcher.h"
#include "win/MessageBoxes.h"
#include "win/ProgramIpcServer.h"
#include "win/Prompts.h"
#include "win/ScriptRun.h"
#include "win/SearchPanel.h"
#include "win/SearchRunner.h"
#include "win/StringTable.h"

namespace {

struct MenuEntry {
  const char* menu;
  int command;
  const char* text;
  const char* keys;  // QKeySequence text, may be empty
};

constexpr MenuEntry kMenus[] = {
    {"&File", commands::kViewFile, "&View File...", "Ctrl+O"},
    {"&File", commands::kRunScript, "&Run Script...", ""},
    {"&File", commands::kPrint, "&Print...", "Ctrl+P"},
    {"&File", commands::kLaunch, "&Launch", "Ctrl+L"},
    {"&File", commands::kExit, "E&xit", "Ctrl+Q"},
    {"&Search", commands::kSearch, "&Search", "Ctrl+Return"},
    {"&Search", commands::kFileSearch, "&File Search", ""},
    {"&Search", commands::kComboSearch, "&Combo Search", ""},
    {"&Search", commands::kExplain, "&Explain Request", "Ctrl+E"},
    {"&Index", commands::kCreateIndex, "&Create Index...", ""},
    {"&Index", commands::kUpdateIndex, "&Update Index...", ""},
    {"&Index", commands::kVerifyIndex, "&Verify Index", ""},
    {"&View", commands::kNextHit, "&Next Hit", "F3"},
    {"&View", commands::kPrevHit, "&Prev Hit", "Shift+F3"},
    {"&View", commands::kNextDoc, "Next &Doc", "Alt+Down"},
    {"&View", commands::kPrevDoc, "Prev D&oc", "Alt+Up"},
    {"&View", commands::kFindText, "&Find Text...", "Ctrl+F"},
    {"&View", commands::kCopy, "&Copy", "Ctrl+Shift+C"},
    {"&View", commands::kPage, "P&age", "Ctrl+PgDown"},
    {"&View", commands::kImage, "&Image", ""},
    {"&View", commands::kFont, "F&ont...", ""},
    {"&View", commands::kZoomIn, "Zoom &In", "Ctrl++"},
    {"&View", commands::kZoomOut, "Zoom O&ut", "Ctrl+-"},
    {"&View", commands::kWrap, "&Wrap", ""},
    {"&View", commands::kInvert, "In&vert", ""},
    {"&Options", commands::kEditButtonBar, "&Button Bar...", ""},
    {"&Help", commands::kAbout, "&About Lexaurum", ""},
};

QString caption() { return QString::fromLatin1(messageboxes::kCaption); }

}  // namespace

MainWindow::MainWindow(const StartupSettings& startup, QWidget* parent)
    : QMainWindow(parent), startup_(startup), pendingScript_(startup.script) {
  setWindowTitle(caption());
  setWindowIcon(buttonpictures::programIcon());
  settings_ = WindowSettings::load(startup_.privateDir);

  panel_ = new SearchPanel(this);
  model_ = new ResultModel(this);
  table_ = new QTableView(this);
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setSortingEnabled(true);
  table_->sortByColumn(ResultModel::kScore, Qt::DescendingOrder);
  table_->setAlternatingRowColors(true);
  table_->setColumnWidth(ResultModel::kScore, 60);
  table_->setColumnWidth(ResultModel::kHits, 50);
  table_->setColumnWidth(ResultModel::kName, 170);
  table_->setColumnWidth(ResultModel::kFolder, 220);
  table_->setColumnWidth(ResultModel::kDate, 140);
  table_->setColumnWidth(ResultModel::kSize, 70);
  view_ = new DocumentView(this);

  auto* right = new QSplitter(Qt::Vertical, this);
  right->addWidget(table_);
  right->addWidget(view_);
  right->setStretchFactor(0, 2);
  right->setStretchFactor(1, 3);
  split_ = new QSplitter(Qt::Horizontal, this);
  split_->addWidget(panel_);
  split_->addWidget(right);
  split_->setStretchFactor(0, 0);
  split_->setStretchFactor(1, 1);
  setCentralWidget(split_);

  totalsLabel_ = new QLabel(this);
  hitLabel_ = new QLabel(this);
  hitLabel_->setContentsMargins(8, 0, 12, 0);
  statusBar()->addPermanentWidget(hitLabel_);
  statusBar()->addPermanentWidget(totalsLabel_);

  buildMenus();
  if (startup_.noMenu) menuBar()->hide();
  buildBar(settings_.barDescription);

  if (!settings_.font.isEmpty()) {
    QFont f;
    if (f.fromString(settings_.font)) view_->setTextFont(f);
  }
  view_->zoom(settings_.zoom);
  view_->setWrap(settings_.wrap);
  view_->setInverted(settings_.inverted);
  panel_->setWordOptions(settings_.searchFlags, settings_.fuzziness);
  panel_->setFilesFolder(settings_.filesFolder);
  refreshIndexes();
  refreshHistory();
  if (!settings_.geometry.isEmpty()) restoreGeometry(settings_.geometry);
  else resize(1200, 800);
  if (!settings_.splitter.isEmpty()) split_->restoreState(settings_.splitter);

  connect(panel_, &SearchPanel::searchRequested, this, [this] { command(commands::kSearch); });
  connect(panel_, &SearchPanel::explainRequested, this, [this] { command(commands::kExplain); });
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (!busy_ && current.isValid()) showRow(current.row());
          });
  panel_->requestBox()->setFocus();
  say(tr("Ready"));
  if (startup_.ipcServer) ipc_ = new ProgramIpcServer(this, ipcendpoint::socketPath(startup_.privateDir));
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus() {
  for (const MenuEntry& e : kMenus) {
    const QString title = QString::fromLatin1(e.menu);
    QMenu* menu = nullptr;
    for (QAction* a : menuBar()->actions())
      if (a->text() == title) menu = a->menu();
    if (!menu) menu = menuBar()->addMenu(title);
    QAction* a = menu->addAction(QString::fromLatin1(e.text));
    if (buttonpictures::themeName(e.command)) a->setIcon(buttonpictures::forCommand(e.command));
    if (*e.keys) a->setShortcut(QKeySequence(QString::fromLatin1(e.keys)));
    if (e.command == commands::kSearch) a->setShortcuts({QKeySequence("Ctrl+Return"), QKeySequence("Ctrl+Enter")});
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);  // the keys work with the menu bar hidden too
    const int id = e.command;
    connect(a, &QAction::triggered, this, [this, id] { command(id); });
  }
}

void MainWindow::buildBar(const QString& description) {
  StringTable strings;
  strings.load();
  if (!bar_) {
    bar_ = new ButtonBar(buttontable::read(strings), strings.get(buttontable::kDefaultDescriptionId), this);
    addToolBar(Qt::TopToolBarArea, bar_);
    connect(bar_, &ButtonBar::commandChosen, this, &MainWindow::command);
  }
  bar_->rebuild(description);
  bar_->setVisible(!startup_.noButtonBar);
}

void MainWindow::refreshIndexes() {
  QStringList ticked = panel_->tickedFolders();
  if (ticked.isEmpty()) ticked = settings_.indexes;
  std::vector<IndexEntry> library = indexlist::read();
  if (ticked.isEmpty() && !library.empty()) ticked << library.front().folder;
  panel_->setIndexes(library, ticked);
}

namespace {

int addRequest(uintptr_t data, const char* request, int32_t, int32_t, const char*) {
  reinterpret_cast<QStringList*>(data)->append(enginetext::fromEngine(request));
  return 0;
}

}  // namespace

void MainWindow::refreshHistory() {
  QStringList requests;
  int16_t result = 0;
  lxrsGetSearchHistory(addRequest, reinterpret_cast<uintptr_t>(&requests), &result);
  panel_->setHistory(requests);
}

void MainWindow::command(int id) {
  const bool startsJob = id == commands::kSearch || id == commands::kFileSearch || id == commands::kComboSearch ||
                         id == commands::kCreateIndex || id == commands::kUpdateIndex ||
                         id == commands::kVerifyIndex || id == commands::kRunScript;
  if (busy_ && startsJob) {
    QApplication::beep();
    return;
  }
  switch (id) {
    case commands::kViewFile: viewFile(); break;
    case commands::kSearch: search(true, false); break;
    case commands::kFileSearch: search(false, true); break;
    case commands::kComboSearch: search(true, true); break;
    case commands::kExplain: explain(); break;
    case commands::kCreateIndex: indexJob(true); break;
    case commands::kUpdateIndex: indexJob(false); break;
    case commands::kVerifyIndex: verifyIndex(); break;
    case commands::kNextHit: nextHit(); break;
    case commands::kPrevHit: prevHit(); break;
    case commands::kNextDoc:
      if (currentRow() + 1 < model_->rowCount()) selectRow(currentRow() + 1);
      else say(tr("This is the last document"));
      break;
    case commands::kPrevDoc:
      if (currentRow() > 0) selectRow(currentRow() - 1);
      else say(tr("This is the first document"));
      break;
    case commands::kFindText: findText(); break;
    case commands::kCopy: QApplication::clipboard()->setText(view_->copyText()); say(tr("Copied")); break;
    case commands::kPrint: print(); break;
    case commands::kFont: chooseFont(); break;
    case commands::kZoomIn: view_->zoom(1); break;
    case commands::kZoomOut: view_->zoom(-1); break;
    case commands::kWrap: view_->setWrap(!view_->wraps()); break;
    case commands::kInvert: view_->setInverted(!view_->inverted()); break;
    case commands::kPage: view_->nextPage(); break;
    case commands::kImage: showImage(); break;
    case commands::kLaunch: launch(); break;
    case commands::kRunScript: runScript(); break;
    case commands::kEditButtonBar: editButtonBar(); break;
    case commands::kAbout: {
      int16_t major = 0, minor = 0;
      lxrVersion(&major, &minor);
      messageboxes::showInfo(caption(), tr("Lexaurum %1.%2\nDesktop full-text retrieval.").arg(major).arg(minor));
      break;
    }
    case commands::kExit:
      close();
      QCoreApplication::quit();
      break;
    default: break;
  }
}

int MainWindow::currentRow() const {
  QModelIndex i = table_->currentIndex();
  return i.isValid() ? i.row() : -1;
}

void MainWindow::selectRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  table_->setCurrentIndex(model_->index(row, ResultModel::kName));
  table_->scrollTo(model_->index(row, 0));
}

void MainWindow::showRow(int row) {
  const ResultRow& r = model_->row(row);
  if (view_->showDocument(r.engineName, r.hits, utf8Lines_) < 0) say(tr("%1 cannot be read").arg(r.name));
  view_->firstHit();
  showHitStatus();
}

void MainWindow::showHitStatus() {
  if (view_->hitCount() == 0)
    hitLabel_->setText(tr("No hits"));
  else
    hitLabel_->setText(tr("Hit %1 of %2").arg(view_->currentHit() + 1).arg(view_->hitCount()));
}

void MainWindow::nextHit() {
  if (view_->nextHit()) {
    showHitStatus();
  } else if (currentRow() >= 0 && currentRow() + 1 < model_->rowCount()) {
    selectRow(currentRow() + 1);  // shown at its first hit
  } else {
    say(tr("No more hits"));
    QApplication::beep();
  }
}

void MainWindow::prevHit() {
  if (view_->prevHit()) {
    showHitStatus();
  } else if (currentRow() > 0) {
    selectRow(currentRow() - 1);
    view_->lastHit();
    showHitStatus();
  } else {
    say(tr("No earlier hits"));
    QApplication::beep();
  }
}

void MainWindow::search(bool indexes, bool files) {
  SearchRequest r;
  r.request = panel_->request();
  if (r.request.isEmpty()) return say(tr("Type a request first"));
  if (indexes) {
    r.indexFolders = panel_->tickedFolders();
    if (r.indexFolders.isEmpty())
      return notAvailable(tr("Tick an index to search, or make one with Create Index."));
  }
  if (files) {
    r.filesFolder = panel_->filesFolder();
    if (r.filesFolder.isEmpty() || !QFileInfo(r.filesFolder).isDir())
      return notAvailable(tr("Name a folder of files to search."));
  }
  r.searchFlags = panel_->searchFlags();
  r.fuzziness = panel_->fuzziness();
  busy_ = true;
  model_->clear();
  view_->clear();
  table_->horizontalHeader()->setSortIndicator(ResultModel::kScore, Qt::DescendingOrder);
  say(tr("Searching..."));
  SearchOutcome out = searchrunner::run(r, startup_.privateDir, this, [this](const ResultRow& row) {
    model_->add(row);
  });
  busy_ = false;
  totals_ = {out.totalFiles, out.totalHits};
  utf8Lines_ = out.utf8Lines;
  model_->replace(std::move(out.rows));
  totalsLabel_->setText(tr("%1 documents, %2 hits").arg(totals_.documents).arg(totals_.hits));
  switch (out.kind) {
    case SearchOutcome::kFound: say(tr("Found %1 documents").arg(totals_.documents)); break;
    case SearchOutcome::kStopped: say(tr("Search stopped: %1 documents so far").arg(totals_.documents)); break;
    case SearchOutcome::kNone: say(tr("No documents found")); break;
    case SearchOutcome::kFaultyRequest: say(tr("The request was not searched")); break;
    case SearchOutcome::kFailed: say(tr("The results could not be read")); break;
  }
  refreshHistory();
  if (model_->rowCount() > 0) selectRow(0);
}

void MainWindow::explain() {
  const std::string request = enginetext::toEngine(panel_->request());
  int32_t needed = 0;
  int16_t result = 0;
  lxrsExplainRequest(request.c_str(), panel_->searchFlags(), panel_->fuzziness(), nullptr, 0, &needed, &result);
  if (needed <= 0) return panel_->showExplanation(tr("The request cannot be explained."));
  std::vector<char> text(static_cast<size_t>(needed), '\0');
  lxrsExplainRequest(request.c_str(), panel_->searchFlags(), panel_->fuzziness(), text.data(), needed, &needed, &result);
  panel_->showExplanation(enginetext::fromEngine(text.data()));
}

void MainWindow::viewFile() {
  const QString file = Prompts::current().openFile(this, tr("View File"), tr("All Files (*)"));
  if (file.isEmpty()) return;
  table_->clearSelection();
  table_->setCurrentIndex(QModelIndex());
  view_->showDocument(enginetext::toFileName(file), {});
  if (view_->isImageFile()) view_->toggleImage();
  showHitStatus();
  say(file);
}

void MainWindow::findText() {
  QString text = lastFind_;
  if (!Prompts::current().findText(this, &text)) return;
  lastFind_ = text;
  if (!view_->find(text)) say(tr("\"%1\" is not in the document").arg(text));
}

void MainWindow::print() {
  QPrinter printer;
  printer.setDocName(QFileInfo(enginetext::fromFileName(view_->documentName().c_str())).fileName());
  if (!Prompts::current().print(this, &printer)) return;
  view_->print(&printer);
  say(tr("Printed"));
}

void MainWindow::launch() {
  if (view_->documentName().empty()) return say(tr("No document is shown"));
  QString why;
  if (launcher::launch(enginetext::fromFileName(view_->documentName().c_str()), &why) < 0) notAvailable(why);
}

void MainWindow::chooseFont() {
  QFont f = view_->textFont();
  if (Prompts::current().font(this, &f)) view_->setTextFont(f);
}

void MainWindow::showImage() {
  if (view_->toggleImage() < 0) notAvailable(tr("The document shown is not an image file."));
}

void MainWindow::runScript() {
  QString name = pendingScript_;
  pendingScript_.clear();
  if (name.isEmpty())
    name = Prompts::current().openFile(this, QString::fromLatin1(scriptrun::kTitle),
                                       QStringLiteral("%1;;All Files (*)").arg(scriptrun::kFilter));
  if (!name.isEmpty()) runScriptFile(name);
}

int MainWindow::runScriptFile(const QString& name) {
  if (busy_) return -1;
  const QFileInfo file(name);
  if (file.exists() && !file.isFile()) {  // a missing one fails in the engine, which logs why
    say(tr("Script %1 is not a file").arg(name));
    return -1;
  }
  busy_ = true;
  bool quit = false;
  int rc = scriptrun::run(name, this, &quit);
  busy_ = false;
  refreshIndexes();
  refreshHistory();
  say(rc == 0 ? tr("Script %1 ran").arg(name) : tr("Script %1 failed: see its log").arg(name));
  if (quit) QMetaObject::invokeMethod(this, [this] { command(commands::kExit); }, Qt::QueuedConnection);
  return rc == 0 ? 0 : -1;
}

void MainWindow::editButtonBar() {
  if (!bar_) return;
  BarDialog dialog(bar_->table(), bar_->defaultDescription(), settings_.barDescription, this);
  if (!Prompts::current().run(&dialog)) return;
  settings_.barDescription = dialog.description();
  buildBar(settings_.barDescription);
}

void MainWindow::indexJob(bool create) {
  std::vector<IndexEntry> library = indexlist::read();
  if (!create && library.empty()) return notAvailable(tr("There is no index to update yet: use Create Index."));
  IndexDialog dialog(create ? IndexDialog::Mode::kCreate : IndexDialog::Mode::kUpdate, library, this);
  if (!create) {
    const QStringList ticked = panel_->tickedFolders();
    for (size_t i = 0; i < library.size() && !ticked.isEmpty(); ++i)
      if (library[i].folder == ticked.front()) dialog.indexChoice()->setCurrentIndex(static_cast<int>(i));
  }
  if (!Prompts::current().run(&dialog)) return;
  IndexRequest r = dialog.request();
  busy_ = true;
  IndexOutcome out = indexjobs::run(r, startup_.privateDir, this);
  busy_ = false;
  refreshIndexes();
  panel_->tick(r.folder);
  if (out.cancelPresses > 0)
    say(out.cancelPresses > 1 ? tr("Stopped: the index is as it was") : tr("Stopped: the documents finished are kept"));
  else
    say(out.result == 0 ? tr("Index %1 is up to date").arg(r.name) : tr("The index job failed: see INDEXLOG.DAT"));
}

void MainWindow::verifyIndex() {
  const QStringList ticked = panel_->tickedFolders();
  if (ticked.isEmpty()) return notAvailable(tr("Tick the index to verify."));
  busy_ = true;
  QString failure;
  int rc = indexjobs::verify(ticked.front(), this, &failure);
  busy_ = false;
  if (rc == 0) messageboxes::showInfo(caption(), tr("The index in %1 verified.").arg(ticked.front()));
  else messageboxes::showError(caption(), tr("The index in %1 did not verify: %2").arg(ticked.front(), failure));
}

void MainWindow::say(const QString& text) { statusBar()->showMessage(text); }

QString MainWindow::statusText() const { return statusBar()->currentMessage(); }

void MainWindow::notAvailable(const QString& why) {
  say(why);
  messageboxes::showInfo(caption(), why);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  settings_.font = view_->textFont().toString();
  settings_.zoom = view_->zoomLevel();
  settings_.wrap = view_->wraps();
  settings_.inverted = view_->inverted();
  settings_.searchFlags = panel_->searchFlags();
  settings_.fuzziness = panel_->fuzziness();
  settings_.indexes = panel_->tickedFolders();
  settings_.filesFolder = panel_->filesFolder();
  settings_.geometry = saveGeometry();
  settings_.splitter = split_->saveState();
  settings_.save(startup_.privateDir);
  event->accept();
}
