// What the engine tells the user while lxr runs a command: its error and information
// messages and its questions, through the call-backs lxr gives the engine. Errors and
// warnings go to standard error, other information to standard output; the progress line is
// cleared first. The errors of a command are kept, so that the command can choose its exit
// status from them.
#pragma once

#include <string>
#include <vector>

#include "lexaurum/lexaurum.h"

namespace enginemessages {

// The tag the engine's message file puts before a warning ("$WARNING" is skipped when shown).
constexpr const char* kWarningTag = "$WARNING";

// Sets the call-backs of `info`.
void install(lxrInitInfo* info);

// Errors shown since the last call of takeErrors(), which forgets them; as the engine gave
// them, tags included.
std::vector<std::string> takeErrors();
// While set, information that is not a warning is dropped (a command that says the same
// in its own words).
void setQuietInfo(bool quiet);

}  // namespace enginemessages
