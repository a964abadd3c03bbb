// The memory kind of the best-N filter: the caller's store ends holding the N best, and the
// results file gets them best first, as with the disk kind.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "search/BestNFilter.h"
#include "search/SearchResultsWriter.h"
#include "tests/support/TempDir.h"

namespace {

class MapStore : public ResultsItemStore {
 public:
  int32_t add(const ResultsItem& item) override {
    items_[next_] = item;
    return next_++;
  }
  void remove(int32_t place) override { items_.erase(place); }
  const ResultsItem* at(int32_t place) const override {
    auto it = items_.find(place);
    return it == items_.end() ? nullptr : &it->second;
  }
  std::set<std::string> names() const {
    std::set<std::string> out;
    for (const auto& [place, item] : items_) out.insert(item.doc.shortName);
    return out;
  }

 private:
  std::map<int32_t, ResultsItem> items_;
  int32_t next_ = 0;
};

}  // namespace

TEST(BestNFilterTest, MemoryKindKeepsTheBestInTheCallersStore) {
  testsupport::TempDir dir;
  MapStore store;
  ResultsJob job;
  job.workFolder = dir.path();
  job.sortType = 1;
  job.bestN = 3;
  job.itemStore = &store;
  {
    SearchResultsWriter w(job);
    for (const auto& [name, score] : std::vector<std::pair<std::string, int32_t>>{
             {"c", 5}, {"a", 9}, {"d", 5}, {"b", 7}, {"e", 5}}) {
      ResultsItem i;
      i.doc.fileName = "/docs/" + name;
      i.doc.shortName = name;
      i.doc.score = score;
      i.hits = {1, 4};
      ASSERT_EQ(0, w.add(i));
    }
    ASSERT_EQ(0, w.finish());
    EXPECT_EQ(5, w.documents());
  }
  // 9, 7 and the first 5 stay in the store; nothing waited on disk.
  EXPECT_EQ((std::set<std::string>{"a", "b", "c"}), store.names());
  EXPECT_FALSE(testsupport::exists(dir.file("RFLT.DAT")));
  ResultsFile f;
  ASSERT_EQ(0, f.open(job.resultsName));
  std::vector<std::string> order;
  ResultsItem i;
  for (int32_t n = 0; n < f.count() && f.read(n, &i) == 0; ++n)
    order.push_back(i.doc.shortName + ":" + std::to_string(i.doc.score) + ":" + std::to_string(i.hits.size()));
  EXPECT_EQ((std::vector<std::string>{"a:9:2", "b:7:2", "c:5:2"}), order);
}
