// lxr search: searches indexes through the engine interface and prints the documents found,
// best first, with their hit counts (and with --hits the word numbers of the hits).
#pragma once

#include <string>
#include <vector>

namespace searchcommand {

// `args` are the words after "search": INDEX[,INDEX...] REQUEST... [options]. The tool's
// exit code: 0 documents found, 1 none (or a faulty request), 2 bad arguments.
int run(const std::vector<std::string>& args, const std::string& privateDir);

}  // namespace searchcommand
