#include "tests/win/IpcTestClient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include "win/IpcConnection.h"

namespace wintest {

namespace {

// Lets events run for a moment: the server may live in this process.
void spin() { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); }

}  // namespace

QString ipcSocketPath(const QString& runtimeDir) {
  return runtimeDir + "/" LXR_IPC_RUNTIME_FOLDER "/" LXR_IPC_SOCKET_NAME;
}

bool IpcTestClient::open(const QString& path, int ms) {
  socket_.connectToServer(path);
  QDeadlineTimer deadline(ms);
  while (socket_.state() == QLocalSocket::ConnectingState && !deadline.hasExpired()) spin();
  return socket_.state() == QLocalSocket::ConnectedState;
}

bool IpcTestClient::sendBytes(const QByteArray& bytes) {
  if (socket_.write(bytes) != bytes.size()) return false;
  socket_.flush();
  return true;
}

bool IpcTestClient::send(uint8_t type, const std::vector<QByteArray>& fields) {
  const QByteArray frame = IpcConnection::encode(type, 0, fields);
  return !frame.isEmpty() && sendBytes(frame);
}

IpcFrame IpcTestClient::receive(int ms) {
  QDeadlineTimer deadline(ms);
  for (bool last = false;;) {
    buffer_ += socket_.readAll();
    const auto* p = reinterpret_cast<const uint8_t*>(buffer_.constData());
    lxrIpcFrame frame;
    uint32_t error = 0;
    const int32_t taken = lxrIpcDecode(p, p + buffer_.size(), &frame, &error);
    if (taken > 0) {
      IpcFrame out;
      out.type = frame.type;
      out.result = frame.result;
      for (uint32_t i = 0; i < frame.fieldCount; ++i)
        out.fields << QByteArray(reinterpret_cast<const char*>(frame.fields[i].bytes), frame.fields[i].length);
      buffer_.remove(0, taken);
      return out;
    }
    if (taken < 0 || last || (socket_.state() != QLocalSocket::ConnectedState && socket_.bytesAvailable() == 0))
      return IpcFrame();
    spin();  // at least once, also when `ms` is 0
    last = deadline.hasExpired();
  }
}

bool IpcTestClient::connectTo(const QByteArray& topic) {
  return request(LXR_IPC_CONNECT, {LXR_IPC_SERVICE, topic}).result == LXR_IPC_CONNECTED;
}

bool IpcTestClient::closedWithin(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    socket_.readAll();
    if (socket_.state() == QLocalSocket::UnconnectedState) return true;
    spin();
  }
  return false;
}

}  // namespace wintest
