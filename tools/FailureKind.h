// The exit status of a command the engine failed, chosen from the error messages it showed
// and from the state of the index: a request error, an index in use by another writer, a
// damaged index, or else an I/O failure. For an index in use it also says who holds it.
#pragma once

#include <string>
#include <vector>

namespace failurekind {

// The message file's tag on errors that lie in the request (its words or conditions).
constexpr const char* kRequestTag = "$REQUEST";

// The exit code (tools/ExitCodes.h) for a command that failed after showing `errors` (the
// engine's texts as handed to the call-back, tags included) on the index in `indexFolder`
// (may be empty).
int exitFor(const std::vector<std::string>& errors, const std::string& indexFolder);

// True when the header of the index in `folder` says a writer holds it; *writer is then the
// writer's user name.
bool heldByWriter(const std::string& folder, std::string* writer);

}  // namespace failurekind
