// Xapian's side of the search benchmark: the Xapian query for one of the benchmark's request
// classes, and listing every document that matches it, as the anchor our evaluation is held
// against. Depends on Xapian and bench/QueryClasses.h only.
#pragma once

#include <xapian.h>

#include <string>
#include <vector>

#include "bench/QueryClasses.h"

namespace xapianqueries {

// Sets `*query` to Xapian's form of `q` and returns true; false for a class Xapian has no
// comparable operator for (fuzzy words; numeric ranges, since the anchor index keeps no
// values).
bool build(const queryclasses::QueryClass& q, Xapian::Query* query);

// Every document matching `query`, in document order, with no weights computed (all matches
// are wanted, not the best few). Throws Xapian::Error like the library.
std::vector<Xapian::docid> listAll(Xapian::Database& db, const Xapian::Query& query);

// The ten best documents for `query` by Xapian's default weighting (BM25), as a desktop
// search shows its first page: Xapian stops early with its weight bounds. Their number.
size_t topTen(Xapian::Database& db, const Xapian::Query& query);

}  // namespace xapianqueries
