// Fuzz target: the search request parser with the search-wide word options, synonyms,
// natural language, macros and a folding alphabet switched on by the input's first byte.
// Besides never crashing or hanging, a parsed tree must be a tree (each node reached once,
// parents matching), no higher than SearchTree::kMaxHeight, and the echo of a faulty request
// must stay in bounds.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "import/Alphabet.h"
#include "search/MacroTable.h"
#include "search/SearchTree.h"
#include "search/Stemmer.h"
#include "search/Thesaurus.h"
#include "search/TreeChecks.h"

namespace {

struct Fixture {
  Thesaurus thesaurus;
  Stemmer stemmer;
  MacroTable macros;
  Alphabet upper;  // folds letters to upper case, as the shipped alphabet does
  Fixture() {
    upper.foldUpper(true);
    thesaurus.addSet({"car", "automobile", "auto"});
    thesaurus.addSet({"auto", "self"});
    thesaurus.addSet({"new york", "Big Apple", "NY"});
    stemmer.addRule({0, "ies", "y"});
    stemmer.addRule({2, "s", ""});
    stemmer.addRule({3, "ing", ""});
    macros.set("fruit", "apple or pear");
    macros.set("deep", "((a w/2 b) to c) contains (d or e)");
  }
};

void checkTree(SearchTree& tree) {
  SearchNode* root = tree.root();
  if (!root || root->parent) std::abort();
  std::vector<SearchNode*> stack{root};
  std::vector<bool> seen(static_cast<size_t>(tree.nodeCount()), false);
  while (!stack.empty()) {
    SearchNode* n = stack.back();
    stack.pop_back();
    if (n->id < 0 || n->id >= tree.nodeCount() || seen[static_cast<size_t>(n->id)])
      std::abort();  // a node reached twice: not a tree
    seen[static_cast<size_t>(n->id)] = true;
    for (SearchNode* child : {n->left, n->right}) {
      if (!child) continue;
      if (child->parent != n) std::abort();
      stack.push_back(child);
    }
    if (nodekind::isInfix(n->kind) && (!n->left || !n->right)) std::abort();
  }
  for (SearchNode* s : tree.simpleNodes())
    if (!s->simple || !seen[static_cast<size_t>(s->id)]) std::abort();
  (void)tree.print();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture fixture;
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  RequestSettings s;
  s.showMessages = false;
  s.options.fuzzySearching = (flags & 1) != 0;
  s.options.fuzziness = data[1] % 10;
  s.options.phonicSearching = (flags & 2) != 0;
  s.options.autoStemming = (flags & 4) != 0;
  s.options.synonymSearching = (flags & 8) != 0;
  s.options.natLangSearching = (flags & 16) != 0;
  if (flags & 32) s.macroChar = '@';
  if (flags & 64) s.alphabet = &fixture.upper;
  s.thesaurus = &fixture.thesaurus;
  s.stemmer = &fixture.stemmer;
  s.macros = &fixture.macros;
  std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  std::string additional;
  size_t split = text.find('\x01');
  if (split != std::string::npos) {
    additional = text.substr(split + 1);
    text.resize(split);
  }
  SearchTree tree;
  int rc = tree.parse(text, additional, s);
  if (rc == 0) {
    checkTree(tree);
    if (tree.errorBits() != 0) std::abort();
  } else if (tree.errorBits() != 0 && tree.echo().size() > treechecks::kMaxEchoBytes) {
    std::abort();
  }
  return 0;
}
