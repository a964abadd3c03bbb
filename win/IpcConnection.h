// One client's connection to the IPC server: reads whole frames from the socket without ever
// waiting for them (the window goes on while a client is slow or silent), hands each to the
// server, and writes the answers. Every read is bounded: a frame's length is checked before
// its bytes are taken, at most one frame is buffered, a frame begun and not finished within
// kStallMs closes the connection, and so does a client that leaves kMaxUnsentBytes of answers
// unread. Runs on the program's only thread. Depends on Qt Network and lexaurum/lxripc.h.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

#include "lexaurum/lxripc.h"

class QLocalSocket;

class IpcConnection : public QObject {
  Q_OBJECT
 public:
  static constexpr int kStallMs = 5000;
  static constexpr qint64 kMaxUnsentBytes = 256 * 1024;

  // Called for every whole frame, which is valid during the call only. The handler may run
  // a job that lets events run; the connection stays alive meanwhile, even when it closes.
  using FrameHandler = std::function<void(IpcConnection*, const lxrIpcFrame&)>;

  // Takes the connected socket descriptor `fd` (closing it when it cannot be used).
  IpcConnection(long long fd, FrameHandler handler, QObject* parent);
  ~IpcConnection() override;

  bool isOpen() const { return open_; }

  // One frame's bytes; empty when the fields exceed the frame's limits.
  static QByteArray encode(uint8_t type, uint32_t result, const std::vector<QByteArray>& fields);

  // Sends one frame; nothing when the connection is closed. A field over the frame's limits
  // is a caller's fault: the frame is not sent and the connection closes.
  void send(uint8_t type, uint32_t result, const std::vector<QByteArray>& fields);
  // Sends an error frame (LXR_IPC_ERROR, `error`, `text`) and closes.
  void fail(uint32_t error, const QByteArray& text);
  // Closes the connection: closed() is emitted once, and the object deletes itself as soon
  // as no frame of it is being handled.
  void close();

  // The topic number of the connection's conversation; 0 when it has none.
  int topic() const { return topic_; }
  void setTopic(int topic) { topic_ = topic; }

 signals:
  void closed(IpcConnection* connection);

 private:
  void readFrames();

  QLocalSocket* socket_;
  FrameHandler handler_;
  QTimer stall_;
  bool open_ = true;
  int handling_ = 0;  // frames of this connection being handled now (nested runs)
  int topic_ = 0;
};
