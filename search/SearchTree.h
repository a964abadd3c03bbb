// SearchTree: a search request parsed into a tree of SearchNodes, ready to be searched:
// the text prepared (natural language, the additional request, macros), cut into tokens,
// bound into a tree, expanded (NOTWITHIN, natural language, word options, synonyms), its
// XFILTER conditions built and its operands checked. A faulty request gives the request
// echo (message 13). Depends on the search/ parser pieces and objects/MessageTable.
//
// For the search evaluation: root() is the tree; simpleNodes() lists, children before
// parents, the nodes whose positions are loaded from the index: those with hasOwnWord()
// take their words from WordLookup (their `text`), simple ORs take the union of their
// operands. needsPositions() tells whether word positions must be evaluated.
#pragma once

#include <string>
#include <vector>

#include "search/NodePool.h"
#include "search/RequestSettings.h"

// Threads: one user at a time.
class SearchTree {
 public:
  // A tree may be at most this many levels high (deeper requests fail with the echo), so
  // that code walking it recursively has a bounded depth.
  static constexpr int kMaxHeight = 1000;
  // A prepared request may hold at most this many bytes; a longer one fails with the echo
  // before it is cut into tokens, so that no request costs more than a bounded time and
  // memory.
  static constexpr size_t kMaxRequestBytes = 65536;
  static constexpr int kRequestErrorMessage = 13;

  // Parses `request` joined with `additional` (either may be empty). 0 when the tree is
  // ready; -1 on a macro error (message 18 or 32), an empty request (no message), or failed
  // checks (message 13 with the echo). Unless settings.showMessages is off, the message goes to
  // the settings' reporter; message() keeps its text either way. The
  // settings' alphabet, thesaurus, stemmer and macros are used only during the call.
  int parse(const std::string& request, const std::string& additional,
            const RequestSettings& settings);

  // Null before a successful parse of a request with words (after a failed check it is the
  // tree the echo shows).
  SearchNode* root() const { return root_; }
  // The simple nodes, post-order, XFILTER clauses left out.
  const std::vector<SearchNode*>& simpleNodes() const { return simple_; }
  // The XFILTER nodes of the tree (each with its ConstraintSet).
  const std::vector<SearchNode*>& filterNodes() const { return filters_; }
  // Nodes beside the root that are not searched ("a not b" leaves "(not b)").
  const std::vector<SearchNode*>& leftovers() const { return leftovers_; }
  // True when the tree holds a PHRASE, CONTAINS, WI, NOT or NOTWITHIN outside XFILTER.
  bool needsPositions() const { return needsPositions_; }
  // The request after preparing and macro expansion.
  const std::string& parsedText() const { return parsedText_; }
  // The error bits of the checks (treechecks::k...), 0 after a good parse.
  int errorBits() const { return errorBits_; }
  // The request echo after failed checks, else empty.
  const std::string& echo() const { return echo_; }
  // The text of the message of a failed parse (empty after success or an empty request).
  const std::string& message() const { return message_; }

  // Every node made, numbered by SearchNode::id.
  int nodeCount() const { return pool_.count(); }
  SearchNode* node(int id) { return pool_.at(id); }

  // The printed tree (see treeprinter::print).
  std::string print() const;

 private:
  void clear();
  int fail(int messageNumber, const std::string& argument, Reporter* reporter);
  void listNodes();

  NodePool pool_;
  SearchNode* root_ = nullptr;
  std::vector<SearchNode*> simple_;
  std::vector<SearchNode*> filters_;
  std::vector<SearchNode*> leftovers_;
  bool needsPositions_ = false;
  std::string parsedText_;
  int errorBits_ = 0;
  std::string echo_;
  std::string message_;
};
