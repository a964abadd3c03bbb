// Where the IPC server listens and who may talk to it: the socket's path (lexaurum/lxripc.h),
// its folder made private to the user (0700, owned by the user), the lock that lets only one
// program serve the name, the listening socket, and the user id of a connected peer. The
// only file of the desktop program that calls the operating system directly (Qt has no
// peer credentials nor a way to learn that accepting failed).
// Depends on Qt Core and the public protocol header.
#pragma once

#include <QString>

namespace ipcendpoint {

// The socket's path for a program whose private folder is `privateDir`: under
// $XDG_RUNTIME_DIR when that is set to an absolute path, else under the private folder.
// Empty when the path would be too long for a socket.
QString socketPath(const QString& privateDir);

// Makes `folder` (the socket's folder) when missing, with mode 0700, and checks that it is a
// folder owned by this user that no one else may enter (a folder of ours with wider rights
// is narrowed to 0700). 0, or -1 with the reason in *why.
int makePrivateFolder(const QString& folder, QString* why);

// The effective user id of this process.
unsigned ownUserId();

// The user id of the peer connected on the socket `fd`. 0, or -1 when the system cannot say.
int peerUserId(long long fd, unsigned* uid);

// A listening Unix stream socket at `path` (non-blocking, close-on-exec, mode 0600, room for
// `backlog` waiting connections). A file already at `path` is removed first: the caller
// holds the name's lock, so it is a socket left by a program that ended. The descriptor, or
// -1 with the reason in *why.
int listenAt(const QString& path, int backlog, QString* why);

enum class Accepted { kNone = -1, kNoResources = -2, kFailed = -3 };
// Accepts one waiting connection: its descriptor (non-blocking, close-on-exec), or
// kNone when none waits (or it went away), kNoResources when the process or system is out
// of descriptors or memory (try again later), kFailed when the listening socket is broken.
int acceptOn(int listenFd);

// Writes `bytes` to `fd` at once if the socket takes them, without waiting and without
// SIGPIPE, then closes `fd`. For refusing a connection with a last frame.
void sendAndClose(int fd, const QByteArray& bytes);

// Closes `fd` (-1: nothing) and removes the socket file `path` (empty: none).
void closeListening(int fd, const QString& path);

// An exclusive lock on a file, held while the object lives or until release(); the system
// drops it when the process ends, however it ends. Not copyable.
class NameLock {
 public:
  NameLock() = default;
  ~NameLock();
  NameLock(const NameLock&) = delete;
  NameLock& operator=(const NameLock&) = delete;

  // Opens (making it, mode 0600) and locks `path` without waiting. 0; 1 when another process
  // holds the lock; -1 when the file cannot be opened (reason in *why).
  int acquire(const QString& path, QString* why);
  void release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace ipcendpoint
