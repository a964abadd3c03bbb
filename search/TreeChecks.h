// TreeChecks: the checks a built search tree must pass before it is searched, and the
// request echo that tells the user what is wrong and how the request was understood.
// Depends on search/NodePool and search/TreePrinter.
#pragma once

#include <string>

#include "search/NodePool.h"

namespace treechecks {

// Error bits; the echo lists them in this order.
constexpr int kUnbalanced = 1;         // parentheses do not balance
constexpr int kMissingWord = 2;        // a connector lacks an operand ("???" put in)
constexpr int kBadWithin = 4;          // w/N without a word-like operand
constexpr int kBadTo = 16;             // TO with an operand that is not word-like
constexpr int kContainsWithoutTo = 32;
constexpr int kTooComplex = 64;        // too deeply nested or expanded into too many words
constexpr int kBadFileCondition = 128; // an XFILTER value that is not understood

constexpr size_t kMaxEchoBytes = 2048;
constexpr const char* kMissingWordText = "???";

// True when the parentheses outside double quotes of `text` do not balance.
bool unbalanced(const std::string& text);

// Marks word-like and simple nodes under `root` (post-order).
void markWordLike(SearchNode* root);

// Runs the operand checks over the tree under `root`: puts a "???" word in place of every
// missing operand, sets the anchor and other operand of WI and NOTWITHIN nodes and marks
// word-like nodes. The error bits found (kMissingWord, kBadWithin, kBadTo,
// kContainsWithoutTo), 0 when none.
int checkOperands(SearchNode* root, NodePool& pool);

// The request echo: one line per error bit, then how the request was understood (the
// printed tree, or without a tree the beginning of `text`), then a note on "???" when words
// are missing. At most kMaxEchoBytes bytes.
std::string echo(int bits, const SearchNode* root, const std::string& text = "");

}  // namespace treechecks
