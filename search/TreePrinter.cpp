// TreePrinter: an explicit stack of nodes to print and literal pieces to emit.
#include "search/TreePrinter.h"

#include <vector>

namespace treeprinter {

namespace {

struct Piece {
  const SearchNode* node;  // null: emit `literal`
  std::string literal;
};

std::string wordText(const SearchNode* n) {
  if (n->quoted) return n->text + "\"";
  return n->text;
}

}  // namespace

std::string print(const SearchNode* root, size_t maxBytes) {
  std::string out;
  std::vector<Piece> stack;
  if (root) stack.push_back({root, {}});
  // Pieces are pushed in reverse so that they come off the stack in order.
  while (!stack.empty() && out.size() < maxBytes) {
    Piece p = std::move(stack.back());
    stack.pop_back();
    if (!p.node) {
      out += p.literal;
      continue;
    }
    const SearchNode* n = p.node;
    switch (n->kind) {
      case nodekind::kWord:
        out += wordText(n);
        break;
      case nodekind::kPhrase:
        stack.push_back({nullptr, wordText(n)});
        if (n->left) {
          stack.push_back({nullptr, " "});
          stack.push_back({n->left, {}});
        }
        break;
      case nodekind::kContains:
      case nodekind::kAnd:
      case nodekind::kOr:
      case nodekind::kTo:
      case nodekind::kWithin:
      case nodekind::kNotWithin: {
        std::string op;
        if (n->kind == nodekind::kWithin) op = " w/" + std::to_string(n->n) + " ";
        else if (n->kind == nodekind::kNotWithin) op = " notw/" + std::to_string(n->n) + " ";
        else op = " " + (n->text.empty() ? std::string("or") : n->text) + " ";
        stack.push_back({nullptr, ")"});
        if (n->right) stack.push_back({n->right, {}});
        stack.push_back({nullptr, op});
        if (n->left) stack.push_back({n->left, {}});
        out += "(";
        break;
      }
      case nodekind::kNot:
        stack.push_back({nullptr, ")"});
        if (n->right) stack.push_back({n->right, {}});
        out += "(not ";
        break;
      default:
        out += " ????? ";
        break;
    }
  }
  if (out.size() > maxBytes) out.resize(maxBytes);
  return out;
}

}  // namespace treeprinter
