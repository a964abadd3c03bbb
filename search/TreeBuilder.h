// TreeBuilder: makes the nodes of a search tree from a request's tokens and binds the
// connectors to their operands: NOT before w/N, phrases from adjacent words, then the
// connectors by depth (deeper first) and by code (higher first), equal ones from the left.
// Depends on search/NodePool and search/RequestToken.
#pragma once

#include <vector>

#include "search/NodePool.h"
#include "search/RequestToken.h"

namespace treebuilder {

// Builds the tree of `tokens` in `pool`. The root is the topmost node above the first
// token's node; nodes that end up beside it with no connector between (the "not b" of
// "a not b") are put in *leftovers, in request order, and are not searched. Null when there
// are no tokens. Runs in O(n log n) for n tokens and never recurses.
SearchNode* build(const std::vector<RequestToken>& tokens, NodePool& pool,
                  std::vector<SearchNode*>* leftovers);

}  // namespace treebuilder
