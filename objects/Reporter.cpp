// The quiet reporter.
#include "objects/Reporter.h"

#include "objects/Trace.h"

namespace {

class QuietReporter : public Reporter {
 public:
  void error(const std::string& text) override { trace::line("Error message: %s", text.c_str()); }
  void info(const std::string& text) override { trace::line("Information: %s", text.c_str()); }
  bool ask(const std::string& question, bool defaultAnswer) override {
    trace::line("Question: %s -- %s", question.c_str(), defaultAnswer ? "Yes" : "No");
    return defaultAnswer;
  }
};

}  // namespace

Reporter& Reporter::quiet() {
  static QuietReporter* reporter = new QuietReporter;  // holds no state
  return *reporter;
}
