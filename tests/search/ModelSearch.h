// The comparison both search model tests make: random requests searched in an open index and
// evaluated by the model over the documents' words; the documents and hits must agree.
#pragma once

#include <functional>
#include <map>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "index/TextDB.h"
#include "objects/TextFields.h"
#include "search/IndexSearch.h"
#include "search/SearchTree.h"
#include "tests/search/SearchModel.h"

namespace searchtest {

// `count` requests of `depth` parsed with `settings` (whose alphabet is the index's) and
// searched in `db`; `tally` sees each expected result.
inline void compareRandomRequests(TextDB& db, const std::map<std::string, searchmodel::ModelDoc>& texts,
                                  std::mt19937& rng, int count, const RequestSettings& settings,
                                  const std::function<void(const searchmodel::Found&)>& tally) {
  for (int i = 0; i < count; ++i) {
    searchmodel::Request r = searchmodel::randomRequest(rng, 2);
    SearchTree tree;
    ASSERT_EQ(0, tree.parse(r.text, "", settings)) << r.text << "\n" << tree.echo();
    searchmodel::Found engine;
    IndexSearchSettings s;
    s.lookup.indexName = "model";
    s.lookup.alphabet = &db.alphabet();
    s.found = [&](FoundDocument& d) {
      engine[textfields::baseName(d.doc.fileName)] = d.hits;
      return 0;
    };
    IndexSearch search(tree, db, s);
    ASSERT_EQ(0, search.search()) << r.text;
    searchmodel::Found expected = searchmodel::evaluate(r, texts);
    ASSERT_EQ(expected, engine) << r.text;
    tally(expected);
  }
}

}  // namespace searchtest
