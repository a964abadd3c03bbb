// lxr text: prints a document's text, or its recognised format, through the engine
// interface only.
#pragma once

#include <string>
#include <vector>

namespace textcommand {

// Returned for arguments that fit no form: the caller prints the usage.
constexpr int kBadArguments = -1;

// `args` are the words after "text": [--type] FILE. Returns the tool's exit code: 0 done,
// 2 the file does not exist, 4 the document could not be read; or kBadArguments.
int run(const std::vector<std::string>& args);

}  // namespace textcommand
