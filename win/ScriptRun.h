// Running a job script from the desktop program: the log shown in a status window while it
// runs (Cancel stops the running job and ends the script), the script's WINDOW commands
// applied to the main window, and QUIT reported so that the window can close.
// Depends on win/JobStatusWindow and the engine's public header.
#pragma once

#include <QString>

class QWidget;

namespace scriptrun {

constexpr const char* kTitle = "Run Script";
constexpr const char* kFilter = "Script Files (*.JOB)";
constexpr const char* kPattern = "*.JOB";

// Runs the script `name`; WINDOW commands change `window`. Returns the run's result (0
// when every command succeeded); *quit is set when the script ended at QUIT, and then
// "Script Quit" has been logged.
int run(const QString& name, QWidget* window, bool* quit);

}  // namespace scriptrun
