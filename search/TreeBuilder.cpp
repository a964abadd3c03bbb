// TreeBuilder: nodes, NOT before w/N, phrases and the binding of connectors.
//
// The nodes not yet taken as an operand form a doubly linked list in request order. A
// connector takes its neighbours in that list. A connector that was itself taken as an
// operand before its turn (the NOT of "a to not b") still binds, with the neighbours it had
// when it left the list, as long as they are still in the list and not the top of its own
// tree (which would make a cycle); a union-find over the nodes finds that top quickly.
#include "search/TreeBuilder.h"

#include <algorithm>
#include <numeric>

namespace treebuilder {

namespace {

class Binder {
 public:
  explicit Binder(int nodeCount) : top_(static_cast<size_t>(nodeCount)) {
    std::iota(top_.begin(), top_.end(), 0);
  }

  void unlink(SearchNode* node, SearchNode** head) {
    if (node->prev) node->prev->next = node->next;
    else if (*head == node) *head = node->next;
    if (node->next) node->next->prev = node->prev;
    node->inList = false;  // its own prev and next are kept: see the file comment
  }

  // The topmost node of `node`'s tree, as an id.
  int topOf(int id) {
    int root = id;
    while (top_[static_cast<size_t>(root)] != root) root = top_[static_cast<size_t>(root)];
    while (top_[static_cast<size_t>(id)] != root) {
      int up = top_[static_cast<size_t>(id)];
      top_[static_cast<size_t>(id)] = root;
      id = up;
    }
    return root;
  }

  // Makes `operand` (if it may be taken) a child of `connector`; returns it or null.
  SearchNode* take(SearchNode* connector, SearchNode* operand, SearchNode** head) {
    if (!operand || !operand->inList) return nullptr;
    if (!connector->inList && topOf(connector->id) == operand->id) return nullptr;
    unlink(operand, head);
    operand->parent = connector;
    top_[static_cast<size_t>(operand->id)] = connector->id;
    return operand;
  }

 private:
  std::vector<int> top_;
};

}  // namespace

SearchNode* build(const std::vector<RequestToken>& tokens, NodePool& pool,
                  std::vector<SearchNode*>* leftovers) {
  leftovers->clear();
  if (tokens.empty()) return nullptr;
  std::vector<SearchNode*> nodes;
  nodes.reserve(tokens.size());
  SearchNode* head = nullptr;
  SearchNode* last = nullptr;
  for (const RequestToken& t : tokens) {
    SearchNode* n = pool.make();
    n->kind = t.kind;
    n->n = t.n;
    n->depth = t.depth;
    n->text = t.text;
    n->written = t.written;
    n->quoted = t.quoted;
    n->wordCount = t.kind == nodekind::kWord ? 1 : 0;
    n->inList = true;
    n->prev = last;
    if (last) last->next = n;
    else head = n;
    last = n;
    nodes.push_back(n);
  }
  Binder binder(pool.count());

  // NOT directly before a w/N makes it NOTWITHIN; the NOT goes.
  std::vector<bool> dropped(nodes.size(), false);
  for (size_t i = 0; i + 1 < nodes.size(); ++i) {
    if (nodes[i]->kind == nodekind::kNot && nodes[i + 1]->kind == nodekind::kWithin &&
        nodes[i]->inList) {
      nodes[i + 1]->kind = nodekind::kNotWithin;
      binder.unlink(nodes[i], &head);
      dropped[i] = true;
    }
  }

  // Adjacent words form a phrase: a left-leaning chain whose top holds the last word.
  for (SearchNode* n = head ? head->next : nullptr; n; n = n->next) {
    SearchNode* p = n->prev;
    if (n->kind != nodekind::kWord || !p) continue;
    if (p->kind != nodekind::kWord && p->kind != nodekind::kPhrase) continue;
    binder.take(n, p, &head);
    n->left = p;
    p->kind = nodekind::kPhrase;
    n->kind = nodekind::kPhrase;
    n->wordCount = p->wordCount + 1;
  }

  // Binding: deeper first, then higher codes, then left to right.
  std::vector<SearchNode*> connectors;
  for (size_t i = 0; i < nodes.size(); ++i)
    if (!dropped[i] && nodes[i]->isConnector() && nodes[i]->depth >= 0)
      connectors.push_back(nodes[i]);
  std::stable_sort(connectors.begin(), connectors.end(), [](SearchNode* a, SearchNode* b) {
    if (a->depth != b->depth) return a->depth > b->depth;
    return a->kind > b->kind;
  });
  for (SearchNode* c : connectors) {
    if (nodekind::isPrefix(c->kind)) {
      c->right = binder.take(c, c->next, &head);
    } else {
      SearchNode* before = c->prev;
      SearchNode* after = c->next;
      c->left = binder.take(c, before, &head);
      c->right = binder.take(c, after, &head);
    }
  }

  // The root: the top above the first token that is still part of the request.
  SearchNode* root = nullptr;
  for (size_t i = 0; i < nodes.size() && !root; ++i)
    if (!dropped[i]) root = nodes[i];
  while (root && root->parent) root = root->parent;
  for (SearchNode* n = head; n; n = n->next)
    if (n != root) leftovers->push_back(n);
  return root;
}

}  // namespace treebuilder
