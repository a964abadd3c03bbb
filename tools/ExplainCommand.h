// lxr explain: shows how the engine understands a search request: the printed tree (with
// the parts that are not searched and the file conditions), or the request echo with its
// error lines. The request is taken as UTF-8 and converted to the engine's Windows-1252.
#pragma once

// `argv` holds the `argc` words after "explain":
//   [--fuzzy N] [--phonic] [--stemming] [--synonyms] [--natural] [--] REQUEST...
// The options switch the search-wide word options on beyond the engine's own settings; the
// request words are joined by blanks. Needs an initialised engine (its options, alphabet,
// stemmer, thesaurus and messages; macros come from MACROS.DAT of the private or home
// folder when a macro character is set). Exit code: 0 understood, 1 faulty request, 2 bad
// arguments (usage on standard error).
int runExplainCommand(int argc, char** argv);
