// lxr show FILE --request REQUEST [--index INDEX] [--hit-lines] [--width N]: finds the hits in
// one document (in the index's record of it, or by searching the file alone) and prints the
// document's lines, numbered, with the hits marked (bold on a terminal, [brackets]
// otherwise); with --hit-lines only the lines that hold hits, stepped to from hit to hit.
#pragma once

#include <string>
#include <vector>

namespace showcommand {

// `args` are the words after "show". The exit code: 0 the document holds hits, 1 none or it
// cannot be read, 2 a faulty request; searchrun::kBadArguments for bad arguments.
int run(const std::vector<std::string>& args, const std::string& privateDir);

}  // namespace showcommand
