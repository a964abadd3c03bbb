// The engine's user call-backs as message boxes captioned "Lexaurum" (show error, show
// information, ask yes/no, ask yes/no/all, beep), and every other box the program shows.
// A test installs a Sink that records the texts and answers the questions instead.
// Depends on Qt Widgets and the engine's public header.
#pragma once

#include <QString>

#include "lexaurum/lexaurum.h"

namespace messageboxes {

constexpr const char* kCaption = "Lexaurum";

enum class Kind { kError, kInfo, kYesNo, kYesNoAll };

// Where boxes go instead of the screen. ask() answers as the engine's call-backs do:
// non-zero yes for kYesNo; 1 yes, 0 no, 2 yes to all, -2 cancel for kYesNoAll.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void show(Kind kind, const QString& caption, const QString& text) = 0;
  virtual int ask(Kind kind, const QString& caption, const QString& text) = 0;
};

// Installs `sink` (null: boxes on the screen again). The sink must outlive its use.
void setSink(Sink* sink);

void showError(const QString& caption, const QString& text);
void showInfo(const QString& caption, const QString& text);
bool askYesNo(const QString& caption, const QString& text);

// Puts the five call-backs into `info`.
void fillCallbacks(lxrInitInfo* info);

}  // namespace messageboxes
