// Start-up: the switch lookup (any case, a longer word, quoted values, cmdline.dat), the
// choice of the private folder, the three initialisation failures with their texts, and the
// program run with a script that ends in QUIT.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <string>

#include "lexaurum/lexaurum.h"
#include "tests/win/WinTestSupport.h"
#include "win/CommandLine.h"
#include "win/Startup.h"

class StartupTest : public QObject {
  Q_OBJECT
 private slots:
  void switchesAreFoundInAnyCaseAndAsTheStartOfALongerWord();
  void valuesAreQuotedOrRunToTheNextBlank();
  void cmdlineDatExtendsTheCommandLine();
  void privateFolderComesFromDirThenTheEnvironment();
  void failedInitialisationsShowTheirTexts();
  void versionCheck();
  void scriptEndingInQuitRunsAndExitsZero();
};

void StartupTest::switchesAreFoundInAnyCaseAndAsTheStartOfALongerWord() {
  CommandLine line({"lexaurum", "-NOMENU", "--NoBBar", "-ddeserver"});
  QCOMPARE(line.text(), std::string("lexaurum -NOMENU --NoBBar -ddeserver"));
  QCOMPARE(line.upper(), std::string("LEXAURUM -NOMENU --NOBBAR -DDESERVER"));
  QVERIFY(line.has("nomenu"));
  QVERIFY(line.has("nobbar"));
  QVERIFY(line.has("dde"));
  QVERIFY(!line.has("script"));
  // A '-' inside a path or a quoted value is no switch.
  CommandLine paths({"lexaurum", "-script", "/tmp/my-dir/x.job", "\"-log in quotes\""});
  QVERIFY(!paths.has("dir"));
  QVERIFY(!paths.has("log"));
}

void StartupTest::valuesAreQuotedOrRunToTheNextBlank() {
  // An argument with a blank is quoted when the line is built.
  CommandLine line({"lexaurum", "-script", "/a b/c.job", "-dir", "/priv/x-y", "-log"});
  QCOMPARE(line.text(), std::string("lexaurum -script \"/a b/c.job\" -dir /priv/x-y -log"));
  std::string v;
  QVERIFY(line.value("script", &v));
  QCOMPARE(v, std::string("/a b/c.job"));
  QVERIFY(line.value("DIR", &v));
  QCOMPARE(v, std::string("/priv/x-y"));
  QVERIFY(!line.value("log", &v));  // no value at the end
  CommandLine next({"lexaurum", "-log", "-nomenu", "--dir=/q", "-script", "'it''s.job'"});
  v = "kept";
  QVERIFY(!next.value("log", &v));  // the next word is a switch
  QCOMPARE(v, std::string("kept"));
  QVERIFY(next.value("dir", &v));
  QCOMPARE(v, std::string("/q"));
  QVERIFY(next.value("script", &v, 2));
  QCOMPARE(v, std::string("it"));  // to the matching quote, cut to the buffer
  // A hostile line is bounded.
  CommandLine huge({std::string(100000, 'x'), "-nomenu"});
  QVERIFY(huge.text().size() <= CommandLine::kMaxBytes);
}

void StartupTest::cmdlineDatExtendsTheCommandLine() {
  QTemporaryDir dir;
  QFile f(dir.filePath("cmdline.dat"));
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("-nobbar\r\n-dir \"/x y\"\n\n-IPC");
  f.close();
  CommandLine line({"lexaurum"});
  QCOMPARE(line.appendFile(dir.filePath("cmdline.dat").toStdString()), 4);
  QCOMPARE(line.text(), std::string("lexaurum -nobbar -dir \"/x y\" -IPC"));
  StartupSettings s = startup::read(line, dir.path());
  QVERIFY(s.noButtonBar);
  QVERIFY(s.ipcServer);
  QVERIFY(!s.noMenu);
  QCOMPARE(s.privateDir, QStringLiteral("/x y"));
  QCOMPARE(line.appendFile(dir.filePath("missing.dat").toStdString()), -1);
}

void StartupTest::privateFolderComesFromDirThenTheEnvironment() {
  qputenv("LXRDIR", "/from/env");
  QCOMPARE(startup::read(CommandLine({"lexaurum"}), "/h").privateDir, QStringLiteral("/from/env"));
  QCOMPARE(startup::read(CommandLine({"lexaurum", "-dir", "/given"}), "/h").privateDir, QStringLiteral("/given"));
  qunsetenv("LXRDIR");
  qputenv("XDG_DATA_HOME", "/xdg");
  StartupSettings s = startup::read(CommandLine({"lexaurum", "-log"}), "/h");
  QCOMPARE(s.privateDir, QStringLiteral("/xdg/lexaurum"));
  QVERIFY(s.log);
  QCOMPARE(s.logFile, QStringLiteral("/xdg/lexaurum/LEXAURUM.LOG"));
  qunsetenv("XDG_DATA_HOME");
}

void StartupTest::failedInitialisationsShowTheirTexts() {
  QTemporaryDir dir;
  wintest::RecordingSink boxes;
  // A home folder without the message file: a necessary file is missing.
  StartupSettings s;
  s.homeDir = dir.filePath("empty-home");
  s.privateDir = dir.filePath("p1");
  QCOMPARE(startup::initEngineOrSay(s, "lexaurum"), -1);
  // A private folder that is a file cannot be made or written.
  QFile blocker(dir.filePath("p2"));
  QVERIFY(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  s.homeDir = wintest::sourcePath("data");
  s.privateDir = dir.filePath("p2");
  QCOMPARE(startup::initEngineOrSay(s, "lexaurum"), -1);
  QCOMPARE(boxes.texts,
           QStringList({QStringLiteral("Lexaurum: Lexaurum could not initialize because a necessary file is "
                                       "missing. Please re-install Lexaurum to restore the missing file."),
                        QStringLiteral("Lexaurum: Lexaurum could not initialize because the directory %1 could "
                                       "not be accessed or was already in use.").arg(s.privateDir)}));
  // Any other failure code.
  QCOMPARE(startup::initFailureText(0, s.privateDir), QStringLiteral("Lexaurum could not initialize"));
  // Nothing was left initialised: a good start-up works afterwards.
  wintest::Engine engine;
  QVERIFY(engine.ok());
}

void StartupTest::versionCheck() {
  int major = 0, minor = 0;
  startup::systemVersion(&major, &minor);
  QVERIFY(startup::versionAccepted(major, minor));
  QVERIFY(!startup::versionAccepted(3, 0));
  QVERIFY(startup::versionAccepted(3, 10));
  QCOMPARE(startup::versionFailureText(3, 0),
           QStringLiteral("This program requires Windows version 3.1 or later.  You have Windows version 3.0."));
}

void StartupTest::scriptEndingInQuitRunsAndExitsZero() {
  QTemporaryDir dir;
  QFile script(dir.filePath("make.job"));
  QVERIFY(script.open(QIODevice::WriteOnly));
  script.write(QStringLiteral("Lexaurum Script\nSet IndexPath = %1\nCreate\nQuit\nCreate\n")
                   .arg(dir.filePath("ix")).toUtf8());
  script.close();
  QProcess program;
  program.start(LXR_DESKTOP, {"--dir", dir.filePath("p"), "--log", dir.filePath("trace.log"), "--script",
                              dir.filePath("make.job")});
  QVERIFY(program.waitForFinished(120000));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 0);
  QVERIFY(QFile::exists(dir.filePath("ix/INDEX_I.IX")));
  QFile log(dir.filePath("make.log"));
  QVERIFY(log.open(QIODevice::ReadOnly));
  const QByteArray logText = log.readAll();
  QCOMPARE(logText.count(">> Create"), 1);  // nothing after QUIT ran
  QFile trace(dir.filePath("trace.log"));
  QVERIFY(trace.open(QIODevice::ReadOnly));
  const QByteArray traceText = trace.readAll();
  QVERIFY(traceText.contains("Command Line: "));
  QVERIFY(traceText.contains("--script " + dir.filePath("make.job").toUtf8()));
  QVERIFY(traceText.contains("Script Quit"));
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
