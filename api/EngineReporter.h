// EngineReporter: the engine's messages and questions through the front end's call-backs
// (the ones lxrInitInfo gives): errors, notices and yes/no questions. Without a call-back a
// message is only traced and a question takes its default answer.
// Depends on objects/Reporter and the public header.
#pragma once

#include "lexaurum/lexaurum.h"
#include "objects/Reporter.h"

// Threads: the engine's thread.
class EngineReporter : public Reporter {
 public:
  EngineReporter() = default;
  // The call-backs of `info` (any may be null).
  explicit EngineReporter(const lxrInitInfo& info);

  void error(const std::string& text) override;
  void info(const std::string& text) override;
  bool ask(const std::string& question, bool defaultAnswer) override;
  // True when a person can be asked (the front end gave a question call-back).
  bool canAsk() const { return askYesNo_ != nullptr; }

 private:
  lxrShowFn showError_ = nullptr;
  lxrShowFn showInfo_ = nullptr;
  lxrAskYesNoFn askYesNo_ = nullptr;
};
