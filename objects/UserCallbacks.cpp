// The registered user-interface call-backs and their fallbacks.
#include "objects/UserCallbacks.h"

#include "objects/Trace.h"

namespace ui {

namespace {
Callbacks gCallbacks;
}

void setCallbacks(const Callbacks& callbacks) { gCallbacks = callbacks; }
const Callbacks& callbacks() { return gCallbacks; }

void showError(const char* text) {
  trace::line("Error message: %s", displayText(text));
  if (gCallbacks.showError) gCallbacks.showError(text);
}

void showInfo(const char* text) {
  trace::line("Information: %s", displayText(text));
  if (gCallbacks.showInfo) gCallbacks.showInfo(text);
}

bool askYesNo(const char* text, bool defaultAnswer) {
  bool answer = gCallbacks.askYesNo ? gCallbacks.askYesNo(text) != 0 : defaultAnswer;
  trace::line("Question: %s -- %s", displayText(text), answer ? "Yes" : "No");
  return answer;
}

int askYesNoAll(const char* text, int defaultAnswer) {
  int answer = gCallbacks.askYesNoAll ? gCallbacks.askYesNoAll(text) : defaultAnswer;
  trace::line("Question: %s -- %d", displayText(text), answer);
  return answer;
}

void beep() {
  if (gCallbacks.beep) gCallbacks.beep();
}

const char* displayText(const char* text) {
  if (!text) return "";
  if (text[0] != '$') return text;
  // Skip the 8-character tag, but never past the end of a short text.
  for (int i = 0; i < 8; ++i)
    if (text[i] == '\0') return text + i;
  return text + 8;
}

}  // namespace ui
