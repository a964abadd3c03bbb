// SearchNode: out of line so that the file conditions' type is complete where it is freed.
#include "search/SearchNode.h"

#include "search/ConstraintSet.h"

SearchNode::SearchNode() = default;
SearchNode::~SearchNode() = default;
