#include "search/IndexSearch.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>

#include "index/CiteTable.h"
#include "index/RefReader.h"
#include "index/TextDB.h"
#include "objects/ErrorLog.h"
#include "objects/Trace.h"
#include "search/ConstraintSet.h"
#include "search/FileConstraint.h"
#include "search/NodeKind.h"
#include "search/SearchNode.h"
#include "search/SearchTree.h"

using namespace nodekind;

namespace {

constexpr int32_t kHighest = nodekind::kMaxDistance;

// `into` becomes the union of both (each ascending, without repeats). The merge goes through
// a buffer kept from call to call, so a document's evaluation allocates little.
void unite(std::vector<int32_t>* into, const std::vector<int32_t>& more) {
  if (more.empty()) return;
  if (into->empty()) {
    into->assign(more.begin(), more.end());
    return;
  }
  thread_local std::vector<int32_t> merged;
  merged.clear();
  std::set_union(into->begin(), into->end(), more.begin(), more.end(), std::back_inserter(merged));
  into->swap(merged);
}

}  // namespace

struct IndexSearch::Entry {
  int node;          // id of the simple node the word feeds
  int32_t doc = 0;   // the document the reader stands on, 0 when exhausted
  RefReader reader;
  Entry(int n, IOFile& refs) : node(n), reader(refs) {}
};

struct IndexSearch::NodeState {
  int32_t doc = 0;                 // the current document when the node's words occur in it
  std::vector<int32_t> own;        // its own words' positions in the document, ascending
  std::vector<int32_t> list;       // a simple node's positions (a phrase: its last word's)
  int32_t weight = 0;
  const SearchNode* left = nullptr;   // operands after pruning
  const SearchNode* right = nullptr;
  const SearchNode* anchor = nullptr;
  const SearchNode* other = nullptr;
};

IndexSearch::IndexSearch(SearchTree& tree, TextDB& db, IndexSearchSettings settings)
    : tree_(tree), db_(db), settings_(std::move(settings)) {}

IndexSearch::~IndexSearch() {
  for (Entry* e : entries_) delete e;
}

const SearchNode* IndexSearch::child(const SearchNode* node, bool left) const {
  const NodeState& s = state_[static_cast<size_t>(node->id)];
  return left ? s.left : s.right;
}

int IndexSearch::setUp() {
  documentCount_ = db_.header().documentCount;
  state_.assign(static_cast<size_t>(tree_.nodeCount()), NodeState());
  WordLookup lookup(db_.keys(), settings_.lookup);
  const double liveDocs =
      std::max(1, documentCount_ - db_.header().obsoleteCount + std::max(0, settings_.documentsNotIndexed));
  for (SearchNode* node : tree_.simpleNodes()) {
    if (!node->hasOwnWord()) continue;
    NodeWords words;
    int rc = lookup.lookup(node->lookupText(), [&](const WordHit& hit) {
      if (static_cast<int>(entries_.size()) >= kMaxEntries) return -1;
      auto* e = new Entry(node->id, db_.refFile());
      entries_.push_back(e);
      if (e->reader.position(hit.id) < 0) return -1;
      e->doc = e->reader.nextId();
      return 0;
    }, &words);
    if (rc < 0) return -1;
    node->noise = words.noise;
    // Every word gets the weight of its rarity: 10 ln(D / f) squared, f the average number
    // of documents per matching index word; at least 1, so that a word found in every
    // document still counts its occurrences.
    double f = words.wordCount > 0 ? static_cast<double>(words.documentSum) / words.wordCount : 0;
    double w = f > 0 ? std::max(1.0, 10.0 * std::pow(std::log(liveDocs / f), 2)) : 0;
    state_[static_cast<size_t>(node->id)].weight = static_cast<int32_t>(std::min(w, 60000.0));
  }
  root_ = prune(tree_.root());
  // Words under NOT or in file conditions do not count in the score.
  counted_.assign(state_.size(), false);
  for (SearchNode* node : tree_.simpleNodes()) {
    if (!node->hasOwnWord()) continue;
    bool counted = true;
    for (const SearchNode* up = node->parent; up; up = up->parent)
      if (up->kind == kNot || up->kind == kXFilter || up->kind == kNotWithin) counted = false;
    counted_[static_cast<size_t>(node->id)] = counted;
  }
  useBar_ = settings_.relevance && settings_.scoreBar && settings_.counted && db_.header().obsoleteCount == 0;
  // File conditions: one bit per document.
  filterDocs_.assign(state_.size(), {});
  for (SearchNode* f : tree_.filterNodes()) {
    std::vector<bool>& bits = filterDocs_[static_cast<size_t>(f->id)];
    bits.assign(static_cast<size_t>(documentCount_) + 1, false);
    DocInfo d;
    for (int32_t id = 1; id <= documentCount_; ++id) {
      if (d.read(db_, id, false) < 0) {
        noteDamage("a document record");
        continue;
      }
      if (d.cancelled) continue;
      FileFacts facts;
      facts.fileName = d.fileName;
      facts.modDate = d.modDate;
      facts.size = d.fileSize;
      bits[static_cast<size_t>(id)] = f->constraints && f->constraints->matches(facts);
    }
  }
  if (root_ && canMatchWithout(root_, -1)) {
    withoutRefs_.assign(static_cast<size_t>(documentCount_) + 1, false);
    for (int32_t id = 1; id <= documentCount_; ++id) withoutRefs_[static_cast<size_t>(id)] = canMatchWithout(root_, id);
  }
  return 0;
}

SearchNode* IndexSearch::prune(SearchNode* node) {
  if (!node) return nullptr;
  NodeState& s = state_[static_cast<size_t>(node->id)];
  switch (node->kind) {
    case kWord:
      return node->noise ? nullptr : node;
    case kPhrase: {
      // A noise word inside a phrase stands for any one word; a phrase of noise words only
      // is empty.
      SearchNode* l = prune(node->left);
      s.left = node->left;
      return (node->noise && !l) ? nullptr : node;
    }
    case kXFilter:
      return node;
    case kNot: {
      SearchNode* r = prune(node->right);
      s.right = r;
      return r ? node : nullptr;
    }
    case kContains:
    case kTo: {
      SearchNode* l = prune(node->left);
      SearchNode* r = prune(node->right);
      s.left = l;
      s.right = r;
      return l && r ? node : nullptr;
    }
    default: {
      if (node->simple && node->kind == kOr) {  // a simple OR keeps its operands as they are
        SearchNode* l = prune(node->left);
        SearchNode* r = prune(node->right);
        s.left = node->left;
        s.right = node->right;
        return l || r ? node : nullptr;
      }
      SearchNode* l = prune(node->left);
      SearchNode* r = prune(node->right);
      if (!l) return r;
      if (!r) return l;
      s.left = l;
      s.right = r;
      if (node->kind == kWithin) {
        s.anchor = node->anchor == node->right ? r : l;
        s.other = s.anchor == l ? r : l;
      }
      return node;
    }
  }
}

bool IndexSearch::canMatchWithout(const SearchNode* node, int32_t doc) const {
  switch (node->kind) {
    // Asked for no document in particular: a NOT may hold without references (its operand
    // may fail, a file condition among others); each document's own answer decides.
    case kNot: return doc < 0 || !canMatchWithout(child(node, false), doc);
    case kXFilter: {
      if (doc < 0) return true;
      const std::vector<bool>& bits = filterDocs_[static_cast<size_t>(node->id)];
      return static_cast<size_t>(doc) < bits.size() && bits[static_cast<size_t>(doc)];
    }
    case kAnd:
    case kContains:
    case kWithin:
    case kTo:
      return canMatchWithout(child(node, true), doc) && canMatchWithout(child(node, false), doc);
    case kOr:
      if (node->simple) return false;
      return canMatchWithout(child(node, true), doc) || canMatchWithout(child(node, false), doc);
    default:
      return false;
  }
}

bool IndexSearch::test(const SearchNode* node, int32_t doc) const {
  const NodeState& s = state_[static_cast<size_t>(node->id)];
  switch (node->kind) {
    case kWord: return s.doc == doc || node->noise;
    case kPhrase: return (s.doc == doc || node->noise) && (!node->left || test(node->left, doc));
    case kAnd:
    case kContains:
    case kWithin:
    case kTo: return test(child(node, true), doc) && test(child(node, false), doc);
    case kOr: {
      const SearchNode* l = node->simple ? node->left : s.left;
      const SearchNode* r = node->simple ? node->right : s.right;
      return (l && test(l, doc)) || (r && test(r, doc));
    }
    case kNotWithin: return test(child(node, true), doc);
    case kNot: return true;
    case kXFilter: return canMatchWithout(node, doc);
    default: return false;
  }
}

void IndexSearch::load(int32_t doc) {
  for (SearchNode* node : tree_.simpleNodes()) {
    NodeState& s = state_[static_cast<size_t>(node->id)];
    // A word held in one entry comes ascending without repeats already.
    if (std::adjacent_find(s.own.begin(), s.own.end(), std::greater_equal<int32_t>()) != s.own.end()) {
      std::sort(s.own.begin(), s.own.end());
      s.own.erase(std::unique(s.own.begin(), s.own.end()), s.own.end());
    }
    if (node->kind == kWord) {
      s.list = s.own;
    } else if (node->kind == kPhrase) {
      const SearchNode* l = node->left;
      if (!l) {  // the first word of a phrase
        s.list = node->noise ? std::vector<int32_t>() : s.own;
        continue;
      }
      // The positions of the words before, each moved on by one; a noise word that opens
      // the phrase stands for any word.
      std::vector<int32_t> shifted;
      if (l->noise && !l->left) {
        for (int32_t p : s.own) if (p > 1) shifted.push_back(p);
      } else {
        for (int32_t p : state_[static_cast<size_t>(l->id)].list) shifted.push_back(p + 1);
      }
      if (node->noise) {
        s.list = shifted;
      } else {
        s.list.clear();
        std::set_intersection(s.own.begin(), s.own.end(), shifted.begin(), shifted.end(),
                              std::back_inserter(s.list));
      }
    } else if (node->kind == kOr) {
      s.list.clear();
      // A simple OR's own list serves position windows only; the hits come from its words.
      if (!tree_.needsPositions()) continue;
      for (const SearchNode* c : {node->left, node->right})
        if (c) unite(&s.list, state_[static_cast<size_t>(c->id)].list);
    }
  }
  (void)doc;
}

std::vector<int32_t> IndexSearch::simplePositions(const SearchNode* node, Window w, bool* satisfied) {
  const NodeState& s = state_[static_cast<size_t>(node->id)];
  const int32_t k = node->kind == kPhrase ? std::max(1, node->wordCount) : 1;
  std::vector<int32_t> out;
  for (int32_t p : s.list) {
    if (p < w.low) continue;              // a phrase counts when its last word is in the window
    int32_t first = std::max(1, p - k + 1);
    if (first > w.high) break;
    for (int32_t q = first; q <= p && q <= w.high; ++q) out.push_back(q);
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  *satisfied = !out.empty();
  return out;
}

std::vector<int32_t> IndexSearch::positions(const SearchNode* node, Window w, bool* satisfied) {
  *satisfied = false;
  if (!node || w.low > w.high) return {};
  if (node->kind == kWord || node->kind == kPhrase || (node->simple && node->kind == kOr))
    return simplePositions(node, w, satisfied);
  const NodeState& s = state_[static_cast<size_t>(node->id)];
  switch (node->kind) {
    case kAnd:
    case kOr: {
      bool ls = false, rs = false;
      std::vector<int32_t> a = positions(s.left, w, &ls);
      std::vector<int32_t> b = positions(s.right, w, &rs);
      bool both = node->kind == kAnd;
      *satisfied = both ? (ls && rs) : (ls || rs);
      if (!*satisfied) return {};
      std::vector<int32_t> out;
      if (ls) out = std::move(a);
      if (rs) unite(&out, b);
      return out;
    }
    case kNot: {  // holds where its operand does not (a file condition holds without positions)
      bool os = false;
      positions(s.right, w, &os);
      *satisfied = !os;
      return {};
    }
    case kWithin: {
      const int32_t n = node->n;
      bool as = false;
      std::vector<int32_t> anchors = positions(s.anchor, w, &as);
      std::vector<int32_t> out;
      for (int32_t a : anchors) {
        Window around{std::max({a - n, 1, w.low}), std::min(a + n, w.high)};
        bool bs = false;
        std::vector<int32_t> others = positions(s.other, around, &bs);
        if (!bs || others.empty()) continue;
        out.push_back(a);
        unite(&out, others);
      }
      std::sort(out.begin(), out.end());
      out.erase(std::unique(out.begin(), out.end()), out.end());
      *satisfied = !out.empty();
      return out;
    }
    case kNotWithin: {
      const int32_t n = node->n;
      bool ls = false;
      std::vector<int32_t> out;
      for (int32_t a : positions(s.left, w, &ls)) {
        bool rs = false;
        Window around{std::max({a - n, 1, w.low}), std::min(a + n, w.high)};
        if (positions(s.right, around, &rs).empty()) out.push_back(a);
      }
      *satisfied = !out.empty();
      return out;
    }
    case kContains: {
      const SearchNode* to = s.left;
      const NodeState& ts = state_[static_cast<size_t>(to->id)];
      std::vector<int32_t> out;
      int32_t from = w.low;
      while (from <= w.high) {
        bool ss = false, es = false;
        // A phrase gives its words from the first, which may lie before the window: the
        // stretch starts at or after `from` and ends at or after its start, so that every
        // stretch lies past the one before.
        std::vector<int32_t> starts = positions(ts.left, Window{from, w.high}, &ss);
        auto startAt = std::lower_bound(starts.begin(), starts.end(), from);
        if (startAt == starts.end()) break;
        int32_t start = *startAt;
        std::vector<int32_t> ends = positions(ts.right, Window{start, w.high}, &es);
        auto endAt = std::lower_bound(ends.begin(), ends.end(), start);
        if (endAt == ends.end()) break;
        int32_t end = *endAt;
        bool cs = false;
        unite(&out, positions(s.right, Window{std::max(start, w.low), std::min(end, w.high)}, &cs));
        *satisfied = *satisfied || cs;
        if (end >= w.high) break;
        from = end + 1;
      }
      return out;
    }
    case kXFilter:  // holds through its documents, gives no positions
      *satisfied = canMatchWithout(node, doc_);
      return {};
    default:
      return {};
  }
}

void IndexSearch::collectHits(const SearchNode* node, int32_t doc, std::vector<int32_t>* hits) const {
  if (!node || !test(node, doc)) return;
  const NodeState& s = state_[static_cast<size_t>(node->id)];
  if (node->kind == kWord || node->kind == kPhrase) {
    unite(hits, s.list);
    return;
  }
  if (node->kind == kNot || node->kind == kXFilter) return;
  const bool simpleOr = node->simple && node->kind == kOr;
  collectHits(simpleOr ? node->left : s.left, doc, hits);
  collectHits(simpleOr ? node->right : s.right, doc, hits);
}

double IndexSearch::scoreSum() const {
  double sum = 0;
  for (SearchNode* node : tree_.simpleNodes()) {
    if (!counted_[static_cast<size_t>(node->id)]) continue;
    const NodeState& s = state_[static_cast<size_t>(node->id)];
    sum += static_cast<double>(s.own.size()) * s.weight;
  }
  return sum;
}

int32_t IndexSearch::scoreOf(double sum, int32_t wordCount) {
  double length = std::sqrt(static_cast<double>(std::max<int32_t>(wordCount, 1)));
  return static_cast<int32_t>(std::min(100.0 * sum / length, 2.0e9));
}

bool IndexSearch::belowBar() const {
  // Before evaluation a node's positions may hold repeats: the sum only grows by them, and a
  // larger sum over a shorter length is still a bound from above. Equal scores keep the
  // earlier document, so a document at the bar is not kept either.
  int32_t largest = 0;
  for (SearchNode* node : tree_.simpleNodes())
    for (int32_t p : state_[static_cast<size_t>(node->id)].own) largest = std::max(largest, p);
  return scoreOf(scoreSum(), largest) <= settings_.scoreBar();
}

int32_t IndexSearch::plainHitCount() const {
  if (tree_.needsPositions() || root_->kind != kWord) return -1;
  // One word's positions as read, ascending in each entry: without repeats they are the hits.
  const std::vector<int32_t>& own = state_[static_cast<size_t>(root_->id)].own;
  if (std::adjacent_find(own.begin(), own.end(), std::greater_equal<int32_t>()) != own.end()) return -1;
  return static_cast<int32_t>(own.size());
}

int IndexSearch::retrieve(int32_t doc, std::vector<int32_t>* hits) {
  FoundDocument& found = foundDoc_;  // used again, so that its strings keep their memory
  if (found.doc.read(db_, doc, false) < 0) return noteDamage("a document record") ? 0 : -1;
  if (found.doc.cancelled) return 0;
  found.doc.hitCount = static_cast<int32_t>(hits->size());
  found.score = settings_.relevance ? scoreOf(scoreSum(), found.doc.wordCount) : found.doc.hitCount;
  found.doc.score = found.score;
  found.hits.swap(*hits);  // the two buffers change places and keep their memory
  ++found_;
  return settings_.found ? settings_.found(found) : 0;
}

int IndexSearch::countOnly(int32_t hits) {
  ++found_;
  return settings_.counted(hits);
}

int IndexSearch::search() {
  if (setUp() < 0) return -1;
  if (!root_) return 0;  // nothing but noise words: no documents
  auto later = [](const Entry* a, const Entry* b) { return a->doc < b->doc; };
  std::priority_queue<Entry*, std::vector<Entry*>, decltype(later)> heap(later);
  for (Entry* e : entries_)
    if (e->doc > 0) heap.push(e);
  std::vector<Entry*> here;
  bool stopped = false;
  while (!heap.empty()) {
    const int32_t d = heap.top()->doc;
    if (d < 0) {
      errorlog::append("s_index: Negative docId");
      return -1;
    }
    here.clear();
    while (!heap.empty() && heap.top()->doc == d) {
      here.push_back(heap.top());
      heap.pop();
    }
    if (static_cast<size_t>(d) < withoutRefs_.size()) withoutRefs_[static_cast<size_t>(d)] = false;
    for (Entry* e : here) state_[static_cast<size_t>(e->node)].doc = d;
    const bool pass = test(root_, d);
    for (Entry* e : here) {
      if (pass) {
        e->reader.readAllAscending(&state_[static_cast<size_t>(e->node)].own);
      } else {
        e->reader.skipAll();
      }
      e->doc = e->reader.nextId();
      if (e->doc > 0) heap.push(e);
    }
    int rc = 0;
    int32_t plain = -1;
    const bool below = pass && useBar_ && belowBar();
    if (below && (plain = plainHitCount()) >= 0) {
      rc = countOnly(plain);
    } else if (pass) {
      doc_ = d;
      load(d);
      std::vector<int32_t>& hits = hits_;
      hits.clear();
      bool satisfied = false;
      if (!tree_.needsPositions()) {
        collectHits(root_, d, &hits);
        satisfied = true;
      } else {
        hits = positions(root_, Window{1, kHighest}, &satisfied);
      }
      if (!hits.empty() || satisfied) rc = below ? countOnly(static_cast<int32_t>(hits.size())) : retrieve(d, &hits);
    }
    for (SearchNode* node : tree_.simpleNodes()) {
      NodeState& s = state_[static_cast<size_t>(node->id)];
      s.doc = 0;
      s.own.clear();
      s.list.clear();
    }
    if (rc < 0) {  // the caller stopped the search, or the index proved damaged
      stopped = true;
      break;
    }
  }
  if (!stopped)
    for (int32_t d = 1; d < static_cast<int32_t>(withoutRefs_.size()); ++d)
      if (withoutRefs_[static_cast<size_t>(d)]) {
        hits_.clear();
        // No positions: the score is 0.
        const int rc = useBar_ && settings_.scoreBar() >= 0 ? countOnly(0) : retrieve(d, &hits_);
        if (rc < 0) break;
      }
  for (Entry* e : entries_)
    if (e->reader.damaged()) noteDamage("a reference list");
  if (db_.keys().failed()) noteDamage("a dictionary page");
  return damaged_ ? -1 : 0;
}

bool IndexSearch::noteDamage(const char* what) {
  if (!damaged_) trace::line("IndexSearch: %s of the index could not be read -- the index is damaged", what);
  damaged_ = true;
  return false;
}
