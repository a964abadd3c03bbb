// IndexSearch: finds the documents of one index that satisfy a parsed request, with each
// document's hits (word numbers, ascending) and score. It walks the reference lists of every
// index word the request's words expanded to, document by document in descending id order;
// a cheap boolean test decides most documents, and where the request needs word positions
// (phrases, NOT, w/N, NOTWITHIN, CONTAINS) each node's positions within a window decide the
// rest. Depends on index/ (TextDB, RefReader, DocInfo) and search/ (SearchTree, WordLookup).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "index/DocInfo.h"
#include "search/WordLookup.h"

class SearchNode;
class SearchTree;
class TextDB;

// One retrieved document.
struct FoundDocument {
  DocInfo doc;
  std::vector<int32_t> hits;  // distinct word numbers, ascending
  int32_t score = 0;          // the relevance score, or the hit count
};

struct IndexSearchSettings {
  WordLookupSettings lookup;  // noise list, markers, stemmer, index name (message 34)
  bool relevance = false;     // score by relevance (else the score is the hit count)
  // Documents of the searched collection that are not in the index (files an unindexed
  // scan passed over unread, knowing they cannot match): they count in each word's weight as
  // if they were there.
  int32_t documentsNotIndexed = 0;
  // Each retrieved document; -1 stops the search of this index.
  std::function<int(FoundDocument&)> found;
  // For a listing of the best documents by relevance: the score a document must beat to be
  // kept (INT32_MIN while any is kept). A document whose score is shown, from its hits alone,
  // not to beat it goes to `counted` with its hit count instead of to `found`, and its record
  // is not read; the return as of found(). Both null: every document goes to `found`. Used
  // only with `relevance` and in an index without cancelled documents (a record must be read
  // to know that its document is cancelled).
  std::function<int32_t()> scoreBar;
  std::function<int(int32_t hits)> counted;
};

// Threads: one user at a time. The tree must outlive the search and is not changed except
// for the noise flags its words get from this index's lookups.
class IndexSearch {
 public:
  static constexpr int kMaxEntries = 500;

  IndexSearch(SearchTree& tree, TextDB& db, IndexSearchSettings settings);
  ~IndexSearch();
  IndexSearch(const IndexSearch&) = delete;
  IndexSearch& operator=(const IndexSearch&) = delete;

  // `db` must be open for reading with the header, dictionary, reference file and document
  // table. 0 when done (possibly with no documents); -1 on an error of this index, or when
  // the index proved damaged (damaged() then says so, and what was found is not the answer).
  int search();
  // True when a reference list, a document record or a dictionary page could not be read.
  bool damaged() const { return damaged_; }

  int32_t documentsFound() const { return found_; }
  // After search(): true when the request held nothing to look for in this index (its words
  // were all noise words).
  bool nothingToSearch() const { return !root_; }
  // Records the damage met; false, so that callers can return it.
  bool noteDamage(const char* what);

 private:
  struct Entry;
  struct NodeState;
  struct Window {
    int32_t low;
    int32_t high;
  };

  int setUp();
  SearchNode* prune(SearchNode* node);
  bool canMatchWithout(const SearchNode* node, int32_t doc) const;
  bool test(const SearchNode* node, int32_t doc) const;
  void load(int32_t doc);
  // The positions `node` gives in `w` for the current document, ascending; *satisfied as the
  // node's satisfied flag would end up.
  std::vector<int32_t> positions(const SearchNode* node, Window w, bool* satisfied);
  std::vector<int32_t> simplePositions(const SearchNode* node, Window w, bool* satisfied);
  // Hands document `doc` with `*hits` (taken: *hits is left with other contents) to the
  // caller's found(). The return of found(), or 0 for a cancelled document.
  int retrieve(int32_t doc, std::vector<int32_t>* hits);
  // Counts a document below the score bar through the caller's counted(); its return.
  int countOnly(int32_t hits);
  void collectHits(const SearchNode* node, int32_t doc, std::vector<int32_t>* hits) const;
  // The score's sum over the counted words' positions, and the score of a sum in a document
  // of `wordCount` words.
  double scoreSum() const;
  static int32_t scoreOf(double sum, int32_t wordCount);
  // True when the current document, its positions read, cannot beat the caller's score bar:
  // its length is at least its largest position, which bounds its score from above.
  bool belowBar() const;
  // For a document below the bar: its hit count, when its positions give it without
  // evaluation (the request is one word without positions to check); else -1.
  int32_t plainHitCount() const;
  const SearchNode* child(const SearchNode* node, bool left) const;

  SearchTree& tree_;
  TextDB& db_;
  IndexSearchSettings settings_;
  std::vector<Entry*> entries_;
  std::vector<NodeState> state_;  // by node id
  SearchNode* root_ = nullptr;
  std::vector<std::vector<bool>> filterDocs_;  // by node id, for XFILTER nodes
  std::vector<bool> withoutRefs_;
  std::vector<bool> counted_;  // by node id: the node's words count in the score
  bool useBar_ = false;        // documents below the caller's score bar are only counted
  int32_t documentCount_ = 0;
  int32_t doc_ = 0;  // the document whose positions are being evaluated
  FoundDocument foundDoc_;
  std::vector<int32_t> hits_;  // the current document's hits, before they go to foundDoc_
  bool damaged_ = false;
  int32_t found_ = 0;
};
