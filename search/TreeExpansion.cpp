// TreeExpansion: NOTWITHIN, natural language, word options, synonyms and OR-insertion.
#include "search/TreeExpansion.h"

#include <memory>
#include <vector>

#include "import/Alphabet.h"
#include "search/RequestLexer.h"
#include "search/FoldedSynonyms.h"
#include "search/TreeWalk.h"

namespace treeexpansion {

namespace {

bool equalsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char c = a[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != b[i]) return false;
  }
  return i == a.size() && b[i] == '\0';
}

// True for words the options leave alone.
bool keepsWrittenForm(const SearchNode* n) {
  return n->quoted || (!n->text.empty() && n->text[0] == '"') ||
         n->text.find("~~") != std::string::npos || equalsNoCase(n->text, "XLASTWORD") ||
         equalsNoCase(n->text, "XFIRSTWORD");
}

// Words of the subtree in request order (in-order), WORD and PHRASE nodes only.
std::vector<SearchNode*> wordsInOrder(SearchNode* root) {
  std::vector<SearchNode*> out;
  treewalk::inOrder(root, [&out](SearchNode* n) {
    if (n->hasOwnWord()) out.push_back(n);
  });
  return out;
}

SearchNode* makeWord(NodePool& pool, const std::string& text, int depth) {
  SearchNode* w = pool.make();
  w->kind = nodekind::kWord;
  w->text = text;
  w->written = text;
  w->wordCount = 1;
  w->depth = depth;
  return w;
}

// A node for a synonym: one word, or a phrase chain when it holds blanks.
SearchNode* makeSynonym(NodePool& pool, const std::string& synonym, int depth,
                        const RequestSettings& settings, int* added) {
  SearchNode* top = nullptr;
  size_t pos = 0;
  while (pos < synonym.size()) {
    size_t b = synonym.find_first_not_of(" \t", pos);
    if (b == std::string::npos) break;
    size_t e = synonym.find_first_of(" \t", b);
    if (e == std::string::npos) e = synonym.size();
    SearchNode* w = makeWord(pool, withWordOptions(synonym.substr(b, e - b), settings, false),
                             depth);
    ++*added;
    if (top) {
      w->kind = top->kind = nodekind::kPhrase;
      w->left = top;
      top->parent = w;
      w->wordCount = top->wordCount + 1;
      w->height = top->height + 1;
    }
    top = w;
    pos = e;
  }
  return top;
}

// Pre-order over the tree, skipping XFILTER subtrees; collects the nodes `want` accepts.
template <typename Want>
std::vector<SearchNode*> collect(SearchNode* root, Want want) {
  std::vector<SearchNode*> out;
  treewalk::preOrder(root, [&](SearchNode* n) {
    if (n->kind == nodekind::kXFilter) return false;
    if (want(n)) out.push_back(n);
    return true;
  });
  return out;
}

}  // namespace

void splitQuotedWords(SearchNode* root, NodePool& pool, const Alphabet& alphabet) {
  std::vector<SearchNode*> quoted = collect(root, [](SearchNode* n) {
    return n->hasOwnWord() && n->quoted && !n->text.empty() && n->text[0] == '"';
  });
  auto isWordChar = [&alphabet](char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    return c != '"' && (alphabet.isLetter(c) || (alphabet.type(c) & 0xFF) == Alphabet::kHyphen);
  };
  for (SearchNode* n : quoted) {
    std::vector<std::string> words;
    const std::string& text = n->text;
    for (size_t i = 1; i < text.size();) {
      if (!isWordChar(text[i])) {
        ++i;
        continue;
      }
      size_t end = i;
      while (end < text.size() && isWordChar(text[end])) ++end;
      words.push_back("\"" + text.substr(i, end - i));
      i = end;
    }
    if (words.empty()) continue;  // nothing the index could hold: left as written
    SearchNode* below = n->left;
    for (size_t w = 0; w + 1 < words.size(); ++w) {
      SearchNode* part = makeWord(pool, words[w], n->depth);
      part->kind = nodekind::kPhrase;
      part->quoted = true;
      part->left = below;
      if (below) below->parent = part;
      below = part;
    }
    n->text = n->written = words.back();
    if (below) {
      n->kind = nodekind::kPhrase;
      n->left = below;
      below->parent = n;
    }
  }
  if (quoted.empty()) return;
  treewalk::postOrder(root, [](SearchNode* n) {
    if (n->kind == nodekind::kPhrase) n->wordCount = (n->left ? n->left->wordCount : 0) + 1;
  });
}

void makeNotWithin(SearchNode* root) {
  treewalk::preOrder(root, [](SearchNode* n) {
    if (n->kind != nodekind::kWithin) return true;
    if (n->right && n->right->kind == nodekind::kNot) {
      n->kind = nodekind::kNotWithin;
      n->right = n->right->right;
      if (n->right) n->right->parent = n;
    } else if (n->left && n->left->kind == nodekind::kNot) {
      n->kind = nodekind::kNotWithin;
      SearchNode* negated = n->left->right;
      n->left = n->right;
      n->right = negated;
      if (n->left) n->left->parent = n;
      if (n->right) n->right->parent = n;
    }
    return true;
  });
}

int expandNaturalLanguage(SearchNode* root, NodePool& pool, const RequestSettings& settings,
                          int* addedNodes) {
  std::vector<SearchNode*> targets;
  treewalk::preOrder(root, [&](SearchNode* n) {
    if (n->kind != nodekind::kNlq) return true;
    targets.push_back(n);
    return false;  // words below are gathered by this NLQ
  });
  RequestLexer lexer(settings.alphabet, settings.markers);
  for (SearchNode* nlq : targets) {
    std::vector<std::string> words;
    for (SearchNode* w : wordsInOrder(nlq->right)) {
      std::string text = w->text;
      for (char& c : text)
        if (c == '"' || c == '(' || c == ')') c = ' ';
      lexer.tokenize(text);
      for (const RequestToken& t : lexer.tokens()) words.push_back(t.text);
    }
    if (words.empty()) {
      nlq->right = nullptr;
      continue;
    }
    nlq->kind = nodekind::kWord;
    nlq->text = nlq->written = words[0];
    nlq->left = nlq->right = nullptr;
    nlq->quoted = false;
    nlq->wordCount = 1;
    nlq->n = 0;
    for (size_t i = 1; i < words.size(); ++i) {
      if (*addedNodes + 2 > kMaxAddedNodes) return -1;
      *addedNodes += 2;
      orInsert(nlq, makeWord(pool, words[i], nlq->depth), true, pool);
    }
  }
  return 0;
}

std::string withWordOptions(const std::string& word, const RequestSettings& settings,
                            bool withSynonym) {
  const SearchOptions& o = settings.options;
  SearchWord w;
  w.parse(word, settings.markers);
  if (o.fuzzySearching && w.fuzzyCount == 0) w.fuzziness = o.fuzziness;
  if (o.phonicSearching) w.phonic = true;
  if (o.autoStemming) w.stemming = true;
  if (withSynonym && o.synonymSearching) w.synonym = true;
  return w.format(settings.markers);
}

void applyWordOptions(SearchNode* root, const RequestSettings& settings) {
  const SearchOptions& o = settings.options;
  if (!(o.fuzzySearching || o.phonicSearching || o.autoStemming || o.synonymSearching)) return;
  for (SearchNode* n : collect(root, [](SearchNode* n) { return n->hasOwnWord(); }))
    if (!keepsWrittenForm(n)) n->text = withWordOptions(n->text, settings, true);
}

int expandSynonyms(SearchNode* root, NodePool& pool, const RequestSettings& settings,
                   int* addedNodes) {
  const char mark = settings.markers.synonym;
  std::vector<SearchNode*> targets = collect(root, [mark](SearchNode* n) {
    return n->kind == nodekind::kWord && !n->quoted && !(!n->text.empty() && n->text[0] == '"') &&
           n->text.find(mark) != std::string::npos;
  });
  if (targets.empty()) return 0;
  const Alphabet& alphabet = settings.alphabet ? *settings.alphabet : Alphabet::builtIn();
  std::unique_ptr<FoldedSynonyms> synonyms;
  if (settings.thesaurus)
    synonyms = std::make_unique<FoldedSynonyms>(*settings.thesaurus, alphabet);
  for (SearchNode* t : targets) {
    std::string written = t->text;
    t->text.erase(t->text.find(mark), 1);
    if (!synonyms) continue;
    SearchWord own;
    own.parse(t->text, settings.markers);
    std::string ownFolded = synonyms->fold(own.text);
    for (const std::string& synonym :
         synonyms->find(written, settings.markers, settings.stemmer)) {
      if (synonym == ownFolded) continue;  // the word itself
      int added = 0;
      SearchNode* w = makeSynonym(pool, synonym, t->depth, settings, &added);
      if (!w) continue;
      *addedNodes += added + 1;
      if (*addedNodes > kMaxAddedNodes) return -1;
      orInsert(t, w, t->anyWords, pool);
    }
  }
  return 0;
}

void orInsert(SearchNode* target, SearchNode* word, bool anyWords, NodePool& pool) {
  std::vector<SearchNode*> path;
  SearchNode* t = target;
  while (t->kind == nodekind::kOr && t->left && t->right) {
    path.push_back(t);
    t = t->right->height >= t->left->height ? t->left : t->right;
  }
  SearchNode* former = pool.make();
  former->kind = t->kind;
  former->text = t->text;
  former->written = t->written;
  former->quoted = t->quoted;
  former->depth = t->depth;
  former->wordCount = t->wordCount;
  former->anyWords = t->anyWords;
  former->left = t->left;  // a phrase keeps its chain
  if (former->left) former->left->parent = former;
  t->kind = nodekind::kOr;
  t->text.clear();
  t->written.clear();
  t->quoted = false;
  t->wordCount = 0;
  t->n = 0;
  t->left = word;
  t->right = former;
  word->parent = t;
  former->parent = t;
  if (anyWords) t->anyWords = word->anyWords = former->anyWords = true;
  t->height = 1 + std::max(word->height, former->height);
  for (size_t i = path.size(); i-- > 0;)
    path[i]->height = 1 + std::max(path[i]->left->height, path[i]->right->height);
}

}  // namespace treeexpansion
