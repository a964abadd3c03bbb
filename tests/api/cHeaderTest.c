/* The engine interface from plain C: only the public header and liblexaurum.so. Initialises
 * the engine, sets and reads back options, lists the index library and shuts down. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "lexaurum/lexaurum.h"
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

  int16_t major = 0, minor = 0;
  lxrVersion(&major, &minor);
  EXPECT(major == 4 && minor == 12);

  EXPECT(lxrsDoShutDown(&result) == 0);
  EXPECT(lxrsDoShutDown(&result) == -1); /* not initialised any more */
  return failures ? 1 : 0;
}
