// lxr search: searches indexes (and unindexed files) through the engine interface and prints
// the documents found, one line each with score, hit count and name, then the totals; or one
// JSON object per document; optionally with the word numbers of the hits or each hit in its
// context of words.
#pragma once

#include <string>
#include <vector>

namespace searchcommand {

// The tool's exit code: 0 documents found, 1 none (or the engine failed), 2 a faulty
// request (its echo shown); searchrun::kBadArguments for bad arguments.
// `args` are the words after "search" (see searchoptions::parseSearch).
int run(const std::vector<std::string>& args, const std::string& privateDir);

}  // namespace searchcommand
