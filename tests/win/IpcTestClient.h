// A client of the IPC server for tests: sends frames (or any bytes) and waits for answers
// while letting events run, so it serves against a server in the test's own process as
// well as against a running program.
#pragma once

#include <QByteArray>
#include <QList>
#include <QLocalSocket>
#include <QString>

#include <vector>

#include "lexaurum/lxripc.h"

namespace wintest {

// The socket of a program whose $XDG_RUNTIME_DIR is `runtimeDir`.
QString ipcSocketPath(const QString& runtimeDir);

struct IpcFrame {
  uint8_t type = 0;  // 0: no frame came
  uint32_t result = 0;
  QList<QByteArray> fields;
  QByteArray text() const { return fields.isEmpty() ? QByteArray() : fields.first(); }
};

class IpcTestClient {
 public:
  // Connects to `path`, waiting up to `ms`. False when no server takes the connection.
  bool open(const QString& path, int ms = 5000);
  bool sendBytes(const QByteArray& bytes);
  bool send(uint8_t type, const std::vector<QByteArray>& fields);
  // The next frame, or one of type 0 when none came within `ms` or the connection closed.
  IpcFrame receive(int ms = 20000);
  IpcFrame request(uint8_t type, const std::vector<QByteArray>& fields, int ms = 20000) {
    return send(type, fields) ? receive(ms) : IpcFrame();
  }
  // Connects `topic` of the service "Lexaurum"; true when accepted.
  bool connectTo(const QByteArray& topic);
  // True when the server closes the connection within `ms`.
  bool closedWithin(int ms);
  void close() { socket_.abort(); }

 private:
  QLocalSocket socket_;
  QByteArray buffer_;
};

}  // namespace wintest
