// SearchNode: one node of a parsed search request: a word, a phrase link or a connector with
// its operands. Nodes belong to their tree's pool; the pointers between them stay valid as
// long as the tree. Depends on search/NodeKind only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "search/NodeKind.h"

class ConstraintSet;

// Threads: owned by one tree, used by one search at a time.
class SearchNode {
 public:
  SearchNode();
  ~SearchNode();
  SearchNode(const SearchNode&) = delete;
  SearchNode& operator=(const SearchNode&) = delete;

  // WORD and PHRASE nodes carry a request word of their own: `text`, with its markers, is
  // what WordLookup expands against an index's word list.
  bool hasOwnWord() const { return kind == nodekind::kWord || kind == nodekind::kPhrase; }
  bool isConnector() const { return nodekind::isPrefix(kind) || nodekind::isInfix(kind); }
  // The text to hand to WordLookup: a quoted word in both its quotes (looked up as written),
  // any other word as it stands.
  std::string lookupText() const { return quoted ? text + "\"" : text; }

  // The node's number in its tree's pool (0..nodeCount()-1): evaluation state can be kept
  // in arrays indexed by it.
  int32_t id = 0;
  int kind = nodekind::kWord;
  SearchNode* parent = nullptr;
  SearchNode* left = nullptr;   // a prefix connector's operand is `right`
  SearchNode* right = nullptr;
  int depth = 0;
  bool quoted = false;
  // The word (with its markers), or the connector as typed; an OR made by expansion has
  // none. A quoted word keeps its opening double quote.
  std::string text;
  // The token before a numeric range was rewritten.
  std::string written;
  int32_t n = 0;          // distance of WI and NOTWITHIN
  int32_t wordCount = 0;  // 1 for a word, the phrase's length at the top of a phrase chain
  bool noise = false;     // set by word lookup
  bool anyWords = false;  // made by natural-language or synonym expansion
  bool wordLike = false;  // WORD, PHRASE, or an OR of word-like operands
  bool simple = false;    // WORD, PHRASE, or an OR of simple operands neither a PHRASE
  // WI: the word-like operand whose positions lead (left preferred) and the other one.
  SearchNode* anchor = nullptr;
  SearchNode* other = nullptr;
  // XFILTER: the file conditions built from its words (null for other kinds).
  std::unique_ptr<ConstraintSet> constraints;

  // Used while the tree is built: the token order, and the height of OR trees made by
  // expansion.
  SearchNode* prev = nullptr;
  SearchNode* next = nullptr;
  bool inList = false;
  int height = 1;
};
