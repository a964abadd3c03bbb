// The button bar: the command table from the shipped strings, the default description's
// trailing comma, gaps, "Zoom In" with its command and picture, a name not in the table,
// buttons that send their command, and "nobbar".
#include <QAction>
#include <QMenuBar>
#include <QSignalSpy>
#include <QtTest>

#include "tests/win/WinTestSupport.h"
#include "win/ButtonBar.h"
#include "win/ButtonPictures.h"
#include "win/ButtonTable.h"
#include "win/MainWindow.h"
#include "win/StringTable.h"

class ButtonBarTest : public QObject {
  Q_OBJECT
 private slots:
  void tableComesFromTheShippedStrings();
  void defaultBarHasNoButtonForItsTrailingComma();
  void twoDashesGiveTwoGapsAndZoomInIs131();
  void unknownNameGivesTheMessage();
  void buttonsSendTheirCommandAndNobbarHidesTheBar();
  void damagedStringTableGivesFewerStrings();
};

namespace {

std::vector<ButtonCommand> shippedTable(QString* defaultDescription = nullptr) {
  StringTable strings;
  strings.load();
  if (defaultDescription) *defaultDescription = strings.get(buttontable::kDefaultDescriptionId);
  return buttontable::read(strings);
}

}  // namespace

void ButtonBarTest::tableComesFromTheShippedStrings() {
  QString description;
  std::vector<ButtonCommand> table = shippedTable(&description);
  QCOMPARE(table.size(), size_t(21));
  QCOMPARE(table.front().command, 104);
  QCOMPARE(table.front().name, QStringLiteral("View File"));
  QCOMPARE(table.back().command, 107);
  QCOMPARE(table.back().name, QStringLiteral("Launch"));
  QCOMPARE(description, QStringLiteral("View File,Search,-,Copy,Print,Launch,-,Find Text,Prev Hit,Next Hit,-,Prev "
                                       "Doc,Next Doc,-,Font,Image,"));
  StringTable odd;
  odd.parse("1613 77   Spaced Name  \n1614 9\n1615 0\n1616 5 After");
  std::vector<ButtonCommand> t = buttontable::read(odd);
  QCOMPARE(t.size(), size_t(2));
  QCOMPARE(t[0].name, QStringLiteral("Spaced Name"));
  QCOMPARE(t[1].name, QStringLiteral("???"));
}

void ButtonBarTest::defaultBarHasNoButtonForItsTrailingComma() {
  QString description;
  std::vector<ButtonCommand> table = shippedTable(&description);
  BarPlan plan = buttontable::plan(QString(), description, table);
  QVERIFY(plan.unknownNames.isEmpty());
  std::vector<int> commands;
  for (const BarItem& i : plan.items) commands.push_back(i.gap ? 0 : i.command);
  QCOMPARE(commands, (std::vector<int>{104, 123, 0, 161, 109, 107, 0, 166, 173, 165, 0, 170, 168, 0, 190, 117}));
}

void ButtonBarTest::twoDashesGiveTwoGapsAndZoomInIs131() {
  wintest::RecordingSink boxes;
  ButtonBar bar(shippedTable(), "Search");
  bar.rebuild("Zoom In,-,-,,Zoom Out");
  QCOMPARE(bar.layout(), (std::vector<int>{131, 0, 0, 132}));
  QCOMPARE(bar.actions().front()->text(), QStringLiteral("Zoom In"));
  // The picture of the same number (the drawn one when the theme has none).
  QVERIFY(!buttonpictures::forCommand(131).isNull());
  QCOMPARE(QString(buttonpictures::themeName(131)), QStringLiteral("zoom-in"));
  QVERIFY(boxes.texts.isEmpty());
  bar.rebuild(QString());  // back to the default
  QCOMPARE(bar.layout(), (std::vector<int>{123}));
}

void ButtonBarTest::unknownNameGivesTheMessage() {
  wintest::RecordingSink boxes;
  ButtonBar bar(shippedTable(), "Search");
  BarPlan plan = bar.rebuild("Copy,Frobnicate,copy,Print");
  QCOMPARE(bar.layout(), (std::vector<int>{161, 109}));  // names match exactly
  QCOMPARE(plan.unknownNames, QStringList({"Frobnicate", "copy"}));
  QCOMPARE(boxes.texts, QStringList({"Lexaurum: Unable to find button for command \"Frobnicate\"",
                                     "Lexaurum: Unable to find button for command \"copy\""}));
}

void ButtonBarTest::buttonsSendTheirCommandAndNobbarHidesTheBar() {
  wintest::Engine engine;
  QVERIFY(engine.ok());
  StartupSettings settings = engine.settings();
  MainWindow window(settings);
  QVERIFY(window.buttonBar());
  QSignalSpy sent(window.buttonBar(), &ButtonBar::commandChosen);
  for (QAction* a : window.buttonBar()->actions())
    if (a->data().toInt() == 168) a->trigger();
  QCOMPARE(sent.count(), 1);
  QCOMPARE(sent.at(0).at(0).toInt(), 168);
  QCOMPARE(window.statusText(), QStringLiteral("This is the last document"));  // the window got it

  settings.noButtonBar = true;
  settings.noMenu = true;
  MainWindow bare(settings);
  bare.show();
  QVERIFY(!bare.buttonBar()->isVisible());
  QVERIFY(!bare.menuBar()->isVisible());
}

void ButtonBarTest::damagedStringTableGivesFewerStrings() {
  StringTable strings;
  QByteArray junk(5000, '\xff');
  junk += "\n1613 104 View File\n999999999999 x\n\x00\x01 1614\n";
  strings.parse(QString::fromUtf8(junk));
  std::vector<ButtonCommand> t = buttontable::read(strings);
  QCOMPARE(t.size(), size_t(1));  // no "0": the table ends at the first missing string
  QCOMPARE(strings.load("/nonexistent/strings.txt"), -1);
}

QTEST_MAIN(ButtonBarTest)
#include "ButtonBarTest.moc"
