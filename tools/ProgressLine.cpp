// The status line: drawn on standard error with "\r" and erased with blanks.
#include "tools/ProgressLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

namespace progressline {

namespace {

bool gDrawn = false;
size_t gWidth = 0;  // of the line drawn

size_t terminalColumns() {
  struct winsize w {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &w) == 0 && w.ws_col > 1) return w.ws_col - 1;
  return 79;
}

}  // namespace

bool enabled() {
  static const bool terminal = isatty(STDERR_FILENO) != 0;
  return terminal;
}

void draw(const std::string& text) {
  if (!enabled()) return;
  std::string shown = text.substr(0, terminalColumns());
  size_t pad = gWidth > shown.size() ? gWidth - shown.size() : 0;
  std::fprintf(stderr, "\r%s%*s", shown.c_str(), static_cast<int>(pad), "");
  if (pad > 0) std::fprintf(stderr, "\r%s", shown.c_str());
  std::fflush(stderr);
  gWidth = shown.size();
  gDrawn = true;
}

void clear() {
  if (!gDrawn) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(gWidth), "");
  std::fflush(stderr);
  gDrawn = false;
  gWidth = 0;
}

}  // namespace progressline
