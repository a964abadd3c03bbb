// TreeChecks: operand checks, anchors and the request echo.
#include "search/TreeChecks.h"

#include <vector>

#include "search/TreePrinter.h"
#include "search/TreeWalk.h"

namespace treechecks {

namespace {

struct BitLine {
  int bit;
  const char* line;
};

constexpr BitLine kLines[] = {
    {kUnbalanced, "  *  Parentheses do not balance\n"},
    {kMissingWord, "  *  One or more words are missing\n"},
    {kBadWithin, "  *  Illegal use of the W/N connector\n"},
    {kBadTo, "  *  Illegal use of the TO connector\n"},
    {kContainsWithoutTo, "  *  CONTAINS without a TO\n"},
    {kTooComplex, "  *  The request is too long or too deeply nested\n"},
    {kBadFileCondition, "  *  A file condition of XFILTER is not understood\n"},
};
constexpr const char* kHeading = "\n\nThis is how Lexaurum interpreted your request:\n";
constexpr const char* kMissingNote = "\n(\"???\" means Lexaurum thinks a word is missing.)\n\n";

SearchNode* missingWord(SearchNode* parent, NodePool& pool) {
  SearchNode* w = pool.make();
  w->text = w->written = kMissingWordText;
  w->wordCount = 1;
  w->depth = parent->depth;
  w->parent = parent;
  return w;
}

bool isWordLike(const SearchNode* n) { return n && n->wordLike; }

}  // namespace

bool unbalanced(const std::string& text) {
  long open = 0, close = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    else if (!quoted && c == '(') ++open;
    else if (!quoted && c == ')') ++close;
  }
  return open != close;
}

void markWordLike(SearchNode* root) {
  treewalk::postOrder(root, [](SearchNode* n) {
    if (n->hasOwnWord()) {
      n->wordLike = n->simple = true;
    } else if (n->kind == nodekind::kOr && n->left && n->right) {
      n->wordLike = n->left->wordLike && n->right->wordLike;
      n->simple = n->left->simple && n->right->simple && n->left->kind != nodekind::kPhrase &&
                  n->right->kind != nodekind::kPhrase;
    } else {
      n->wordLike = n->simple = false;
    }
  });
}

int checkOperands(SearchNode* root, NodePool& pool) {
  int bits = 0;
  std::vector<SearchNode*> nodes;
  treewalk::preOrder(root, [&](SearchNode* n) {
    nodes.push_back(n);
    return true;
  });
  for (SearchNode* n : nodes) {
    if (nodekind::isInfix(n->kind) && !n->left) {
      n->left = missingWord(n, pool);
      bits |= kMissingWord;
    }
    if ((nodekind::isInfix(n->kind) || nodekind::isPrefix(n->kind)) && !n->right) {
      n->right = missingWord(n, pool);
      bits |= kMissingWord;
    }
  }
  markWordLike(root);
  for (SearchNode* n : nodes) {
    switch (n->kind) {
      case nodekind::kWithin:
      case nodekind::kNotWithin:
        if (!isWordLike(n->left) && !isWordLike(n->right)) {
          bits |= kBadWithin;
        } else {
          n->anchor = isWordLike(n->left) ? n->left : n->right;
          n->other = n->anchor == n->left ? n->right : n->left;
        }
        break;
      case nodekind::kTo:
        if (!isWordLike(n->left) || !isWordLike(n->right)) bits |= kBadTo;
        break;
      case nodekind::kContains:
        if (!n->left || n->left->kind != nodekind::kTo) bits |= kContainsWithoutTo;
        break;
      default:
        break;
    }
  }
  return bits;
}

std::string echo(int bits, const SearchNode* root, const std::string& text) {
  std::string out;
  for (const BitLine& l : kLines)
    if (bits & l.bit) out += l.line;
  out += kHeading;
  size_t footer = (bits & kMissingWord) ? std::char_traits<char>::length(kMissingNote) : 0;
  size_t room = kMaxEchoBytes > out.size() + footer ? kMaxEchoBytes - out.size() - footer : 0;
  out += root ? treeprinter::print(root, room) : text.substr(0, room);
  if (bits & kMissingWord) out += kMissingNote;
  if (out.size() > kMaxEchoBytes) out.resize(kMaxEchoBytes);
  return out;
}

}  // namespace treechecks
