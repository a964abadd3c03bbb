// Consistency checks that stay on in every build. A failed check writes
// "ERROR -- ASSERTION FAILED in <file>, line <n>: <condition>" to the trace and, with the
// recent trace lines between "Debug State Stack: " and "End of Debug State Stack", to the
// error log, then asks whether to terminate the program, but only when a person can answer:
// unattended (a job script, a command-line tool, a program without a question call-back) the
// check fails its operation and the process goes on. Depends on objects/ only.
#pragma once

#include <functional>
#include <string>

namespace check {

// Reports the failed check. Returns unless a person chose to terminate (and no test hook
// replaced the termination); the caller then fails its operation.
void failed(const char* file, int line, const char* condition);

// Who is asked "Terminate the program?" after a failed check: true terminates. The engine
// sets it when a person can be asked and clears it (null: nobody is asked) otherwise.
using TerminateQuestion = std::function<bool(const std::string& question)>;
void setTerminateQuestion(TerminateQuestion ask);

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
