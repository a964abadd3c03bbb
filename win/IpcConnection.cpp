#include "win/IpcConnection.h"

#include <QLocalSocket>

IpcConnection::IpcConnection(long long fd, FrameHandler handler, QObject* parent)
    : QObject(parent), socket_(new QLocalSocket(this)), handler_(std::move(handler)) {
  // Qt stops reading from the system once one largest frame is buffered.
  socket_->setReadBufferSize(LXR_IPC_HEADER_BYTES + LXR_IPC_MAX_PAYLOAD);
  stall_.setSingleShot(true);
  stall_.setInterval(kStallMs);
  connect(&stall_, &QTimer::timeout, this,
          [this] { fail(LXR_IPC_ERROR_STALLED, "A frame was begun and not finished in time"); });
  connect(socket_, &QLocalSocket::readyRead, this, &IpcConnection::readFrames);
  connect(socket_, &QLocalSocket::disconnected, this, &IpcConnection::close);
  // The socket owns the descriptor from here on, also when it cannot use it.
  if (!socket_->setSocketDescriptor(static_cast<qintptr>(fd))) open_ = false;
}

IpcConnection::~IpcConnection() = default;

QByteArray IpcConnection::encode(uint8_t type, uint32_t result, const std::vector<QByteArray>& fields) {
  std::vector<lxrIpcField> parts;
  for (const QByteArray& f : fields)
    parts.push_back({reinterpret_cast<const uint8_t*>(f.constData()), static_cast<uint32_t>(f.size())});
  const auto count = static_cast<uint32_t>(parts.size());
  const size_t bytes = lxrIpcEncodedSize(parts.data(), count);
  if (bytes == 0) return QByteArray();
  QByteArray frame(static_cast<qsizetype>(bytes), '\0');
  lxrIpcEncode(type, result, parts.data(), count, reinterpret_cast<uint8_t*>(frame.data()), bytes);
  return frame;
}

void IpcConnection::send(uint8_t type, uint32_t result, const std::vector<QByteArray>& fields) {
  if (!open_) return;
  const QByteArray frame = encode(type, result, fields);
  if (frame.isEmpty()) return close();
  socket_->write(frame);
  socket_->flush();
  // A client that sends and never reads would otherwise grow this buffer without end.
  if (socket_->bytesToWrite() > kMaxUnsentBytes) close();
}

void IpcConnection::fail(uint32_t error, const QByteArray& text) {
  send(LXR_IPC_ERROR, error, {text});
  close();
}

void IpcConnection::close() {
  if (!open_) return;
  open_ = false;
  stall_.stop();
  socket_->abort();  // what flush() handed to the system still reaches the peer
  emit closed(this);
  if (handling_ == 0) deleteLater();
}

void IpcConnection::readFrames() {
  if (handling_ > 0) return;  // the frame being handled runs a job; the next waits for it
  while (open_) {
    uint8_t head[LXR_IPC_HEADER_BYTES];
    const qint64 got = socket_->peek(reinterpret_cast<char*>(head), sizeof head);
    if (got <= 0) {
      stall_.stop();
      return;
    }
    uint32_t frameBytes = 0, error = 0;
    const int32_t rc = lxrIpcFrameSize(head, head + got, &frameBytes, &error);
    if (rc < 0)
      return fail(error, error == LXR_IPC_ERROR_TOO_LONG ? "The frame is longer than the server takes"
                                                         : "The frame header is not one of this protocol");
    if (rc == 0 || socket_->bytesAvailable() < frameBytes) {
      if (!stall_.isActive()) stall_.start();
      return;
    }
    stall_.stop();
    const QByteArray bytes = socket_->read(frameBytes);
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    lxrIpcFrame frame;
    if (bytes.size() != static_cast<qsizetype>(frameBytes) || lxrIpcDecode(p, p + bytes.size(), &frame, &error) <= 0)
      return fail(LXR_IPC_ERROR_MALFORMED, "The frame's fields do not fill its payload");
    ++handling_;
    handler_(this, frame);
    --handling_;
  }
  if (handling_ == 0) deleteLater();  // closed while its frame was handled
}
