// TreeExpansion: the steps between building a search tree and checking it: w/N with a NOT
// operand becomes NOTWITHIN, natural-language requests become an OR of their words, the
// search-wide word options are written into the words, and words with the synonym mark get
// their synonyms ORed in. Depends on search/NodePool, search/RequestLexer,
// search/FoldedSynonyms and search/RequestSettings.
#pragma once

#include <string>

#include "search/NodePool.h"
#include "search/RequestSettings.h"

class Alphabet;

namespace treeexpansion {

// Synonym and natural-language expansion together add at most this many nodes to a tree.
constexpr int kMaxAddedNodes = 20000;

// A WI whose right operand (else left operand) is a NOT becomes NOTWITHIN without the NOT.
// With the NOT on the left the operands change places, so that the word that must be present
// is the one whose positions are kept: "not a w/5 b" is b not within 5 words of a.
void makeNotWithin(SearchNode* root);

// Cuts every quoted word outside XFILTER clauses into the words the index holds (runs of
// letters and hyphens of `alphabet`): a quoted text of several words becomes a phrase of
// quoted words, each taken as written. Phrase word counts are brought up to date.
void splitQuotedWords(SearchNode* root, NodePool& pool, const Alphabet& alphabet);

// Replaces every NLQ node under `root` by its words ORed together (each word carrying the
// any-words flag); an NLQ whose operand holds no word is left without operand. -1 when
// kMaxAddedNodes would be passed (the tree is then partly expanded), else 0.
int expandNaturalLanguage(SearchNode* root, NodePool& pool, const RequestSettings& settings,
                          int* addedNodes);

// Writes the search-wide fuzziness, phonic, stemming and synonym options into every WORD and
// PHRASE node that is not quoted, not a numeric range or "low~~high" word, not XFIRSTWORD or
// XLASTWORD, and not under an XFILTER. Marks written in a word stay.
void applyWordOptions(SearchNode* root, const RequestSettings& settings);

// `word` with the options of `settings` written in (the synonym option only with
// `withSynonym`).
std::string withWordOptions(const std::string& word, const RequestSettings& settings,
                            bool withSynonym);

// Every WORD node (not quoted, not under an XFILTER) holding the synonym mark loses it and
// gets the thesaurus's synonyms of the word ORed in. -1 when kMaxAddedNodes would be passed.
int expandSynonyms(SearchNode* root, NodePool& pool, const RequestSettings& settings,
                   int* addedNodes);

// Adds `word` to `target` by OR: a target that is not an OR becomes an OR of `word` and a
// new node holding its former word; into an OR the word goes down the lower side, so the
// ORs stay balanced. With `anyWords` the flag is set on the ORs made and their operands.
// Requires: `target` is a word or an OR made by this function.
void orInsert(SearchNode* target, SearchNode* word, bool anyWords, NodePool& pool);

}  // namespace treeexpansion
