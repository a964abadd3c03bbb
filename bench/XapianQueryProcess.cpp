// Whole-process anchor of the search benchmark: opens a Xapian database, runs one query of
// the benchmark's classes, prints the path of every matching document (the data
// XapianIndexAnchor stored) and exits; timed as a whole process against `lxr search`.
//
// Usage: XapianQueryProcess DATABASE CORPUS CLASS
//   CORPUS and CLASS pick the query from bench/QueryClasses.h ("kernel-docs" "common word").
// Exit status 0 with matches, 1 without, 2 for a bad call or a class Xapian cannot run.
#include <cstdio>
#include <string>

#include "bench/XapianQueries.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: XapianQueryProcess DATABASE CORPUS CLASS\n");
    return 2;
  }
  for (const queryclasses::QueryClass& q : queryclasses::forCorpus(argv[2])) {
    if (q.name != std::string(argv[3])) continue;
    Xapian::Query query;
    if (!xapianqueries::build(q, &query)) {
      std::fprintf(stderr, "XapianQueryProcess: %s is not supported by Xapian\n", argv[3]);
      return 2;
    }
    try {
      Xapian::Database db(argv[1]);
      std::vector<Xapian::docid> ids = xapianqueries::listAll(db, query);
      for (Xapian::docid id : ids) {
        std::string path = db.get_document(id).get_data();
        std::printf("%s\n", path.c_str());
      }
      return ids.empty() ? 1 : 0;
    } catch (const Xapian::Error& e) {
      std::fprintf(stderr, "XapianQueryProcess: %s\n", e.get_description().c_str());
      return 2;
    }
  }
  std::fprintf(stderr, "XapianQueryProcess: no class \"%s\"\n", argv[3]);
  return 2;
}
