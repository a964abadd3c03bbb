// The picture of each command's button, by command number: the desktop's icon theme when it
// has one for the command, else a picture the program draws itself. Depends on Qt Gui.
#pragma once

#include <QIcon>

namespace buttonpictures {

constexpr int kPictureSize = 32;

// The picture for `command`; a command without a picture of its own gets a plain one.
QIcon forCommand(int command);
// The program's own picture for `command`, never from the theme.
QIcon drawn(int command);
// The program's own icon (the installed one is lexaurum.svg).
QIcon programIcon();
// The icon-theme name used for `command`, or null.
const char* themeName(int command);

}  // namespace buttonpictures
