// failAt: one trace line per failure site.
#include "objects/Fail.h"

#include "objects/Check.h"
#include "objects/Trace.h"

int failAt(const char* file, int line, const char* what) {
  trace::line("%s:%d: %s", check::sourceName(file).c_str(), line, what ? what : "");
  return -1;
}
