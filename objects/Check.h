// Consistency checks that stay on in every build. A failed check writes
// "ERROR -- ASSERTION FAILED in <file>, line <n>: <condition>" to the trace and, with the
// recent trace lines between "Debug State Stack: " and "End of Debug State Stack", to the
// error log, then asks the user whether to terminate. Depends on objects/ only.
#pragma once

#include <string>

namespace check {

// Reports the failed check. Returns when the user chose not to terminate (or a test hook
// replaced the termination); the caller then fails its operation.
void failed(const char* file, int line, const char* condition);

// The source name shown for a file: its folder and stem ("/x/io/Vlrfile.cpp" -> "io/Vlrfile").
std::string sourceName(const char* file);

// Test hook: called instead of terminating the process when the user answers yes.
using TerminateHook = void (*)();
void setTerminateHook(TerminateHook hook);

// The message of the most recent failed check ("" when none) and the count so far.
const std::string& lastFailure();
int failureCount();

}  // namespace check

// Evaluates to true when the condition holds; otherwise reports it and evaluates to false.
#define LXR_CHECK(cond) ((cond) ? true : (::check::failed(__FILE__, __LINE__, #cond), false))
