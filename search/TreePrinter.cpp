// TreePrinter: an explicit stack of nodes to print and literal pieces to emit.
#include "search/TreePrinter.h"

#include <vector>

namespace treeprinter {

namespace {

// What to do with a node taken off the stack.
enum class Step { kNode, kWord, kOperator, kBlank, kClose };

struct Piece {
  const SearchNode* node;
  Step step;
};

void appendWord(const SearchNode* n, std::string* out) {
  *out += n->text;
  if (n->quoted) *out += '"';
}

void appendOperator(const SearchNode* n, std::string* out) {
  if (n->kind == nodekind::kWithin) {
    *out += " w/" + std::to_string(n->n) + " ";
  } else if (n->kind == nodekind::kNotWithin) {
    *out += " notw/" + std::to_string(n->n) + " ";
  } else {
    *out += ' ';
    *out += n->text.empty() ? std::string("or") : n->text;
    *out += ' ';
  }
}

}  // namespace

std::string print(const SearchNode* root, size_t maxBytes) {
  std::string out;
  std::vector<Piece> stack;
  if (root) stack.push_back({root, Step::kNode});
  // Pieces are pushed in reverse so that they come off the stack in order.
  while (!stack.empty() && out.size() < maxBytes) {
    Piece p = stack.back();
    stack.pop_back();
    const SearchNode* n = p.node;
    switch (p.step) {
      case Step::kWord: appendWord(n, &out); continue;
      case Step::kOperator: appendOperator(n, &out); continue;
      case Step::kBlank: out += ' '; continue;
      case Step::kClose: out += ')'; continue;
      case Step::kNode: break;
    }
    switch (n->kind) {
      case nodekind::kWord:
        appendWord(n, &out);
        break;
      case nodekind::kPhrase:
        stack.push_back({n, Step::kWord});
        if (n->left) {
          stack.push_back({n, Step::kBlank});
          stack.push_back({n->left, Step::kNode});
        }
        break;
      case nodekind::kContains:
      case nodekind::kAnd:
      case nodekind::kOr:
      case nodekind::kTo:
      case nodekind::kWithin:
      case nodekind::kNotWithin:
        stack.push_back({n, Step::kClose});
        if (n->right) stack.push_back({n->right, Step::kNode});
        stack.push_back({n, Step::kOperator});
        if (n->left) stack.push_back({n->left, Step::kNode});
        out += '(';
        break;
      case nodekind::kNot:
        stack.push_back({n, Step::kClose});
        if (n->right) stack.push_back({n->right, Step::kNode});
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
