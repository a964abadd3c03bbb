// The small command processor behind a script's SYSTEM command. It never hands anything to
// the operating system's shell: only touch, del, copy, echo, comp, set and exitwindows are
// known, anything else fails with "Unknown command". What may be written and deleted is the
// caller's to say. Depends on platform/.
#pragma once

#include <functional>
#include <string>

namespace script {

class BuiltinCommands {
 public:
  // Bytes the variables set by "SET ..." commands may take together during one run.
  static constexpr size_t kEnvironmentPoolBytes = 4096;

  // `resolve` makes a file name of a command a full name (relative names are taken from
  // the script's folder); `writeLog` writes a line to the script's log (the output of echo
  // and comp without a redirection, and the processor's own messages); `mayWrite` says
  // whether a file may be written, or deleted when its flag is set (it logs a refusal).
  BuiltinCommands(std::function<std::string(const std::string&)> resolve,
                  std::function<void(const std::string&)> writeLog,
                  std::function<bool(const std::string&, bool remove)> mayWrite);

  // False: "set" only checks its assignment and changes no variable.
  void setEnvironmentWrites(bool on) { environmentWrites_ = on; }

  // Runs one command line. 0, or -1 with errorText() and errorNumber() set.
  int run(const std::string& commandLine);

  const std::string& errorText() const { return errorText_; }
  int errorNumber() const { return errorNumber_; }

 private:
  int fail(const std::string& text, int number);
  int touch(const std::string& name);
  int remove(const std::string& name);
  int copy(const std::string& from, const std::string& to);
  // Writes `text` to the redirection's file (">" replaces, ">>" appends) or, without one, to
  // the log.
  int output(const std::string& text, const std::string& target, bool append);
  int compare(const std::string& first, const std::string& second, std::string* verdict);
  int setVariable(const std::string& assignment);

  std::function<std::string(const std::string&)> resolve_;
  std::function<void(const std::string&)> writeLog_;
  std::function<bool(const std::string&, bool remove)> mayWrite_;
  size_t poolUsed_ = 0;
  bool environmentWrites_ = true;
  std::string errorText_;
  int errorNumber_ = 0;
};

}  // namespace script
