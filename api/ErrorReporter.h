// The engine interface's one error reporter: it joins a message and two details into a line,
// appends the line to the accumulated error text that lxrInitInfo.errorText points at, and
// writes it to the debug log. The text's storage never moves, so the pointer handed out
// stays valid until the process ends.
#pragma once

#include <functional>
#include <string>

#include "objects/Status.h"

namespace apierror {

// "message detail1 detail2" (blanks between the parts that are given); returns -1.
int report(const std::string& message, const std::string& detail1 = "",
           const std::string& detail2 = "");
// Reports a failure's message and remembers its kind for takeKind(). Returns -1.
int report(const Status& status);
// The kind of the last failure reported through report(Status) since the last call (ok when
// none), for front ends that tell failures apart (the lxr tool's exit codes).
Status::Kind takeKind();

// A function that sees every line reported from now on (a running job script logs them);
// an empty one removes it. Returns the listener it replaced.
using Listener = std::function<void(const std::string& line)>;
Listener setListener(Listener listener);

// The accumulated text, NUL-terminated. When full, the oldest lines give way.
const char* accumulatedText();
void clear();

}  // namespace apierror
