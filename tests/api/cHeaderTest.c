/* The engine interface from plain C: only the public header and liblexaurum.so. Initialises
 * the engine, sets and reads back options, lists the index library and shuts down. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lexaurum/lexaurum.h"
#include "lexaurum/lxripc.h"
#include "lexaurum/lxrviewer.h"

static int failures = 0;
#define EXPECT(cond)                                               \
  do {                                                             \
    if (!(cond)) {                                                 \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                  \
    }                                                              \
  } while (0)

static void showError(const char* text) { fprintf(stderr, "engine: %s\n", text); }

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: cHeaderTest PRIVATE_DIR HOME_DIR\n");
    return 2;
  }
  lxrInitInfo info;
  LXR_INIT_RECORD(info);
  EXPECT(info.structSize == (int32_t)sizeof info);
  snprintf(info.privateDir, sizeof info.privateDir, "%s", argv[1]);
  snprintf(info.homeDir, sizeof info.homeDir, "%s", argv[2]);
  info.pShowErrorFn = showError;
  int16_t result = 99;
  EXPECT(lxrsDoInit(&info, &result) == 0 && result == 0);
  if (result != 0) {
    fprintf(stderr, "init failed (%d): %s\n", (int)info.errorCode, info.errorText);
    return 1;
  }

  lxrOptions options;
  LXR_INIT_RECORD(options);
  EXPECT(lxrsGetOptions(&options, &result) == 0);
  options.binaryFiles = LXR_BINARY_SKIP;
  options.hyphenMode = 1;
  EXPECT(lxrsSetOptions(&options, &result) == 0);
  lxrOptions back;
  LXR_INIT_RECORD(back);
  EXPECT(lxrsGetOptions(&back, &result) == 0);
  EXPECT(back.binaryFiles == LXR_BINARY_SKIP);
  EXPECT(back.hyphenMode == 1);
  EXPECT(strcmp(back.alphabetName, "ENGLISH.ABC") == 0);

  int16_t count = -1;
  int32_t needed = 0;
  EXPECT(lxrsGetIndexList(&count, NULL, 0, &needed) == 0);
  EXPECT(count == 0);
  EXPECT(needed == 5);

  StringSet* set = lxrsNewStringSet();
  EXPECT(lxrsStringSetAdd(set, "*.txt") == 1);
  lxrsFreeStringSet(set);

  /* The viewer record is plain C as well. */
  lxrViewerInfo viewer;
  memset(&viewer, 0, sizeof viewer);
  EXPECT(viewer.signatureLength == 0);

  /* The IPC protocol's codec is plain C too: a frame round trip, and the socket's place
   * (a relative $XDG_RUNTIME_DIR does not count). */
  {
    uint8_t frame[64];
    lxrIpcField fields[2] = {{(const uint8_t*)"Lexaurum", 8}, {(const uint8_t*)"quit", 4}};
    lxrIpcFrame decoded;
    uint32_t error = 0;
    char path[LXR_IPC_MAX_PATH + 1];
    size_t bytes = lxrIpcEncode(LXR_IPC_CONNECT, 0, fields, 2, frame, sizeof frame);
    EXPECT(bytes == 32);
    EXPECT(lxrIpcDecode(frame, frame + bytes, &decoded, &error) == (int32_t)bytes);
    EXPECT(decoded.type == LXR_IPC_CONNECT && decoded.fieldCount == 2 && decoded.fields[1].length == 4);
    EXPECT(lxrIpcDecode(frame, frame + bytes - 1, &decoded, &error) == 0);
    EXPECT(lxrIpcSocketPath("/run/user/7", "/p", path, sizeof path) == 29);
    EXPECT(strcmp(path, "/run/user/7/lexaurum/Lexaurum") == 0);
    EXPECT(lxrIpcSocketPath("run", "/p", path, sizeof path) == 15 && strcmp(path, "/p/ipc/Lexaurum") == 0);
  }

  int16_t major = 0, minor = 0;
  lxrVersion(&major, &minor);
  EXPECT(major == 4 && minor == 12);

  EXPECT(lxrsDoShutDown(&result) == 0);
  EXPECT(lxrsDoShutDown(&result) == -1); /* not initialised any more */
  return failures ? 1 : 0;
}
