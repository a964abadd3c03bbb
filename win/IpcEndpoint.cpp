#include "win/IpcEndpoint.h"

#include <QFile>

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>

#include "lexaurum/lxripc.h"

namespace ipcendpoint {

namespace {

QString systemText() { return QString::fromLocal8Bit(strerror(errno)); }

}  // namespace

QString socketPath(const QString& privateDir) {
  char path[LXR_IPC_MAX_PATH + 1];
  const QByteArray priv = QFile::encodeName(privateDir);
  if (lxrIpcSocketPath(std::getenv("XDG_RUNTIME_DIR"), priv.constData(), path, sizeof path) < 0)
    return QString();
  return QFile::decodeName(path);
}

int makePrivateFolder(const QString& folder, QString* why) {
  const QByteArray name = QFile::encodeName(folder);
  if (::mkdir(name.constData(), 0700) < 0 && errno != EEXIST) {
    *why = QStringLiteral("cannot make %1: %2").arg(folder, systemText());
    return -1;
  }
  struct stat st {};
  if (::lstat(name.constData(), &st) < 0) {
    *why = QStringLiteral("cannot read %1: %2").arg(folder, systemText());
    return -1;
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
    *why = QStringLiteral("%1 is not a folder of this user").arg(folder);
    return -1;
  }
  if ((st.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) < 0) {
    *why = QStringLiteral("cannot make %1 private: %2").arg(folder, systemText());
    return -1;
  }
  return 0;
}

unsigned ownUserId() { return ::geteuid(); }

int peerUserId(long long fd, unsigned* uid) {
  struct ucred cred {};
  socklen_t length = sizeof cred;
  if (fd < 0 || ::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &cred, &length) < 0 ||
      length != sizeof cred)
    return -1;
  *uid = cred.uid;
  return 0;
}

int listenAt(const QString& path, int backlog, QString* why) {
  const QByteArray name = QFile::encodeName(path);
  sockaddr_un address {};
  address.sun_family = AF_UNIX;
  if (name.isEmpty() || static_cast<size_t>(name.size()) >= sizeof address.sun_path) {
    *why = QStringLiteral("the socket path %1 is too long").arg(path);
    return -1;
  }
  memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *why = QStringLiteral("cannot make a socket: %1").arg(systemText());
    return -1;
  }
  ::unlink(name.constData());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0 ||
      ::chmod(name.constData(), 0600) < 0 || ::listen(fd, backlog) < 0) {
    *why = QStringLiteral("cannot listen on %1: %2").arg(path, systemText());
    ::close(fd);
    ::unlink(name.constData());
    return -1;
  }
  return fd;
}

int acceptOn(int listenFd) {
  int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd >= 0) return fd;
  switch (errno) {
    case EAGAIN:
#if EAGAIN != EWOULDBLOCK
    case EWOULDBLOCK:
#endif
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
      return static_cast<int>(Accepted::kNone);
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
      return static_cast<int>(Accepted::kNoResources);
    default:
      return static_cast<int>(Accepted::kFailed);
  }
}

void sendAndClose(int fd, const QByteArray& bytes) {
  if (fd < 0) return;
  if (!bytes.isEmpty()) {
    ssize_t sent = ::send(fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    (void)sent;  // a peer that does not take a last frame loses it
  }
  ::close(fd);
}

void closeListening(int fd, const QString& path) {
  if (fd >= 0) ::close(fd);
  if (!path.isEmpty()) ::unlink(QFile::encodeName(path).constData());
}

NameLock::~NameLock() { release(); }

int NameLock::acquire(const QString& path, QString* why) {
  release();
  // Close-on-exec: a program started from here (a launched document) must not keep the lock.
  int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    *why = QStringLiteral("cannot open %1: %2").arg(path, systemText());
    return -1;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) < 0) {
    const bool held = errno == EWOULDBLOCK;
    if (!held) *why = QStringLiteral("cannot lock %1: %2").arg(path, systemText());
    ::close(fd);
    return held ? 1 : -1;
  }
  fd_ = fd;
  return 0;
}

void NameLock::release() {
  if (fd_ < 0) return;
  ::close(fd_);  // drops the lock
  fd_ = -1;
}

}  // namespace ipcendpoint
