// The one way a failure site records why it failed: one trace line, then -1.
#pragma once

// Writes "<file>:<line>: <what>" to the trace and returns -1.
int failAt(const char* file, int line, const char* what);

#define LXR_FAIL(what) failAt(__FILE__, __LINE__, (what))
