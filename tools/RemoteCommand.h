// lxr remote: drives a running desktop program (`lexaurum -ipc`) through its IPC socket
// (lexaurum/lxripc.h), as any other program may.
//   lxr remote topics                    the topics the program serves, one a line
//   lxr remote execute TOPIC [TEXT]      an execute transaction on TOPIC
//   lxr remote poke TOPIC ITEM FILE      a poke of FILE's bytes ("-": standard input)
// Needs no engine: it only talks to the program.
#pragma once

#include <string>
#include <vector>

namespace remotecommand {

// Exit statuses.
constexpr int kAcknowledged = 0;
constexpr int kRefused = 1;   // topic not found, not processed, or the connection refused
constexpr int kNoServer = 2;  // no program serves the socket (also: bad arguments)
constexpr int kBusy = 3;      // a job runs in the program; try again later

// `args` follow the word "remote"; `privateDir` is the private folder, where the socket
// lives when $XDG_RUNTIME_DIR is not set. A relative TEXT of the topic "script" is made
// absolute, since the program resolves names in its own current folder.
int run(const std::vector<std::string>& args, const std::string& privateDir);

}  // namespace remotecommand
