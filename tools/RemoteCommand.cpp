// lxr remote: a client of the desktop program's IPC server over a Unix stream socket. Every
// answer is read bounded by the frame's limits; connecting and the short transactions wait
// at most kReplyMs, an execute or a poke as long as the program works on it.
#include "tools/RemoteCommand.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lexaurum/lxripc.h"
#include "tools/HelpText.h"
#include "tools/ToolSupport.h"

namespace remotecommand {

namespace {

constexpr int kReplyMs = 10000;
constexpr int kForever = -1;

int usage() {
  std::fputs(helptext::shortUsage(*helptext::find("remote")).c_str(), stderr);
  return kNoServer;
}

struct Answer {
  uint8_t type = 0;
  uint32_t result = 0;
  std::vector<std::string> fields;
};

// A connection to the program; closed with the object.
class Connection {
 public:
  ~Connection() {
    if (fd_ >= 0) ::close(fd_);
  }

  // 0, or kNoServer with the reason on standard error.
  int open(const std::string& path) {
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size());  // fits: lxrIpcSocketPath bounds it
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) {
      std::fprintf(stderr, "lxr: no Lexaurum program serves %s (%s); start it with lexaurum -ipc\n",
                   path.c_str(), std::strerror(errno));
      return kNoServer;
    }
    return 0;
  }

  // Sends one request and reads its answer (or an error frame). 0, or -1 with the reason on
  // standard error.
  int request(uint8_t type, const std::vector<std::string>& fields, int waitMs, Answer* answer) {
    std::vector<lxrIpcField> parts;
    for (const std::string& f : fields)
      parts.push_back({reinterpret_cast<const uint8_t*>(f.data()), static_cast<uint32_t>(f.size())});
    const auto count = static_cast<uint32_t>(parts.size());
    std::vector<uint8_t> frame(lxrIpcEncodedSize(parts.data(), count));
    if (frame.empty()) {
      std::fprintf(stderr, "lxr: the request is larger than a frame holds\n");
      return -1;
    }
    lxrIpcEncode(type, 0, parts.data(), count, frame.data(), frame.size());
    // A program that refuses the connection answers and closes it at once, which can cut the
    // request short: its answer is still there to read, and says more than the cut.
    if (sendAll(frame.data(), frame.size()) < 0) return receive(kReplyMs, answer);
    return receive(waitMs, answer);
  }

 private:
  int sendAll(const uint8_t* p, size_t n) {
    while (n > 0) {
      ssize_t sent = ::send(fd_, p, n, MSG_NOSIGNAL);
      if (sent < 0 && errno == EINTR) continue;
      if (sent <= 0) {  // the caller reads what the program said before it closed
        return -1;
      }
      p += sent;
      n -= static_cast<size_t>(sent);
    }
    return 0;
  }

  // Reads exactly n bytes, waiting at most waitMs for each piece (kForever: no limit).
  int readAll(uint8_t* p, size_t n, int waitMs) {
    while (n > 0) {
      pollfd ready {fd_, POLLIN, 0};
      int rc = ::poll(&ready, 1, waitMs);
      if (rc < 0 && errno == EINTR) continue;
      if (rc == 0) {
        std::fprintf(stderr, "lxr: the program did not answer in time\n");
        return -1;
      }
      ssize_t got = rc < 0 ? -1 : ::recv(fd_, p, n, 0);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        std::fprintf(stderr, "lxr: the program closed the connection without an answer\n");
        return -1;
      }
      p += got;
      n -= static_cast<size_t>(got);
    }
    return 0;
  }

  int receive(int waitMs, Answer* answer) {
    std::vector<uint8_t> bytes(LXR_IPC_HEADER_BYTES);
    if (readAll(bytes.data(), bytes.size(), waitMs) < 0) return -1;
    uint32_t frameBytes = 0, error = 0;
    if (lxrIpcFrameSize(bytes.data(), bytes.data() + bytes.size(), &frameBytes, &error) <= 0) {
      std::fprintf(stderr, "lxr: the answer is not a frame of this protocol\n");
      return -1;
    }
    bytes.resize(frameBytes);
    if (readAll(bytes.data() + LXR_IPC_HEADER_BYTES, frameBytes - LXR_IPC_HEADER_BYTES, waitMs) < 0) return -1;
    lxrIpcFrame frame;
    if (lxrIpcDecode(bytes.data(), bytes.data() + bytes.size(), &frame, &error) <= 0) {
      std::fprintf(stderr, "lxr: the answer is malformed\n");
      return -1;
    }
    answer->type = frame.type;
    answer->result = frame.result;
    answer->fields.clear();
    for (uint32_t i = 0; i < frame.fieldCount; ++i)
      answer->fields.emplace_back(reinterpret_cast<const char*>(frame.fields[i].bytes), frame.fields[i].length);
    return 0;
  }

  int fd_ = -1;
};

std::string firstText(const Answer& a) { return a.fields.empty() ? std::string() : a.fields[0]; }

// True when `a` answers `type`; otherwise says what came instead.
bool answers(const Answer& a, uint8_t type) {
  if (a.type == (type | LXR_IPC_ANSWER)) return true;
  if (a.type == LXR_IPC_ERROR)
    std::fprintf(stderr, "lxr: refused: %s\n", firstText(a).c_str());
  else
    std::fprintf(stderr, "lxr: the program answered with an unexpected frame (type %u)\n", a.type);
  return false;
}

int listTopics(Connection& c) {
  Answer a;
  if (c.request(LXR_IPC_WILD_CONNECT, {"", ""}, kReplyMs, &a) < 0) return kRefused;
  if (!answers(a, LXR_IPC_WILD_CONNECT)) return kRefused;
  for (size_t i = 0; i + 1 < a.fields.size() && !a.fields[i + 1].empty(); i += 2)
    std::printf("%s\n", a.fields[i + 1].c_str());
  return a.result > 0 ? kAcknowledged : kRefused;
}

// Connects to `topic` and sends the execute or poke `type` with `fields`.
int transact(Connection& c, const std::string& topic, uint8_t type, const std::vector<std::string>& fields) {
  Answer a;
  if (c.request(LXR_IPC_CONNECT, {LXR_IPC_SERVICE, topic}, kReplyMs, &a) < 0 || !answers(a, LXR_IPC_CONNECT))
    return kRefused;
  if (a.result != LXR_IPC_CONNECTED) {
    std::fprintf(stderr, "lxr: %s: %s\n", topic.c_str(), firstText(a).c_str());
    return kRefused;
  }
  if (c.request(type, fields, kForever, &a) < 0 || !answers(a, type)) return kRefused;
  int rc = kRefused;
  if (a.result == LXR_IPC_ACK) {
    rc = kAcknowledged;
  } else if (a.result == LXR_IPC_BUSY) {
    std::fprintf(stderr, "lxr: the program is busy: a job runs; try again later\n");
    rc = kBusy;
  } else {
    const std::string why = firstText(a);
    std::fprintf(stderr, "lxr: not processed%s%s\n", why.empty() ? "" : ": ", why.c_str());
  }
  // Closing the connection ends the conversation (a program told to quit is gone already).
  return rc;
}

// The bytes of `name` ("-": standard input), at most `limit`. 0, or -1 with the reason said.
int readData(const std::string& name, size_t limit, std::string* data) {
  FILE* in = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
  if (!in) {
    std::fprintf(stderr, "lxr: cannot read %s: %s\n", name.c_str(), std::strerror(errno));
    return -1;
  }
  std::vector<char> buffer(limit + 1);
  const size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
  const bool failed = std::ferror(in) != 0;
  if (in != stdin) std::fclose(in);
  if (failed || got > limit) {
    std::fprintf(stderr, failed ? "lxr: cannot read %s\n" : "lxr: %s is larger than a frame holds\n",
                 name.c_str());
    return -1;
  }
  data->assign(buffer.data(), got);
  return 0;
}

bool isScriptTopic(const std::string& topic) {
  std::string lower;
  for (char ch : topic) lower += static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
  return lower == "script";
}

}  // namespace

int run(const std::vector<std::string>& args, const std::string& privateDir) {
  if (args.empty()) return usage();
  const std::string& what = args[0];
  const bool topics = what == "topics" && args.size() == 1;
  const bool execute = what == "execute" && (args.size() == 2 || args.size() == 3);
  const bool poke = what == "poke" && args.size() == 4;
  if (!topics && !execute && !poke) return usage();

  std::string data;
  if (poke) {
    if (args[2].size() > LXR_IPC_MAX_TEXT) {
      std::fprintf(stderr, "lxr: the item is longer than %d bytes\n", LXR_IPC_MAX_TEXT);
      return kRefused;
    }
    // The item and the two field lengths take room in the payload too.
    const size_t dataLimit = LXR_IPC_MAX_PAYLOAD - 2 * LXR_IPC_FIELD_HEADER_BYTES - args[2].size();
    if (readData(args[3], dataLimit, &data) < 0) return kRefused;
  }

  char path[LXR_IPC_MAX_PATH + 1];
  if (lxrIpcSocketPath(std::getenv("XDG_RUNTIME_DIR"), privateDir.c_str(), path, sizeof path) < 0) {
    std::fprintf(stderr, "lxr: the socket's path under %s would be too long for a socket\n", privateDir.c_str());
    return kNoServer;
  }
  Connection c;
  if (c.open(path) != 0) return kNoServer;
  if (topics) return listTopics(c);
  if (poke) return transact(c, args[1], LXR_IPC_POKE, {args[2], data});
  std::string text = args.size() == 3 ? args[2] : std::string();
  if (isScriptTopic(args[1]) && !text.empty() && text[0] != '/') text = toolsupport::absolute(text);
  return transact(c, args[1], LXR_IPC_EXECUTE, {text});
}

}  // namespace remotecommand
