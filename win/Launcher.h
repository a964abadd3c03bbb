// Opens a document in its desktop application: the program (xdg-open unless the settings
// name another) started with the file's name as its only argument, never through a shell.
// Depends on Qt Core.
#pragma once

#include <QString>

namespace launcher {

constexpr const char* kDefaultProgram = "xdg-open";

// The program used from now on (empty: the default).
void setProgram(const QString& program);
QString program();

// Starts the program on `file`, not waiting for it. 0, or -1 when the file does not exist or
// the program cannot be started (*why then says which).
int launch(const QString& file, QString* why);

}  // namespace launcher
