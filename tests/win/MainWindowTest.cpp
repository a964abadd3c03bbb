// The main window over an index of the sample documents: a typed search fills the list as
// `lxr search` does, Next Hit walks every hit and goes on to the next document, every
// button of the default bar (and the viewer's other commands) does its command, an update
// job is cancelled from its status window and leaves the index verifying, and the settings
// are kept between runs.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QTextBlock>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "lexaurum/lexaurum.h"
#include "tests/win/WinTestSupport.h"
#include "win/BarDialog.h"
#include "win/ButtonBar.h"
#include "win/Commands.h"
#include "win/DocumentView.h"
#include "win/IndexDialog.h"
#include "win/JobStatusWindow.h"
#include "win/Launcher.h"
#include "win/MainWindow.h"
#include "win/SearchPanel.h"

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void typedSearchFillsTheListAsLxrSearchDoes();
  void nextHitWalksEveryHitThenGoesToTheNextDocument();
  void everyButtonOfTheDefaultBarDoesItsCommand();
  void viewerCommandsChangeTheView();
  void searchesOfFilesNotIndexed();
  void explainShowsHowTheRequestIsUnderstood();
  void updateCancelledFromItsStatusWindowLeavesTheIndexVerifying();
  void settingsAreKeptBetweenRuns();

 private:
  // Types `request` into the window's request box and presses Enter.
  void typeAndSearch(const QString& request);
  // Presses the bar's button for `command`; false when the bar has none.
  bool press(int command);

  std::unique_ptr<wintest::Engine> engine_;
  std::unique_ptr<wintest::RecordingSink> boxes_;
  std::unique_ptr<wintest::ScriptedPrompts> prompts_;
  std::unique_ptr<MainWindow> window_;
};

namespace {

const QString kRequest = QStringLiteral("harbour or pilot*");

QString samples(const QString& relative = QString()) { return wintest::sourcePath("data/samples/" + relative); }

int32_t indexDocuments(const QString& folder) {
  lxrIndexInfo info;
  LXR_INIT_RECORD(info);
  int16_t result = 0;
  if (lxrsGetIndexInfo(QFile::encodeName(folder).constData(), &info, &result) < 0) return -1;
  return info.documents;
}

int verifyIndex(const QString& folder) {
  char failure[256] = "";
  int16_t result = 0;
  return lxrsVerifyIndex(QFile::encodeName(folder).constData(), nullptr, failure, sizeof failure, &result);
}

}  // namespace

void MainWindowTest::init() {
  engine_ = std::make_unique<wintest::Engine>();
  QVERIFY(engine_->ok());
  boxes_ = std::make_unique<wintest::RecordingSink>();
  prompts_ = std::make_unique<wintest::ScriptedPrompts>();
  QCOMPARE(engine_->makeIndex("Samples", samples()), 0);
  window_ = std::make_unique<MainWindow>(engine_->settings());
  window_->show();
}

void MainWindowTest::cleanup() {
  window_.reset();
  prompts_.reset();
  boxes_.reset();
  engine_.reset();
}

void MainWindowTest::typeAndSearch(const QString& request) {
  QLineEdit* edit = window_->searchPanel()->requestBox()->lineEdit();
  edit->clear();
  QTest::keyClicks(edit, request);
  QTest::keyClick(edit, Qt::Key_Return);
}

bool MainWindowTest::press(int command) {
  for (QAction* a : window_->buttonBar()->actions()) {
    if (!a->isSeparator() && a->data().toInt() == command) {
      a->trigger();
      return true;
    }
  }
  return false;
}

void MainWindowTest::typedSearchFillsTheListAsLxrSearchDoes() {
  QCOMPARE(window_->searchPanel()->tickedFolders(), QStringList({engine_->file("Samples")}));
  QSignalSpy filled(window_->results(), &QAbstractItemModel::rowsInserted);
  typeAndSearch(kRequest);
  QVERIFY(filled.count() > 0);  // rows came while the search ran

  // The private folder is held by this process: lxr works from a copy of its settings.
  QProcess lxr;
  lxr.start(LXR_TOOL, {"--dir", engine_->privateDir(), "search", kRequest, "Samples", "--json"});
  QVERIFY(lxr.waitForFinished(60000));
  QCOMPARE(lxr.exitCode(), 0);
  const QList<QByteArray> lines = lxr.readAllStandardOutput().trimmed().split('\n');
  QCOMPARE(window_->results()->rowCount(), lines.size());
  int32_t hits = 0;
  for (int i = 0; i < lines.size(); ++i) {
    QJsonObject doc = QJsonDocument::fromJson(lines[i]).object();
    const ResultRow& row = window_->results()->row(i);
    QCOMPARE(QString::fromStdString(row.engineName), doc["name"].toString());
    QCOMPARE(row.score, doc["score"].toInt());
    QCOMPARE(row.hitCount, doc["hitCount"].toInt());
    QCOMPARE(row.title, doc["title"].toString());
    QCOMPARE(row.name + "/", QFileInfo(doc["name"].toString()).fileName() + "/");
    hits += row.hitCount;
  }
  QCOMPARE(window_->totals().documents, int32_t(lines.size()));
  QCOMPARE(window_->totals().hits, hits);
  QCOMPARE(window_->searchPanel()->history().value(0), kRequest);  // from the engine's history

  // Sorting by a column, and back to best first.
  window_->resultView()->sortByColumn(ResultModel::kName, Qt::AscendingOrder);
  QVERIFY(window_->results()->row(0).name <= window_->results()->row(1).name);
  window_->resultView()->sortByColumn(ResultModel::kScore, Qt::DescendingOrder);
  QVERIFY(window_->results()->row(0).score >= window_->results()->row(1).score);
}

void MainWindowTest::nextHitWalksEveryHitThenGoesToTheNextDocument() {
  typeAndSearch(kRequest);
  QVERIFY(window_->results()->rowCount() >= 2);
  QCOMPARE(window_->currentRow(), 0);
  DocumentView* view = window_->viewer();
  const int hitCount = view->hitCount();
  QCOMPARE(hitCount, window_->results()->row(0).hitCount);
  QCOMPARE(view->currentHit(), 0);
  int line = view->currentHitLine();
  for (int h = 1; h < hitCount; ++h) {
    window_->command(commands::kNextHit);
    QCOMPARE(view->currentHit(), h);
    QVERIFY(view->currentHitLine() >= line);
    line = view->currentHitLine();
    QVERIFY2(view->currentHitText().contains(QRegularExpression("^(harbour|pilot)", QRegularExpression::CaseInsensitiveOption)),
             qPrintable(view->currentHitText()));
  }
  window_->command(commands::kNextHit);  // past the last hit: the next document's first
  QCOMPARE(window_->currentRow(), 1);
  QCOMPARE(view->currentHit(), 0);
  QCOMPARE(view->hitCount(), window_->results()->row(1).hitCount);
  window_->command(commands::kPrevHit);  // and back to the last hit of the first
  QCOMPARE(window_->currentRow(), 0);
  QCOMPARE(view->currentHit(), hitCount - 1);
}

void MainWindowTest::everyButtonOfTheDefaultBarDoesItsCommand() {
  DocumentView* view = window_->viewer();
  // View File (104)
  prompts_->fileAnswer = samples("letters/harbour-office.txt");
  QVERIFY(press(commands::kViewFile));
  QCOMPARE(QString::fromStdString(view->documentName()), prompts_->fileAnswer);
  QVERIFY(view->textView()->toPlainText().contains("Harbour Office"));
  // Search (123)
  window_->searchPanel()->setRequest(kRequest);
  QVERIFY(press(commands::kSearch));
  QVERIFY(window_->results()->rowCount() > 2);
  // Next Doc (168), Prev Doc (170)
  QVERIFY(press(commands::kNextDoc));
  QCOMPARE(window_->currentRow(), 1);
  QVERIFY(press(commands::kPrevDoc));
  QCOMPARE(window_->currentRow(), 0);
  // Next Hit (165), Prev Hit (173)
  QVERIFY(press(commands::kNextHit));
  QCOMPARE(view->currentHit(), 1);
  QVERIFY(press(commands::kPrevHit));
  QCOMPARE(view->currentHit(), 0);
  // Copy (161): the whole document, then the selection
  QVERIFY(press(commands::kCopy));
  QCOMPARE(QApplication::clipboard()->text(), view->textView()->toPlainText());
  QTextCursor c = view->textView()->textCursor();
  c.movePosition(QTextCursor::Start);
  c.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 7);
  view->textView()->setTextCursor(c);
  QVERIFY(press(commands::kCopy));
  QCOMPARE(QApplication::clipboard()->text(), view->textView()->toPlainText().left(7));
  // Find Text (166)
  prompts_->findAnswer = QStringLiteral("schooner");
  QVERIFY(press(commands::kFindText));
  QCOMPARE(view->textView()->textCursor().selectedText(), QStringLiteral("schooner"));
  // Print (109), to a PDF file
  prompts_->pdfAnswer = engine_->file("printed.pdf");
  QVERIFY(press(commands::kPrint));
  QFile pdf(prompts_->pdfAnswer);
  QVERIFY(pdf.open(QIODevice::ReadOnly));
  QVERIFY(pdf.read(5) == "%PDF-");
  // Launch (107): the desktop's opener gets the document's name as its one argument
  const QString opener = engine_->file("opener.sh");
  QFile script(opener);
  QVERIFY(script.open(QIODevice::WriteOnly));
  script.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1.tmp' && mv '%1.tmp' '%1'\n")
                   .arg(engine_->file("launched")).toUtf8());
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  launcher::setProgram(opener);
  QVERIFY(press(commands::kLaunch));
  QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(engine_->file("launched")), 10000);
  QFile launched(engine_->file("launched"));
  QVERIFY(launched.open(QIODevice::ReadOnly));
  QCOMPARE(QString::fromUtf8(launched.readAll()), QString::fromStdString(view->documentName()));
  launcher::setProgram(QString());
  // Font (190)
  prompts_->fontAnswer = QFont(QStringLiteral("DejaVu Serif"), 15);
  QVERIFY(press(commands::kFont));
  QCOMPARE(view->textFont().family(), QStringLiteral("DejaVu Serif"));
  // Image (117): a text document is no image; an image file shows as a picture
  QVERIFY(press(commands::kImage));
  QVERIFY(!view->showingImage());
  QVERIFY(boxes_->texts.last().contains("not an image"));
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  QVERIFY(picture.save(engine_->file("picture.png")));
  prompts_->fileAnswer = engine_->file("picture.png");
  QVERIFY(press(commands::kViewFile));
  QVERIFY(view->showingImage());
  QVERIFY(press(commands::kImage));
  QVERIFY(!view->showingImage());
}

void MainWindowTest::viewerCommandsChangeTheView() {
  DocumentView* view = window_->viewer();
  const QString paged = engine_->file("paged.rtf");
  QFile rtf(paged);
  QVERIFY(rtf.open(QIODevice::WriteOnly));
  rtf.write("{\\rtf1 one\\par two\\par\\page three\\par four\\par\\page five}");
  rtf.close();
  prompts_->fileAnswer = paged;
  window_->command(commands::kViewFile);
  view->nextPage();  // to the line after the first page end
  QCOMPARE(view->textView()->textCursor().block().text(), QStringLiteral("three"));
  window_->command(commands::kPage);
  QCOMPARE(view->textView()->textCursor().block().text(), QStringLiteral("five"));
  window_->command(commands::kPage);  // from the last page to the first
  QCOMPARE(view->textView()->textCursor().block().text(), QStringLiteral("one"));

  const qreal size = view->textView()->font().pointSizeF();
  window_->command(commands::kZoomIn);
  window_->command(commands::kZoomIn);
  QCOMPARE(view->zoomLevel(), 2);
  QVERIFY(view->textView()->font().pointSizeF() > size);
  window_->command(commands::kZoomOut);
  QCOMPARE(view->zoomLevel(), 1);
  window_->command(commands::kWrap);
  QCOMPARE(view->textView()->lineWrapMode(), QPlainTextEdit::NoWrap);
  window_->command(commands::kInvert);
  QVERIFY(view->inverted());
  QVERIFY(view->textView()->palette().color(QPalette::Base).lightness() < 64);
}

void MainWindowTest::searchesOfFilesNotIndexed() {
  window_->searchPanel()->setFilesFolder(samples("letters"));
  window_->searchPanel()->setRequest(QStringLiteral("harbour"));
  window_->command(commands::kFileSearch);
  const int files = window_->results()->rowCount();
  QVERIFY(files > 0);
  for (int i = 0; i < files; ++i) QVERIFY(window_->results()->row(i).folder.endsWith("/letters"));
  window_->command(commands::kComboSearch);
  QVERIFY(window_->results()->rowCount() > files);  // the index's notices and reports too
  window_->searchPanel()->setFilesFolder(engine_->file("no-such-folder"));
  window_->command(commands::kFileSearch);
  QVERIFY(boxes_->texts.last().contains("Name a folder"));
}

void MainWindowTest::explainShowsHowTheRequestIsUnderstood() {
  window_->searchPanel()->setRequest(QStringLiteral("harbour w/3 pilot*"));
  window_->command(commands::kExplain);
  const QString explained = window_->searchPanel()->explanation();
  QVERIFY2(explained.contains("harbour", Qt::CaseInsensitive) && explained.contains("pilot", Qt::CaseInsensitive),
           qPrintable(explained));
  window_->searchPanel()->setRequest(QStringLiteral("harbour and ("));
  window_->command(commands::kExplain);
  QVERIFY(window_->searchPanel()->explanation() != explained);
  QVERIFY(!window_->searchPanel()->explanation().isEmpty());
}

void MainWindowTest::updateCancelledFromItsStatusWindowLeavesTheIndexVerifying() {
  const QString docs = engine_->file("many");
  QVERIFY(QDir().mkpath(docs));
  auto write = [&](int from, int to) {
    for (int i = from; i < to; ++i) {
      QFile f(docs + QStringLiteral("/doc%1.txt").arg(i));
      QVERIFY(f.open(QIODevice::WriteOnly));
      for (int line = 0; line < 30; ++line)
        f.write(QStringLiteral("anchor word%1 line%2 harbour pilot tide fog\n").arg(i).arg(line).toUtf8());
    }
  };
  write(0, 10);
  // Create Index (145) through its dialog.
  const QString ix = engine_->file("many-ix");
  prompts_->dialogAnswer = [&](QDialog* d) {
    auto* dialog = qobject_cast<IndexDialog*>(d);
    if (!dialog) return false;
    if (dialog->nameEdit()) {
      dialog->nameEdit()->setText("Many");
      dialog->folderEdit()->setText(ix);
      dialog->addDocumentFolder(docs);
    } else {
      dialog->indexChoice()->setCurrentIndex(dialog->indexChoice()->findText("Many", Qt::MatchStartsWith));
    }
    return true;
  };
  window_->command(commands::kCreateIndex);
  QCOMPARE(indexDocuments(ix), 10);
  QVERIFY(window_->searchPanel()->tickedFolders().contains(ix));
  write(10, 1500);

  // Update Index (152), cancelled after some documents; then once more, pressed twice.
  for (int presses : {1, 2}) {
    const int32_t before = indexDocuments(ix);
    int openWhileRunning = 0;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* status = qobject_cast<JobStatusWindow*>(w);
        if (!status || status->cancelPresses() > 0) continue;
        QRegularExpressionMatch m = QRegularExpression("^Indexing (\\d+) of").match(status->statusText());
        if (!m.hasMatch() || m.captured(1).toInt() < 20) continue;
        openWhileRunning = JobStatusWindow::openCount();
        for (int i = 0; i < presses; ++i) QTest::mouseClick(status->cancelButton(), Qt::LeftButton);
      }
    });
    watcher.start(0);
    window_->command(commands::kUpdateIndex);
    watcher.stop();
    QCOMPARE(openWhileRunning, 1);
    QCOMPARE(JobStatusWindow::openCount(), 0);
    QCOMPARE(verifyIndex(ix), 0);
    const int32_t after = indexDocuments(ix);
    if (presses == 1) {
      QVERIFY2(after > before && after < 1500, qPrintable(QString::number(after)));
      QCOMPARE(window_->statusText(), QStringLiteral("Stopped: the documents finished are kept"));
    } else {
      QCOMPARE(after, before);
      QCOMPARE(window_->statusText(), QStringLiteral("Stopped: the index is as it was"));
    }
  }
}

void MainWindowTest::settingsAreKeptBetweenRuns() {
  prompts_->dialogAnswer = [](QDialog* d) {
    auto* dialog = qobject_cast<BarDialog*>(d);
    if (!dialog) return false;
    dialog->editor()->setText("Zoom In,-,Zoom Out,Bogus");
    return true;
  };
  window_->command(commands::kEditButtonBar);
  QCOMPARE(window_->buttonBar()->layout(), (std::vector<int>{131, 0, 132}));
  QVERIFY(boxes_->texts.last().contains("\"Bogus\""));
  window_->command(commands::kZoomIn);
  window_->command(commands::kWrap);
  window_->close();
  MainWindow again(engine_->settings());
  QCOMPARE(again.buttonBar()->layout(), (std::vector<int>{131, 0, 132}));
  QCOMPARE(again.viewer()->zoomLevel(), 1);
  QVERIFY(!again.viewer()->wraps());
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
