// The user-interface call-backs the engine reaches the user through: it never opens a window
// itself. A front end registers them at initialisation; without one, messages go to the trace
// and questions get the caller's default answer. Depends on nothing.
#pragma once

namespace ui {

using ShowFn = void (*)(const char* text);
using AskFn = int (*)(const char* text);
using BeepFn = void (*)();

struct Callbacks {
  ShowFn showError = nullptr;
  ShowFn showInfo = nullptr;
  AskFn askYesNo = nullptr;     // non-zero = yes
  AskFn askYesNoAll = nullptr;  // 1 yes, 0 no, 2 yes to all, -2 cancel
  BeepFn beep = nullptr;
};

void setCallbacks(const Callbacks& callbacks);
const Callbacks& callbacks();

// Answers to askYesNoAll.
constexpr int kAnswerNo = 0;
constexpr int kAnswerYes = 1;
constexpr int kAnswerYesToAll = 2;
constexpr int kAnswerCancel = -2;

void showError(const char* text);
void showInfo(const char* text);
// true for yes; `defaultAnswer` when no call-back is registered.
bool askYesNo(const char* text, bool defaultAnswer);
int askYesNoAll(const char* text, int defaultAnswer);
void beep();

// A message text that begins with "$" carries an 8-character tag that displays skip.
const char* displayText(const char* text);

}  // namespace ui
