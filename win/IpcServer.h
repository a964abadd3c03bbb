// The general IPC server: other programs of this user connect to the service "Lexaurum"
// under one of the topics in its table and send execute and poke transactions, answered as
// lexaurum/lxripc.h gives. A subclass fills the table and overrides the handlers and the busy
// test. The server is a window titled "DDE Server" (never shown; it keeps the status text).
// It runs on the program's only thread through the event loop, so it serves while a job
// runs (the job's progress call-back lets events run) and never waits for a client. Only one
// conversation is current at a time. Depends on win/IpcConnection, win/IpcEndpoint,
// win/MessageBoxes and the public headers.
#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <vector>

#include "lexaurum/lxripc.h"
#include "win/IpcEndpoint.h"

class IpcConnection;
class QLabel;
class QSocketNotifier;

class IpcServer : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMaxTopics = 20;        // a topic is added while count + 1 is below it
  static constexpr int kMaxConnections = 128;  // more are refused with LXR_IPC_ERROR_TOO_MANY
  static constexpr int kRetryAcceptMs = 200;   // after running out of descriptors
  static constexpr const char* kTitle = "DDE Server";
  static constexpr const char* kEnabled = "Enabled";
  static constexpr const char* kConnected = "Connected";
  static constexpr const char* kTopicNotFound = "Connect refused -- topic not found";
  static constexpr const char* kBusy = "DDE Execute refused -- busy";
  static constexpr const char* kWrongConversation = "DDE Disconnect (wrong hConv)";
  static constexpr const char* kCriticalError = "A critical DDE error has occured.";
  static constexpr const char* kEventCaption = "DDE Event";

  // A server for the socket at `socketPath` (ipcendpoint::socketPath; empty: cannot start).
  explicit IpcServer(const QString& socketPath, QWidget* parent = nullptr);
  ~IpcServer() override;  // stops

  // Adds the topic `name` (at most LXR_IPC_MAX_TEXT bytes) with `number` (not 0) while the
  // count plus one is below kMaxTopics. 0, or -1 when the table is full or the topic bad.
  int addTopic(const QByteArray& name, int number);
  int topicCount() const { return static_cast<int>(topics_.size()); }

  // Starts serving: makes the socket's folder private, takes the name's lock (so that two
  // programs never serve one name), replaces a socket left by a program that ended and
  // listens. 0 with the status "Enabled"; -1 when it cannot (the status text and the trace
  // say why; a second program finds the name served). Starting a started server does nothing.
  int start();
  // Closes every conversation and connection, stops listening, removes the socket, drops the lock.
  void stop();
  bool started() const { return listenFd_ >= 0; }
  QString statusText() const;
  QString socketPath() const { return socketPath_; }

 protected:
  // Carries out `text` (at most LXR_IPC_MAX_TEXT bytes, no zero byte) for topic `topic`.
  // 0 acknowledges; any other value answers "not processed". This one shows
  // "DDE Execute: topic=%d item=%s" under "DDE Event" and returns 0.
  virtual int execute(int topic, const QByteArray& text);
  // Takes `length` bytes of `data` (followed by a zero byte) for `item` of `topic`; 0
  // acknowledges. This one shows "DDE Poke: topic=%d item=%d bytes" under "DDE Event", 0.
  virtual int poke(int topic, const QByteArray& item, const char* data, int length);
  // True while the program cannot take an execute or a poke. This one: never.
  virtual bool busy() const;

 private:
  struct Topic {
    QByteArray name;
    int number;
  };

  void acceptConnections();
  void transact(IpcConnection* connection, const lxrIpcFrame& frame);
  void connectTo(IpcConnection* c, const lxrIpcFrame& frame);
  void wildConnect(IpcConnection* c, const lxrIpcFrame& frame);
  void executeFor(IpcConnection* c, const lxrIpcFrame& frame);
  void pokeFor(IpcConnection* c, const lxrIpcFrame& frame);
  void disconnectFrom(IpcConnection* c);
  // Ends c's conversation: forgets it when current, else logs the wrong conversation.
  // Returns true when it was the current one.
  bool endConversation(IpcConnection* c);
  void dropConnection(IpcConnection* c);
  const Topic* findTopic(const QByteArray& name) const;
  bool isService(const QByteArray& name) const;
  void setStatus(const QString& text);
  int failStart(const QString& why);
  void criticalError();

  QString socketPath_;
  std::vector<Topic> topics_;
  std::vector<IpcConnection*> connections_;
  IpcConnection* current_ = nullptr;  // the one current conversation
  int listenFd_ = -1;
  QSocketNotifier* listenNotifier_ = nullptr;
  ipcendpoint::NameLock lock_;
  QLabel* status_;
  bool errorShown_ = false;
};
