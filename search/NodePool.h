// NodePool: owns every node of one search tree; nodes are made one by one and freed together
// with the pool. Depends on search/SearchNode only.
#pragma once

#include <deque>

#include "search/SearchNode.h"

// Threads: one user at a time.
class NodePool {
 public:
  // A new WORD node numbered by its place in the pool. Valid until the pool is cleared.
  SearchNode* make() {
    nodes_.emplace_back();
    SearchNode* node = &nodes_.back();
    node->id = static_cast<int32_t>(nodes_.size() - 1);
    return node;
  }
  void clear() { nodes_.clear(); }
  int count() const { return static_cast<int>(nodes_.size()); }
  SearchNode* at(int id) { return &nodes_[static_cast<size_t>(id)]; }
  const SearchNode* at(int id) const { return &nodes_[static_cast<size_t>(id)]; }

 private:
  std::deque<SearchNode> nodes_;  // a deque never moves its elements
};
