// TreePrinter: a search tree written back as text, fully parenthesised, as the request echo
// and `lxr explain` show it. Depends on search/SearchNode.
#pragma once

#include <cstddef>
#include <string>

#include "search/SearchNode.h"

namespace treeprinter {

// The printed form of the subtree under `node`: a word as its text (a quoted word with its
// closing quote put back), a phrase as its words separated by blanks, "(left w/N right)",
// "(left notw/N right)", "(left CONNECTOR right)" with the connector as typed ("or" for an
// OR made by expansion), "(not operand)", and " ????? " for other kinds. The text is cut
// after `maxBytes` bytes. Never recurses.
std::string print(const SearchNode* node, size_t maxBytes = std::string::npos);

}  // namespace treeprinter
