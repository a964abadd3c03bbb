// lxr text: prints a document's text, or its recognised format, through the engine
// interface only.
#pragma once

#include <string>
#include <vector>

namespace textcommand {

// `args` are the words after "text": [--type] FILE. Returns the tool's exit code: 0 done,
// 1 the document could not be read, 2 bad arguments.
int run(const std::vector<std::string>& args);

}  // namespace textcommand
