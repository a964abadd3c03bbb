// The engine's call-backs in lxr: messages printed once each, questions answered no.
#include "tools/EngineMessages.h"

#include <cstdio>
#include <cstring>
#include <set>

#include "objects/MessageTable.h"
#include "tools/ProgressLine.h"

namespace enginemessages {

namespace {

std::vector<std::string> gErrors;
std::set<std::string> gShown;  // a text the engine repeats is printed once
bool gQuietInfo = false;

bool firstTime(const std::string& text) { return gShown.insert(text).second; }

void showError(const char* text) {
  std::string shown = messages::displayText(text);
  gErrors.push_back(text ? text : "");
  if (!firstTime(shown)) return;
  progressline::clear();
  std::fprintf(stderr, "lxr: %s\n", shown.c_str());
}

void showInfo(const char* text) {
  if (!text) return;
  std::string shown = messages::displayText(text);
  bool warning = std::strncmp(text, kWarningTag, std::strlen(kWarningTag)) == 0;
  if ((gQuietInfo && !warning) || !firstTime(shown)) return;
  progressline::clear();
  if (warning) {
    std::fprintf(stderr, "lxr: warning: %s\n", shown.c_str());
  } else {
    std::printf("%s\n", shown.c_str());
    std::fflush(stdout);
  }
}

// lxr runs unattended: questions are answered no, so nothing is replaced unasked.
// The question after a failed consistency check is not shown: the operation fails with the
// check's message, which is shown as its error.
int askNo(const char* text) {
  std::string question = messages::displayText(text);
  static const std::string kTerminate = "Terminate the program?";
  if (question.size() >= kTerminate.size() &&
      question.compare(question.size() - kTerminate.size(), kTerminate.size(), kTerminate) == 0)
    return 0;
  progressline::clear();
  std::fprintf(stderr, "lxr: %s -- answered no\n", question.c_str());
  return 0;
}

}  // namespace

void install(lxrInitInfo* info) {
  info->pShowErrorFn = showError;
  info->pShowInfoFn = showInfo;
  info->pAskYesNoFn = askNo;
  info->pAskYesNoAllFn = askNo;
}

std::vector<std::string> takeErrors() {
  std::vector<std::string> out;
  out.swap(gErrors);
  return out;
}

void setQuietInfo(bool quiet) { gQuietInfo = quiet; }

}  // namespace enginemessages
