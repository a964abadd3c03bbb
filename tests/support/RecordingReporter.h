// A reporter that keeps what it is told and answers every question with `answer`, for tests
// that check what a user would have been shown.
#pragma once

#include <string>
#include <vector>

#include "objects/Reporter.h"

namespace testsupport {

class RecordingReporter : public Reporter {
 public:
  void error(const std::string& text) override { errors.push_back(text); }
  void info(const std::string& text) override { infos.push_back(text); }
  bool ask(const std::string& question, bool) override {
    questions.push_back(question);
    return answer;
  }

  std::vector<std::string> errors;
  std::vector<std::string> infos;
  std::vector<std::string> questions;
  bool answer = false;
};

}  // namespace testsupport
