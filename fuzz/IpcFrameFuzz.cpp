// Fuzz target: the IPC frame decoder as the server meets it, a stream of frames from a
// client. Every frame it takes must encode back to exactly the bytes it came from (the
// encoding is canonical), and the socket path builder must stay within its bounds for any
// folder names.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lexaurum/lxripc.h"

namespace {

void checkSocketPath(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const size_t cut = text.find('\0');
  const std::string runtime = text.substr(0, cut);
  const std::string priv = cut == std::string::npos ? std::string() : text.substr(cut + 1);
  char path[LXR_IPC_MAX_PATH + 1];
  const int32_t length = lxrIpcSocketPath(runtime.c_str(), priv.c_str(), path, sizeof path);
  if (length >= 0 && (length > LXR_IPC_MAX_PATH || std::strlen(path) != static_cast<size_t>(length))) std::abort();
  if (length < 0 && path[0] != '\0') std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* p = data;
  const uint8_t* end = data + size;
  while (p < end) {
    uint32_t frameBytes = 0, error = 0;
    const int32_t sized = lxrIpcFrameSize(p, end, &frameBytes, &error);
    lxrIpcFrame frame;
    const int32_t taken = lxrIpcDecode(p, end, &frame, &error);
    if (sized < 0 || taken < 0) {
      if (sized >= 0 && error != LXR_IPC_ERROR_MALFORMED) std::abort();
      break;
    }
    if (taken == 0) break;  // the rest is half a frame
    if (static_cast<uint32_t>(taken) != frameBytes || frame.fieldCount > LXR_IPC_MAX_FIELDS) std::abort();
    std::vector<uint8_t> again(lxrIpcEncodedSize(frame.fields, frame.fieldCount));
    if (again.size() != frameBytes) std::abort();
    if (lxrIpcEncode(frame.type, frame.result, frame.fields, frame.fieldCount, again.data(), again.size()) != frameBytes ||
        std::memcmp(again.data(), p, frameBytes) != 0)
      std::abort();
    p += taken;
  }
  checkSocketPath(data, size);
  return 0;
}
