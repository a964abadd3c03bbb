#include "win/IpcServer.h"

#include <QFileInfo>
#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "lexaurum/lexaurum.h"
#include "win/IpcConnection.h"
#include "win/MessageBoxes.h"

namespace {

// The fields each request carries; -1 for a type that is no request.
int fieldsOf(uint8_t type) {
  switch (type) {
    case LXR_IPC_CONNECT:
    case LXR_IPC_WILD_CONNECT:
    case LXR_IPC_POKE: return 2;
    case LXR_IPC_EXECUTE: return 1;
    case LXR_IPC_DISCONNECT: return 0;
    default: return -1;
  }
}

QByteArray field(const lxrIpcFrame& frame, uint32_t i) {
  const lxrIpcField& f = frame.fields[i];
  return QByteArray(reinterpret_cast<const char*>(f.bytes), static_cast<qsizetype>(f.length));
}

// A text of a client with the zero bytes a C client may send as its terminator dropped.
QByteArray textField(const lxrIpcFrame& frame, uint32_t i) {
  QByteArray text = field(frame, i);
  while (text.endsWith('\0')) text.chop(1);
  return text;
}

// Why a client's text cannot be taken into a 256-byte buffer as one string; empty: it can.
QByteArray refusedText(const QByteArray& text, const char* what) {
  if (text.size() > LXR_IPC_MAX_TEXT) return QByteArray(what) + " is longer than 255 bytes";
  if (text.contains('\0')) return QByteArray(what) + " holds a zero byte";
  return QByteArray();
}

void trace(const QString& line) { lxrsTrace(line.toUtf8().constData()); }

}  // namespace

IpcServer::IpcServer(const QString& socketPath, QWidget* parent)
    : QWidget(parent, Qt::Window), socketPath_(socketPath) {
  setWindowTitle(QString::fromLatin1(kTitle));
  auto* layout = new QVBoxLayout(this);
  status_ = new QLabel(tr("Not started"), this);
  status_->setMinimumWidth(320);
  layout->addWidget(status_);
}

IpcServer::~IpcServer() { stop(); }

int IpcServer::addTopic(const QByteArray& name, int number) {
  if (name.isEmpty() || name.size() > LXR_IPC_MAX_TEXT || name.contains('\0') || number == 0) return -1;
  if (topicCount() + 1 >= kMaxTopics) return -1;
  topics_.push_back({name, number});
  return 0;
}

int IpcServer::start() {
  if (started()) return 0;
  if (socketPath_.isEmpty()) return failStart(tr("the socket's path would be too long"));
  const QString folder = QFileInfo(socketPath_).path();
  QString why;
  if (ipcendpoint::makePrivateFolder(folder, &why) < 0) return failStart(why);
  const int locked = lock_.acquire(folder + "/" LXR_IPC_LOCK_NAME, &why);
  if (locked > 0) return failStart(tr("another Lexaurum program serves %1").arg(socketPath_));
  if (locked < 0) return failStart(why);
  listenFd_ = ipcendpoint::listenAt(socketPath_, kMaxConnections, &why);
  if (listenFd_ < 0) {
    lock_.release();
    return failStart(why);
  }
  listenNotifier_ = new QSocketNotifier(listenFd_, QSocketNotifier::Read, this);
  connect(listenNotifier_, &QSocketNotifier::activated, this, &IpcServer::acceptConnections);
  setStatus(QString::fromLatin1(kEnabled));
  trace("IPC server: serving " + socketPath_);
  return 0;
}

void IpcServer::stop() {
  const std::vector<IpcConnection*> open = connections_;  // closing one takes it out
  for (IpcConnection* c : open) c->close();
  current_ = nullptr;
  delete listenNotifier_;
  listenNotifier_ = nullptr;
  if (listenFd_ >= 0) ipcendpoint::closeListening(listenFd_, socketPath_);
  listenFd_ = -1;
  lock_.release();
}

QString IpcServer::statusText() const { return status_->text(); }

int IpcServer::execute(int topic, const QByteArray& text) {
  messageboxes::showInfo(QString::fromLatin1(kEventCaption),
                         QStringLiteral("DDE Execute: topic=%1 item=%2").arg(topic).arg(QString::fromUtf8(text)));
  return 0;
}

int IpcServer::poke(int topic, const QByteArray&, const char*, int length) {
  messageboxes::showInfo(QString::fromLatin1(kEventCaption),
                         QStringLiteral("DDE Poke: topic=%1 item=%2 bytes").arg(topic).arg(length));
  return 0;
}

bool IpcServer::busy() const { return false; }

void IpcServer::acceptConnections() {
  for (int n = 0; n < kMaxConnections && listenFd_ >= 0; ++n) {
    const int fd = ipcendpoint::acceptOn(listenFd_);
    if (fd == static_cast<int>(ipcendpoint::Accepted::kNone)) return;
    if (fd == static_cast<int>(ipcendpoint::Accepted::kNoResources)) {
      // The connection stays queued; taking it again at once would spin.
      listenNotifier_->setEnabled(false);
      QTimer::singleShot(kRetryAcceptMs, this, [this] {
        if (listenNotifier_) listenNotifier_->setEnabled(true);
      });
      return;
    }
    if (fd < 0) return criticalError();
    unsigned uid = 0;
    if (ipcendpoint::peerUserId(fd, &uid) < 0 || uid != ipcendpoint::ownUserId()) {
      trace(QStringLiteral("IPC server: refused a connection of user %1").arg(uid));
      ipcendpoint::sendAndClose(fd, IpcConnection::encode(LXR_IPC_ERROR, LXR_IPC_ERROR_OTHER_USER,
                                                          {"Refused: the connection comes from another user"}));
      continue;
    }
    if (connections_.size() >= static_cast<size_t>(kMaxConnections)) {
      ipcendpoint::sendAndClose(fd, IpcConnection::encode(LXR_IPC_ERROR, LXR_IPC_ERROR_TOO_MANY,
                                                          {"Refused: too many connections"}));
      continue;
    }
    auto* c = new IpcConnection(
        fd, [this](IpcConnection* from, const lxrIpcFrame& frame) { transact(from, frame); }, this);
    if (!c->isOpen()) {
      delete c;
      continue;
    }
    connections_.push_back(c);
    connect(c, &IpcConnection::closed, this, &IpcServer::dropConnection);
  }
}

void IpcServer::transact(IpcConnection* c, const lxrIpcFrame& frame) {
  const int fields = fieldsOf(frame.type);
  if (fields < 0) return c->send(LXR_IPC_ERROR, LXR_IPC_ERROR_UNKNOWN, {"Unknown transaction"});
  if (frame.fieldCount != static_cast<uint32_t>(fields))
    return c->fail(LXR_IPC_ERROR_MALFORMED, "The transaction has the wrong number of fields");
  switch (frame.type) {
    case LXR_IPC_CONNECT: return connectTo(c, frame);
    case LXR_IPC_WILD_CONNECT: return wildConnect(c, frame);
    case LXR_IPC_EXECUTE: return executeFor(c, frame);
    case LXR_IPC_POKE: return pokeFor(c, frame);
    default: return disconnectFrom(c);
  }
}

void IpcServer::connectTo(IpcConnection* c, const lxrIpcFrame& frame) {
  const QByteArray service = field(frame, 0);
  const Topic* topic = service.isEmpty() || isService(service) ? findTopic(field(frame, 1)) : nullptr;
  if (c->topic() != 0) endConversation(c);
  const uint8_t answer = LXR_IPC_CONNECT | LXR_IPC_ANSWER;
  if (!topic) {
    setStatus(QString::fromLatin1(kTopicNotFound));
    return c->send(answer, 0, {kTopicNotFound});
  }
  // Accepted and confirmed: this conversation is the current one.
  c->setTopic(topic->number);
  current_ = c;
  setStatus(QString::fromLatin1(kConnected));
  c->send(answer, LXR_IPC_CONNECTED, {kConnected});
}

void IpcServer::wildConnect(IpcConnection* c, const lxrIpcFrame& frame) {
  const uint8_t answer = LXR_IPC_WILD_CONNECT | LXR_IPC_ANSWER;
  const QByteArray service = field(frame, 0);
  const QByteArray topicName = field(frame, 1);
  if (!service.isEmpty() && !isService(service)) return c->send(answer, 0, {});
  std::vector<QByteArray> pairs;
  if (topicName.isEmpty()) {
    for (const Topic& t : topics_) pairs.insert(pairs.end(), {LXR_IPC_SERVICE, t.name});
  } else if (const Topic* t = findTopic(topicName)) {
    pairs.insert(pairs.end(), {LXR_IPC_SERVICE, t->name});
  } else {
    return c->send(answer, 0, {});
  }
  const auto count = static_cast<uint32_t>(pairs.size() / 2);
  pairs.insert(pairs.end(), {QByteArray(), QByteArray()});  // the closing zero pair
  c->send(answer, count, pairs);
}

void IpcServer::executeFor(IpcConnection* c, const lxrIpcFrame& frame) {
  const uint8_t answer = LXR_IPC_EXECUTE | LXR_IPC_ANSWER;
  if (c->topic() == 0) return c->send(answer, LXR_IPC_NOT_PROCESSED, {"No conversation: connect to a topic first"});
  if (busy()) {
    trace(QString::fromLatin1(kBusy));
    setStatus(QString::fromLatin1(kBusy));
    return c->send(answer, LXR_IPC_BUSY, {kBusy});
  }
  const QByteArray text = textField(frame, 0);
  const QByteArray refused = refusedText(text, "the command text");
  if (!refused.isEmpty()) {
    trace("DDE Execute refused -- " + QString::fromLatin1(refused));
    return c->send(answer, LXR_IPC_NOT_PROCESSED, {refused});
  }
  // The handler may run a job that lets events run; `c` lives on until it returns.
  const int rc = execute(c->topic(), text);
  c->send(answer, rc == 0 ? LXR_IPC_ACK : LXR_IPC_NOT_PROCESSED, {});
}

void IpcServer::pokeFor(IpcConnection* c, const lxrIpcFrame& frame) {
  const uint8_t answer = LXR_IPC_POKE | LXR_IPC_ANSWER;
  if (c->topic() == 0) return c->send(answer, LXR_IPC_NOT_PROCESSED, {"No conversation: connect to a topic first"});
  if (busy()) return c->send(answer, LXR_IPC_BUSY, {"Busy"});
  const QByteArray item = textField(frame, 0);
  QByteArray refused = refusedText(item, "the item");
  if (frame.fields[1].length > LXR_IPC_MAX_POKE_DATA) refused = "the data is longer than 32000 bytes";
  if (!refused.isEmpty()) return c->send(answer, LXR_IPC_NOT_PROCESSED, {refused});
  const QByteArray data = field(frame, 1);  // followed by a zero byte, as every QByteArray
  const int rc = poke(c->topic(), item, data.constData(), static_cast<int>(data.size()));
  c->send(answer, rc == 0 ? LXR_IPC_ACK : LXR_IPC_NOT_PROCESSED, {});
}

void IpcServer::disconnectFrom(IpcConnection* c) {
  const uint8_t answer = LXR_IPC_DISCONNECT | LXR_IPC_ANSWER;
  if (c->topic() == 0) return c->send(answer, 0, {"No conversation"});
  if (endConversation(c)) return c->send(answer, 1, {});
  c->send(answer, 0, {kWrongConversation});
}

bool IpcServer::endConversation(IpcConnection* c) {
  const bool wasCurrent = current_ == c;
  if (wasCurrent)
    current_ = nullptr;
  else
    trace(QString::fromLatin1(kWrongConversation));
  c->setTopic(0);
  return wasCurrent;
}

void IpcServer::dropConnection(IpcConnection* c) {
  if (c->topic() != 0) endConversation(c);
  if (current_ == c) current_ = nullptr;
  connections_.erase(std::remove(connections_.begin(), connections_.end(), c), connections_.end());
}

const IpcServer::Topic* IpcServer::findTopic(const QByteArray& name) const {
  for (const Topic& t : topics_)
    if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
  return nullptr;
}

bool IpcServer::isService(const QByteArray& name) const {
  return name.compare(LXR_IPC_SERVICE, Qt::CaseInsensitive) == 0;
}

void IpcServer::setStatus(const QString& text) { status_->setText(text); }

int IpcServer::failStart(const QString& why) {
  setStatus(tr("Not started: %1").arg(why));
  trace("IPC server not started: " + why);
  return -1;
}

void IpcServer::criticalError() {
  // The listening socket is broken: stop taking connections (a broken socket would wake
  // the loop without end) and say so once.
  if (listenNotifier_) listenNotifier_->setEnabled(false);
  setStatus(QString::fromLatin1(kCriticalError));
  if (errorShown_) return;
  errorShown_ = true;
  messageboxes::showError(QString::fromLatin1(messageboxes::kCaption), QString::fromLatin1(kCriticalError));
}
