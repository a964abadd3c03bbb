// lxr explain: shows how the engine understands a search request: the printed tree (with
// the parts that are not searched and the file conditions), or the request echo with its
// error lines; with --index, what each word stands for in an index. The request is taken
// as UTF-8 and converted to the engine's Windows-1252.
#pragma once

#include <string>
#include <vector>

namespace explaincommand {

// Returned for arguments that fit no form: the caller prints the usage.
constexpr int kBadArguments = -1;

// `args` are the words after "explain":
//   [--fuzzy N] [--phonic] [--stemming] [--synonyms] [--natural] [--index INDEX]... [--] REQUEST...
// The options switch the search-wide word options on beyond the engine's own settings; the
// request words are joined by blanks. Needs an initialised engine (its options, alphabet,
// stemmer, thesaurus and messages; macros come from MACROS.DAT of the private or home
// folder when a macro character is set). The exit code: kDone understood, kUsage for a
// faulty request (its echo on standard error), or kBadArguments.
int run(const std::vector<std::string>& args);

// Parses `pattern` as a request with the engine's settings: 0 with the explanation in *out;
// -1 with the message and request echo in *out.
int checkPattern(const std::string& pattern, std::string* out);

}  // namespace explaincommand
