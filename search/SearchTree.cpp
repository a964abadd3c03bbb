// SearchTree: the order of the parse steps and what the tree keeps for the search.
#include "search/SearchTree.h"

#include "import/Alphabet.h"
#include "objects/MessageTable.h"
#include "objects/Reporter.h"
#include "objects/Trace.h"
#include "search/ConstraintSet.h"
#include "search/RequestLexer.h"
#include "search/RequestText.h"
#include "search/TreeBuilder.h"
#include "search/TreeChecks.h"
#include "search/TreeExpansion.h"
#include "search/TreePrinter.h"
#include "search/TreeWalk.h"

namespace {

// The words of an XFILTER clause in request order, as written (ranges not rewritten).
std::vector<std::string> clauseWords(SearchNode* clause) {
  std::vector<std::string> out;
  treewalk::inOrder(clause, [&out](SearchNode* n) {
    if (n->hasOwnWord()) out.push_back(n->written);
  });
  return out;
}

}  // namespace

void SearchTree::clear() {
  pool_.clear();
  root_ = nullptr;
  simple_.clear();
  filters_.clear();
  leftovers_.clear();
  needsPositions_ = false;
  parsedText_.clear();
  errorBits_ = 0;
  echo_.clear();
  message_.clear();
}

int SearchTree::fail(int messageNumber, const std::string& argument, Reporter* reporter) {
  message_ = messages::text(messageNumber, {argument});
  trace::line("SearchTree::parse failed: message %d", messageNumber);
  if (reporter) reporter->error(message_);
  return -1;
}

std::string SearchTree::print() const { return treeprinter::print(root_); }

void SearchTree::listNodes() {
  simple_.clear();
  filters_.clear();
  needsPositions_ = false;
  treechecks::markWordLike(root_);
  // Mark the XFILTER clauses so that their words are neither searched nor counted.
  std::vector<bool> inClause(static_cast<size_t>(pool_.count()), false);
  treewalk::preOrder(root_, [&](SearchNode* n) {
    if (n->kind != nodekind::kXFilter) return true;
    filters_.push_back(n);
    treewalk::preOrder(n, [&](SearchNode* m) {
      inClause[static_cast<size_t>(m->id)] = true;
      return true;
    });
    return false;
  });
  treewalk::postOrder(root_, [&](SearchNode* n) {
    if (inClause[static_cast<size_t>(n->id)]) {
      n->simple = false;
      return;
    }
    if (n->simple) simple_.push_back(n);
    switch (n->kind) {
      case nodekind::kPhrase:
      case nodekind::kContains:
      case nodekind::kWithin:
      case nodekind::kNot:
      case nodekind::kNotWithin:
        needsPositions_ = true;
        break;
      default:
        break;
    }
  });
}

int SearchTree::parse(const std::string& request, const std::string& additional,
                      const RequestSettings& settings) {
  clear();
  const Alphabet& alphabet = settings.alphabet ? *settings.alphabet : Alphabet::builtIn();
  std::string text =
      requesttext::prepare(request, additional, settings.options.natLangSearching);
  if (settings.macroChar != '\0') {
    std::string expanded, badName;
    int rc = requesttext::expandMacros(text, settings.macroChar, settings.macros, alphabet,
                                       &expanded, &badName);
    if (rc != 0) return fail(rc, badName, settings.showMessages ? settings.reporter : nullptr);
    text = std::move(expanded);
  }
  parsedText_ = text;
  if (text.size() > kMaxRequestBytes) {
    errorBits_ = treechecks::kTooComplex;
    echo_ = treechecks::echo(errorBits_, nullptr, text);
    return fail(kRequestErrorMessage, echo_, settings.showMessages ? settings.reporter : nullptr);
  }

  RequestLexer lexer(&alphabet, settings.markers);
  lexer.tokenize(text);
  root_ = treebuilder::build(lexer.tokens(), pool_, &leftovers_);
  if (!root_) return -1;  // nothing to search for

  if (treechecks::unbalanced(text)) errorBits_ |= treechecks::kUnbalanced;
  if (treewalk::height(root_) > kMaxHeight) {
    errorBits_ |= treechecks::kTooComplex;
  } else {
    int added = 0;
    treeexpansion::makeNotWithin(root_);
    treeexpansion::splitQuotedWords(root_, pool_, alphabet);
    bool tooMany = treeexpansion::expandNaturalLanguage(root_, pool_, settings, &added) < 0;
    if (!tooMany) {
      treeexpansion::applyWordOptions(root_, settings);
      tooMany = treeexpansion::expandSynonyms(root_, pool_, settings, &added) < 0;
    }
    if (tooMany || treewalk::height(root_) > kMaxHeight) errorBits_ |= treechecks::kTooComplex;
  }
  if (!(errorBits_ & treechecks::kTooComplex)) {
    errorBits_ |= treechecks::checkOperands(root_, pool_);
    listNodes();
    for (SearchNode* f : filters_) {
      f->constraints = std::make_unique<ConstraintSet>();
      if (f->constraints->build(clauseWords(f->right)) > 0)
        errorBits_ |= treechecks::kBadFileCondition;
    }
  }
  if (errorBits_ != 0) {
    echo_ = treechecks::echo(errorBits_, root_);
    // The echo prints a file condition clause as a placeholder: name what was not understood.
    for (SearchNode* f : filters_)
      if (f->constraints)
        for (const std::string& r : f->constraints->rejected()) echo_ += "\nNot understood in XFILTER: " + r + "\n";
    return fail(kRequestErrorMessage, echo_, settings.showMessages ? settings.reporter : nullptr);
  }
  return 0;
}
