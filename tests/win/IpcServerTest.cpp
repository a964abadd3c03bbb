// The general IPC server in the test's own process: the topic table's limit, connect and
// wild connect by service and topic, the base handlers and the busy answer, the poke limit,
// the one current conversation, hostile clients (bad frames, oversized lengths, half a frame,
// 100 at once, one that leaves mid-transaction), and one server per name with a stale
// socket replaced.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>

#include "lexaurum/lxripc.h"
#include "tests/win/IpcTestClient.h"
#include "tests/win/WinTestSupport.h"
#include "win/IpcConnection.h"
#include "win/IpcServer.h"

namespace {

constexpr uint8_t kWildAnswer = LXR_IPC_WILD_CONNECT | LXR_IPC_ANSWER;

class TestServer : public IpcServer {
 public:
  explicit TestServer(const QString& path) : IpcServer(path) {
    addTopic("one", 7);
    addTopic("two", 8);
  }
  bool busyNow = false;
  std::function<int(int, const QByteArray&)> onExecute;  // null: the base's event box

 protected:
  int execute(int topic, const QByteArray& text) override {
    return onExecute ? onExecute(topic, text) : IpcServer::execute(topic, text);
  }
  bool busy() const override { return busyNow; }
};

// A frame header with any payload length, followed by `rest`.
QByteArray header(uint8_t type, uint32_t payloadBytes, const QByteArray& rest = {}) {
  QByteArray h(LXR_IPC_HEADER_BYTES, '\0');
  h[0] = 'L';
  h[1] = 'X';
  h[2] = LXR_IPC_VERSION;
  h[3] = static_cast<char>(type);
  for (int i = 0; i < 4; ++i) h[8 + i] = static_cast<char>(payloadBytes >> (8 * i));
  return h + rest;
}

}  // namespace

class IpcServerTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void topicTableTakesNineteen();
  void connectAndWildConnectFollowServiceAndTopic();
  void baseHandlersShowTheirEventsAndPokeDataIsBounded();
  void disconnectOfAConversationThatIsNotCurrent();
  void malformedFramesAreAnsweredAndClosed();
  void executeTextIsBoundedAndWhole();
  void halfAFrameStallsOnlyItsOwnConnection();
  void hundredClientsAtOnceAreAllAnswered();
  void clientLeavingMidTransactionDoesNotStopTheServer();
  void oneServerPerNameAndAStaleSocketIsReplaced();

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<TestServer> server_;
  QString path_;
  bool openClient(wintest::IpcTestClient* c) { return c->open(path_); }
};

void IpcServerTest::init() {
  server_.reset();
  dir_ = std::make_unique<QTemporaryDir>();
  path_ = wintest::ipcSocketPath(dir_->path());
  server_ = std::make_unique<TestServer>(path_);
  QCOMPARE(server_->start(), 0);
}

void IpcServerTest::topicTableTakesNineteen() {
  IpcServer s(path_);
  for (int n = 1; n <= 19; ++n) QCOMPARE(s.addTopic("t" + QByteArray::number(n), n), 0);
  QCOMPARE(s.addTopic("t20", 20), -1);
  QCOMPARE(s.topicCount(), 19);
}

void IpcServerTest::connectAndWildConnectFollowServiceAndTopic() {
  QCOMPARE(server_->windowTitle(), QStringLiteral("DDE Server"));
  QCOMPARE(server_->statusText(), QStringLiteral("Enabled"));
  wintest::IpcTestClient c;
  QVERIFY(openClient(&c));
  wintest::IpcFrame a = c.request(LXR_IPC_CONNECT, {LXR_IPC_SERVICE, "nosuch"});
  QCOMPARE(a.type, uint8_t(LXR_IPC_CONNECT | LXR_IPC_ANSWER));
  QCOMPARE(a.result, 0u);
  QCOMPARE(a.text(), QByteArray("Connect refused -- topic not found"));
  QCOMPARE(c.request(LXR_IPC_CONNECT, {"Other", "one"}).result, 0u);
  a = c.request(LXR_IPC_CONNECT, {"", "TWO"});  // no service, topic in another case
  QCOMPARE(a.result, uint32_t(LXR_IPC_CONNECTED));
  QCOMPARE(a.text(), QByteArray("Connected"));

  const QList<QByteArray> all{LXR_IPC_SERVICE, "one", LXR_IPC_SERVICE, "two", "", ""};
  for (const QByteArray& service : {QByteArray(), QByteArray("lexaurum")}) {
    a = c.request(LXR_IPC_WILD_CONNECT, {service, ""});
    QCOMPARE(a.type, kWildAnswer);
    QCOMPARE(a.result, 2u);
    QCOMPARE(a.fields, all);
  }
  a = c.request(LXR_IPC_WILD_CONNECT, {"", "Two"});
  QCOMPARE(a.result, 1u);
  QCOMPARE(a.fields, (QList<QByteArray>{LXR_IPC_SERVICE, "two", "", ""}));
  for (const auto& [service, topic] : {std::pair<QByteArray, QByteArray>{"", "none"}, {"Other", ""}, {"Other", "one"}}) {
    a = c.request(LXR_IPC_WILD_CONNECT, {service, topic});
    QCOMPARE(a.type, kWildAnswer);
    QCOMPARE(a.result, 0u);
    QVERIFY(a.fields.isEmpty());
  }
}

void IpcServerTest::baseHandlersShowTheirEventsAndPokeDataIsBounded() {
  wintest::RecordingSink boxes;
  wintest::IpcTestClient c;
  QVERIFY(openClient(&c));
  QVERIFY(c.connectTo("one"));
  QCOMPARE(c.request(LXR_IPC_EXECUTE, {"hello"}).result, uint32_t(LXR_IPC_ACK));
  QCOMPARE(c.request(LXR_IPC_POKE, {"item", QByteArray(32000, 'x')}).result, uint32_t(LXR_IPC_ACK));
  QCOMPARE(boxes.texts, (QStringList{"DDE Event: DDE Execute: topic=7 item=hello",
                                     "DDE Event: DDE Poke: topic=7 item=32000 bytes"}));
  wintest::IpcFrame a = c.request(LXR_IPC_POKE, {"item", QByteArray(32001, 'x')});
  QCOMPARE(a.result, uint32_t(LXR_IPC_NOT_PROCESSED));
  server_->busyNow = true;
  a = c.request(LXR_IPC_EXECUTE, {"hello"});
  QCOMPARE(a.result, uint32_t(LXR_IPC_BUSY));
  QCOMPARE(a.text(), QByteArray("DDE Execute refused -- busy"));
  QCOMPARE(c.request(LXR_IPC_POKE, {"item", "data"}).result, uint32_t(LXR_IPC_BUSY));
  QCOMPARE(boxes.texts.size(), 2);  // neither the long poke nor a busy one reached a handler
}

void IpcServerTest::disconnectOfAConversationThatIsNotCurrent() {
  wintest::IpcTestClient first, second;
  QVERIFY(openClient(&first) && openClient(&second));
  QVERIFY(first.connectTo("one"));
  QVERIFY(second.connectTo("two"));  // now the current conversation
  wintest::IpcFrame a = first.request(LXR_IPC_DISCONNECT, {});
  QCOMPARE(a.result, 0u);
  QCOMPARE(a.text(), QByteArray("DDE Disconnect (wrong hConv)"));
  QCOMPARE(second.request(LXR_IPC_DISCONNECT, {}).result, 1u);
  // Without a conversation nothing is carried out.
  QCOMPARE(second.request(LXR_IPC_EXECUTE, {"x"}).result, uint32_t(LXR_IPC_NOT_PROCESSED));
}

void IpcServerTest::malformedFramesAreAnsweredAndClosed() {
  struct Case {
    QByteArray bytes;
    uint32_t error;
  };
  QByteArray overrun = header(LXR_IPC_EXECUTE, 4, QByteArray("\x64\0\0\0", 4));  // a field of 100 in 0
  const Case cases[] = {
      {"GET / HTTP/1.0\r\n\r\n", LXR_IPC_ERROR_MALFORMED},
      {header(LXR_IPC_EXECUTE, 0xFFFFFFFFu), LXR_IPC_ERROR_TOO_LONG},
      {header(LXR_IPC_EXECUTE, LXR_IPC_MAX_PAYLOAD + 1), LXR_IPC_ERROR_TOO_LONG},
      {overrun, LXR_IPC_ERROR_MALFORMED},
      {header(LXR_IPC_EXECUTE, 0), LXR_IPC_ERROR_MALFORMED},  // an execute without its text
  };
  for (const Case& k : cases) {
    wintest::IpcTestClient c;
    QVERIFY(openClient(&c));
    QVERIFY(c.sendBytes(k.bytes));
    wintest::IpcFrame a = c.receive();
    QCOMPARE(a.type, uint8_t(LXR_IPC_ERROR));
    QCOMPARE(a.result, k.error);
    QVERIFY(c.closedWithin(5000));
  }
  // An unknown transaction is answered and the connection goes on.
  wintest::IpcTestClient c;
  QVERIFY(openClient(&c));
  wintest::IpcFrame a = c.request(9, {"x"});
  QCOMPARE(a.type, uint8_t(LXR_IPC_ERROR));
  QCOMPARE(a.result, uint32_t(LXR_IPC_ERROR_UNKNOWN));
  QCOMPARE(c.request(LXR_IPC_WILD_CONNECT, {"", ""}).result, 2u);
}

void IpcServerTest::executeTextIsBoundedAndWhole() {
  QList<QByteArray> seen;
  server_->onExecute = [&seen](int, const QByteArray& text) {
    seen << text;
    return 0;
  };
  wintest::IpcTestClient c;
  QVERIFY(openClient(&c));
  QVERIFY(c.connectTo("one"));
  const QByteArray longest(LXR_IPC_MAX_TEXT, 'a');
  QCOMPARE(c.request(LXR_IPC_EXECUTE, {longest}).result, uint32_t(LXR_IPC_ACK));
  QCOMPARE(c.request(LXR_IPC_EXECUTE, {QByteArray("ok\0\0", 4)}).result, uint32_t(LXR_IPC_ACK));
  // Cut or taken up to a zero byte, these would name something else than was sent.
  for (const QByteArray& text : {longest + "a", QByteArray(10000, 'b'), QByteArray("a.job\0b.job", 11)})
    QCOMPARE(c.request(LXR_IPC_EXECUTE, {text}).result, uint32_t(LXR_IPC_NOT_PROCESSED));
  QCOMPARE(c.request(LXR_IPC_POKE, {QByteArray(300, 'i'), "data"}).result, uint32_t(LXR_IPC_NOT_PROCESSED));
  QCOMPARE(seen, (QList<QByteArray>{longest, "ok"}));
}

void IpcServerTest::halfAFrameStallsOnlyItsOwnConnection() {
  wintest::IpcTestClient stalled, other;
  QVERIFY(openClient(&stalled) && openClient(&other));
  QVERIFY(stalled.sendBytes(header(LXR_IPC_WILD_CONNECT, 8).left(7)));
  QElapsedTimer clock;
  clock.start();
  QCOMPARE(other.request(LXR_IPC_WILD_CONNECT, {"", ""}).result, 2u);
  QVERIFY(clock.elapsed() < IpcConnection::kStallMs);
  wintest::IpcFrame a = stalled.receive(IpcConnection::kStallMs + 5000);
  QCOMPARE(a.type, uint8_t(LXR_IPC_ERROR));
  QCOMPARE(a.result, uint32_t(LXR_IPC_ERROR_STALLED));
  QVERIFY(stalled.closedWithin(5000));
}

void IpcServerTest::hundredClientsAtOnceAreAllAnswered() {
  std::vector<std::unique_ptr<wintest::IpcTestClient>> clients;
  for (int i = 0; i < 100; ++i) {
    clients.push_back(std::make_unique<wintest::IpcTestClient>());
    QVERIFY(openClient(clients.back().get()));
    QVERIFY(clients.back()->send(LXR_IPC_WILD_CONNECT, {"", ""}));
  }
  for (auto& c : clients) QCOMPARE(c->receive().result, 2u);
}

void IpcServerTest::clientLeavingMidTransactionDoesNotStopTheServer() {
  // The handler lets events run as a job does, while its client goes away.
  wintest::IpcTestClient leaving;
  bool ran = false;
  server_->onExecute = [&](int, const QByteArray&) {
    leaving.close();
    QTest::qWait(300);
    ran = true;
    return 0;
  };
  QVERIFY(openClient(&leaving));
  QVERIFY(leaving.connectTo("one"));
  QVERIFY(leaving.send(LXR_IPC_EXECUTE, {"x"}));
  QTRY_VERIFY(ran);
  server_->onExecute = nullptr;
  wintest::IpcTestClient next;
  QVERIFY(openClient(&next));
  QVERIFY(next.connectTo("two"));
  QCOMPARE(next.request(LXR_IPC_DISCONNECT, {}).result, 1u);
}

void IpcServerTest::oneServerPerNameAndAStaleSocketIsReplaced() {
  TestServer second(path_);
  QCOMPARE(second.start(), -1);
  QVERIFY(second.statusText().contains(QStringLiteral("another Lexaurum program serves")));
  wintest::IpcTestClient c;
  QVERIFY(openClient(&c));
  QCOMPARE(c.request(LXR_IPC_WILD_CONNECT, {"", ""}).result, 2u);
  c.close();
  server_.reset();
  QVERIFY(!QFile::exists(path_));

  // A program killed while serving leaves its socket behind, bound to nothing.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(path_);
  std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
  QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  wintest::IpcTestClient refused;
  QVERIFY(!refused.open(path_, 1000));
  QCOMPARE(second.start(), 0);
  wintest::IpcTestClient d;
  QVERIFY(openClient(&d));
  QCOMPARE(d.request(LXR_IPC_WILD_CONNECT, {"", ""}).result, 2u);
}

QTEST_MAIN(IpcServerTest)
#include "IpcServerTest.moc"
