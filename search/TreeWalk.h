// Walks over a search tree without recursion, so that a request of any depth cannot exhaust
// the stack. Header only; depends on search/SearchNode.
#pragma once

#include <vector>

#include "search/SearchNode.h"

namespace treewalk {

// Calls fn(node) for every node under `root` (root included), children before their parent,
// left before right. `fn` may change the node it is given but not the tree's shape above it.
template <typename Fn>
void postOrder(SearchNode* root, Fn fn) {
  if (!root) return;
  struct Step {
    SearchNode* node;
    bool childrenDone;
  };
  std::vector<Step> stack{{root, false}};
  while (!stack.empty()) {
    Step step = stack.back();
    stack.pop_back();
    if (step.childrenDone) {
      fn(step.node);
      continue;
    }
    stack.push_back({step.node, true});
    if (step.node->right) stack.push_back({step.node->right, false});
    if (step.node->left) stack.push_back({step.node->left, false});
  }
}

// Calls fn(node) for every node under `root`, parents before children, left before right.
// When fn returns false the node's children are skipped.
template <typename Fn>
void preOrder(SearchNode* root, Fn fn) {
  if (!root) return;
  std::vector<SearchNode*> stack{root};
  while (!stack.empty()) {
    SearchNode* node = stack.back();
    stack.pop_back();
    if (!fn(node)) continue;
    if (node->right) stack.push_back(node->right);
    if (node->left) stack.push_back(node->left);
  }
}

// Calls fn(node) for every node under `root` in request order: left subtree, node, right
// subtree. `fn` may change the node it is given but not the tree's shape.
template <typename Fn>
void inOrder(SearchNode* root, Fn fn) {
  std::vector<SearchNode*> stack;
  SearchNode* n = root;
  while (n || !stack.empty()) {
    while (n) {
      stack.push_back(n);
      n = n->left;
    }
    n = stack.back();
    stack.pop_back();
    fn(n);
    n = n->right;
  }
}

// The number of levels under `root` (0 for none, 1 for a lone node).
inline int height(SearchNode* root) {
  int result = 0;
  std::vector<std::pair<SearchNode*, int>> stack;
  if (root) stack.push_back({root, 1});
  while (!stack.empty()) {
    auto [node, level] = stack.back();
    stack.pop_back();
    if (level > result) result = level;
    if (node->left) stack.push_back({node->left, level + 1});
    if (node->right) stack.push_back({node->right, level + 1});
  }
  return result;
}

}  // namespace treewalk
