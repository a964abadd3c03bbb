// The front end's call-backs as the engine's reporter.
#include "api/EngineReporter.h"

#include "objects/MessageTable.h"
#include "objects/Trace.h"

EngineReporter::EngineReporter(const lxrInitInfo& info)
    : showError_(info.pShowErrorFn),
      showInfo_(info.pShowInfoFn),
      askYesNo_(info.pAskYesNoFn) {}

void EngineReporter::error(const std::string& text) {
  trace::line("Error message: %s", messages::displayText(text.c_str()));
  if (showError_) showError_(text.c_str());
}

void EngineReporter::info(const std::string& text) {
  trace::line("Information: %s", messages::displayText(text.c_str()));
  if (showInfo_) showInfo_(text.c_str());
}

bool EngineReporter::ask(const std::string& question, bool defaultAnswer) {
  bool answer = askYesNo_ ? askYesNo_(question.c_str()) != 0 : defaultAnswer;
  trace::line("Question: %s -- %s", messages::displayText(question.c_str()), answer ? "Yes" : "No");
  return answer;
}
