// lxr options [set NAME VALUE] and lxr library list|add|remove: the settings kept in the
// private folder. Values are checked before they are stored.
#pragma once

#include <string>
#include <vector>

namespace settingscommands {

// Returned for arguments that fit no form: the caller prints the command's usage.
constexpr int kBadArguments = -1;

// `args` begin with "options" or "library". The exit code (tools/ExitCodes.h), or
// kBadArguments.
int run(const std::vector<std::string>& args);

// True when `args` would change the shared settings (not only show them).
bool changesSettings(const std::vector<std::string>& args);

}  // namespace settingscommands
