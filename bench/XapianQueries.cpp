#include "bench/XapianQueries.h"

namespace xapianqueries {

using queryclasses::QueryClass;

bool build(const QueryClass& q, Xapian::Query* query) {
  const std::vector<std::string>& w = q.words;
  auto term = [&w](size_t i) { return Xapian::Query(i < w.size() ? w[i] : std::string()); };
  switch (q.kind) {
    case queryclasses::kTerm: *query = term(0); return true;
    case queryclasses::kAnd: *query = Xapian::Query(Xapian::Query::OP_AND, term(0), term(1)); return true;
    case queryclasses::kPhrase: {
      Xapian::Query parts[] = {term(0), term(1)};
      *query = Xapian::Query(Xapian::Query::OP_PHRASE, parts, parts + 2, 2);
      return true;
    }
    case queryclasses::kPrefix: *query = Xapian::Query(Xapian::Query::OP_WILDCARD, w.empty() ? "" : w[0]); return true;
    case queryclasses::kNear: {
      Xapian::Query parts[] = {term(0), term(1)};
      *query = Xapian::Query(Xapian::Query::OP_NEAR, parts, parts + 2, queryclasses::kNearDistance + 1);
      return true;
    }
    case queryclasses::kOr: {
      Xapian::Query parts[] = {term(0), term(1), term(2)};
      *query = Xapian::Query(Xapian::Query::OP_OR, parts, parts + 3);
      return true;
    }
    case queryclasses::kAndNot: *query = Xapian::Query(Xapian::Query::OP_AND_NOT, term(0), term(1)); return true;
    case queryclasses::kFuzzy:
    case queryclasses::kRange: return false;
  }
  return false;
}

std::vector<Xapian::docid> listAll(Xapian::Database& db, const Xapian::Query& query) {
  Xapian::Enquire enquire(db);
  enquire.set_query(query);
  enquire.set_weighting_scheme(Xapian::BoolWeight());
  enquire.set_docid_order(Xapian::Enquire::ASCENDING);
  // A limit of every document: the match set is complete, whatever the query.
  Xapian::MSet mset = enquire.get_mset(0, db.get_doccount());
  std::vector<Xapian::docid> ids;
  ids.reserve(mset.size());
  for (Xapian::MSetIterator i = mset.begin(); i != mset.end(); ++i) ids.push_back(*i);
  return ids;
}

size_t topTen(Xapian::Database& db, const Xapian::Query& query) {
  Xapian::Enquire enquire(db);
  enquire.set_query(query);
  return enquire.get_mset(0, 10).size();
}

}  // namespace xapianqueries
