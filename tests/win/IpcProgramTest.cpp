// The desktop program's IPC server, against a real running `lexaurum -ipc` and through the
// real `lxr remote`: its six topics, a refused connect, the poke limit, a script run by an
// execute (and names that are no script), busy while an update runs, quit acknowledged
// before the program ends, and a connection of another user refused.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "lexaurum/lxripc.h"
#include "tests/win/IpcTestClient.h"

namespace {

// One running program with its own runtime and private folders.
class RunningProgram {
 public:
  RunningProgram() {
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("XDG_RUNTIME_DIR", runtime());
    env_.insert("QT_QPA_PLATFORM", "offscreen");
    QDir().mkpath(runtime());
    ::chmod(QFile::encodeName(runtime()).constData(), 0700);
  }
  ~RunningProgram() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(10000);
    }
  }

  // Starts the program and waits until it serves. False when it does not within 60 s.
  bool start() {
    process_.setProcessEnvironment(env_);
    process_.start(LXR_DESKTOP, {"-ipc", "-dir", file("p"), "-log", file("trace.log")});
    if (!process_.waitForStarted(20000)) return false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000 && process_.state() == QProcess::Running) {
      wintest::IpcTestClient probe;
      if (probe.open(socket(), 500)) return true;
      QTest::qWait(100);
    }
    return false;
  }

  // Runs `lxr remote ARGS` in `cwd` (empty: here); its exit status, or -1 when it did not end.
  int remote(const QStringList& args, QByteArray* out = nullptr, const QString& cwd = {},
             const QStringList& wrapper = {}) {
    QProcess lxr;
    lxr.setProcessEnvironment(env_);
    if (!cwd.isEmpty()) lxr.setWorkingDirectory(cwd);
    const QStringList all = QStringList{"remote"} + args;
    if (wrapper.isEmpty())
      lxr.start(LXR_TOOL, all);
    else
      lxr.start(wrapper.first(), wrapper.mid(1) + QStringList{LXR_TOOL} + all);
    if (!lxr.waitForFinished(120000)) return -1;
    if (out) *out = lxr.readAllStandardOutput() + lxr.readAllStandardError();
    return lxr.exitStatus() == QProcess::NormalExit ? lxr.exitCode() : -1;
  }

  QString folder() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }
  QString runtime() const { return dir_.filePath("run"); }
  QString socket() const { return wintest::ipcSocketPath(runtime()); }
  QProcess& process() { return process_; }

 private:
  QTemporaryDir dir_;
  QProcessEnvironment env_;
  QProcess process_;
};

bool writeFile(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class IpcProgramTest : public QObject {
  Q_OBJECT
 private slots:
  void topicsConnectAndPokeLimit();
  void scriptTopicRunsTheScript();
  void executeWhileAnUpdateRunsIsAnsweredBusy();
  void quitIsAcknowledgedAndTheProgramEnds();
  void anotherUsersConnectionIsRefused();
};

void IpcProgramTest::topicsConnectAndPokeLimit() {
  RunningProgram program;
  QVERIFY(program.start());
  QByteArray out;
  QCOMPARE(program.remote({"topics"}, &out), 0);  // a wild connect without a topic
  QCOMPARE(out, QByteArray("script\nminimize\nmaximize\nshow\nhide\nquit\n"));
  QCOMPARE(program.remote({"execute", "print"}, &out), 1);
  QVERIFY(out.contains("Connect refused -- topic not found"));
  QVERIFY(writeFile(program.file("big"), QByteArray(32001, 'x')));
  QCOMPARE(program.remote({"poke", "script", "data", program.file("big")}, &out), 1);
  QVERIFY(out.contains("not processed"));
  QCOMPARE(program.remote({"execute", "hide"}), 0);
  QCOMPARE(program.remote({"execute", "show"}), 0);
  QCOMPARE(program.remote({"frobnicate"}), 2);
}

void IpcProgramTest::scriptTopicRunsTheScript() {
  RunningProgram program;
  QVERIFY(program.start());
  QVERIFY(writeFile(program.file("make.job"),
                    QStringLiteral("Lexaurum Script\nSet IndexPath = %1\nCreate\n").arg(program.file("ix")).toUtf8()));
  // A relative name is taken from lxr's folder, not the program's.
  QCOMPARE(program.remote({"execute", "script", "make.job"}, nullptr, program.folder()), 0);
  QVERIFY(readFile(program.file("make.log")).contains(">> Create"));
  QVERIFY(QFile::exists(program.file("ix/INDEX_I.IX")));

  // Names that are no script are answered "not processed", and the program serves on; a pipe
  // is not opened at all (reading it would stall the window).
  QVERIFY(writeFile(program.file("plain.txt"), "just some text\n"));
  QCOMPARE(::mkfifo(QFile::encodeName(program.file("pipe.job")).constData(), 0600), 0);
  for (const QString& name : {program.file("missing.job"), program.file("plain.txt"), program.file("pipe.job")})
    QCOMPARE(program.remote({"execute", "script", name}), 1);
  QCOMPARE(program.remote({"topics"}), 0);
}

void IpcProgramTest::executeWhileAnUpdateRunsIsAnsweredBusy() {
  RunningProgram program;
  QVERIFY(QDir().mkpath(program.file("docs")));
  // Enough documents that the update runs for a while.
  for (int i = 0; i < 400; ++i) {
    QByteArray text;
    for (int w = 0; w < 300; ++w) text += "w" + QByteArray::number((i * 7919 + w * 104729) % 100003) + ' ';
    QVERIFY(writeFile(program.file(QStringLiteral("docs/d%1.txt").arg(i)), text));
  }
  QVERIFY(writeFile(program.file("update.job"), QStringLiteral("Lexaurum Script\nSet IndexPath = %1\nCreate\n"
                                                               "Set DocPath = %2\nAdd\n")
                                                    .arg(program.file("ix"), program.file("docs"))
                                                    .toUtf8()));
  QVERIFY(program.start());
  wintest::IpcTestClient job;
  QVERIFY(job.open(program.socket()));
  QVERIFY(job.connectTo("script"));
  QVERIFY(job.send(LXR_IPC_EXECUTE, {QFile::encodeName(program.file("update.job"))}));
  bool busySeen = false;
  wintest::IpcFrame done;
  QElapsedTimer clock;
  clock.start();
  while (!busySeen && done.type == 0 && clock.elapsed() < 300000 && program.process().state() == QProcess::Running) {
    busySeen = program.remote({"execute", "show"}) == 3;
    done = job.receive(0);
  }
  QVERIFY2(busySeen, "the update ended before an execute was answered busy");
  if (done.type == 0) done = job.receive(300000);
  QCOMPARE(done.result, uint32_t(LXR_IPC_ACK));
  QVERIFY(readFile(program.file("update.log")).contains(">> Add"));
  QCOMPARE(program.remote({"execute", "show"}), 0);  // no longer busy
}

void IpcProgramTest::quitIsAcknowledgedAndTheProgramEnds() {
  RunningProgram program;
  QVERIFY(program.start());
  wintest::IpcTestClient c;
  QVERIFY(c.open(program.socket()));
  QVERIFY(c.connectTo("quit"));
  QCOMPARE(c.request(LXR_IPC_EXECUTE, {""}).result, uint32_t(LXR_IPC_ACK));
  QVERIFY(program.process().waitForFinished(30000));
  QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.process().exitCode(), 0);
  QVERIFY(!QFile::exists(program.socket()));
  QCOMPARE(program.remote({"topics"}), 2);  // no program serves any more
}

void IpcProgramTest::anotherUsersConnectionIsRefused() {
  const QString setpriv = QStandardPaths::findExecutable("setpriv");
  if (::geteuid() != 0 || setpriv.isEmpty())
    QSKIP("needs root and setpriv to run a client as a second user; see docs/formats/ipc-protocol.md for the check by hand");
  RunningProgram program;
  QVERIFY(program.start());
  const QStringList nobody{setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"};
  // The socket's folder keeps the other user out...
  QByteArray out;
  QCOMPARE(program.remote({"topics"}, &out, QDir::tempPath(), nobody), 2);
  // ...and with the folder and the socket opened to everyone, the server refuses the peer.
  for (const QString& path : {program.folder(), program.runtime(), program.runtime() + "/lexaurum"})
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0755), 0);
  QCOMPARE(::chmod(QFile::encodeName(program.socket()).constData(), 0666), 0);
  QCOMPARE(program.remote({"topics"}, &out, QDir::tempPath(), nobody), 1);
  QVERIFY2(out.contains("another user"), out.constData());
  QCOMPARE(program.remote({"topics"}), 0);  // the program's own user is served still
}

QTEST_MAIN(IpcProgramTest)
#include "IpcProgramTest.moc"
