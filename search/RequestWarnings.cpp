// RequestWarnings: the warnings and the words they name.
#include "search/RequestWarnings.h"

#include "objects/MessageTable.h"
#include "objects/Reporter.h"
#include "search/SearchTree.h"
#include "search/Thesaurus.h"
#include "search/TreePrinter.h"

namespace requestwarnings {

namespace {

// True when a word of `request` outside double quotes carries the synonym marker.
bool asksForSynonyms(const std::string& request, char marker) {
  bool quoted = false;
  for (char c : request) {
    if (c == '"') quoted = !quoted;
    else if (!quoted && c == marker) return true;
  }
  return false;
}

}  // namespace

void warnBeforeSearch(const SearchTree& tree, const std::string& request, const RequestSettings& settings) {
  if (!settings.reporter) return;
  for (const SearchNode* n : tree.leftovers())
    settings.reporter->info(messages::text(kNotSearchedMessage, {treeprinter::print(n)}));
  bool synonyms = settings.options.synonymSearching || asksForSynonyms(request, settings.markers.synonym);
  if (synonyms && (!settings.thesaurus || settings.thesaurus->entryCount() == 0))
    settings.reporter->info(messages::text(kNoThesaurusMessage));
}

std::string noiseWords(const SearchTree& tree) {
  std::string out;
  for (const SearchNode* n : tree.simpleNodes())
    if (n->noise && n->hasOwnWord()) out += (out.empty() ? "" : " ") + n->text;
  return out;
}

void warnNoiseOnly(const SearchTree& tree, Reporter& reporter) {
  std::string words = noiseWords(tree);
  if (!words.empty()) reporter.info(messages::text(kNoiseOnlyMessage, {words}));
}

}  // namespace requestwarnings
