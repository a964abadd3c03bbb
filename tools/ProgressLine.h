// The one status line lxr draws on a terminal while a job runs: drawn over itself with a
// carriage return and cleared before anything else is printed, so that no message ends up
// glued to a half-drawn bar. Nothing is drawn when standard error is not a terminal.
#pragma once

#include <string>

namespace progressline {

// True when standard error is a terminal (the line is drawn at all).
bool enabled();
// Draws `text` (cut to the terminal's width) in place of the line drawn before.
void draw(const std::string& text);
// Removes the line, if one is drawn; the cursor is left at the start of the empty line.
void clear();

}  // namespace progressline
