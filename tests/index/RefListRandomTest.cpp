// Reference lists written as successive merges write them (each merge appends one chunk
// per word, with higher ids than before, pointing back at the word's previous chunk) and
// read back through every way of reading: entry by entry, readAll, skipAll and the tally.
// Group and cite widths 1..31 all occur.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "index/BitStream.h"
#include "tests/index/RefFixture.h"

namespace {

using bitstream::bitsOf;
using Group = std::vector<RefEntry>;
using Chunk = std::vector<Group>;

constexpr int kWordCount = 70;
constexpr int kMergeCount = 5;

class RefListRandomTest : public RefFixture {
 protected:
  void SetUp() override {
    RefFixture::SetUp();
    seed_ = std::random_device{}();
    rng_.seed(seed_);
  }
  uint32_t below(uint32_t n) { return rng_() % n; }
  // A value with exactly `bits` significant bits.
  int32_t withBits(int bits) {
    const uint32_t low = 1u << (bits - 1);
    return static_cast<int32_t>(low + below(low));
  }

  // Distinct positions, largest first, the largest with exactly `bits` bits.
  std::vector<int32_t> positions(int bits) {
    const uint32_t roll = below(20);
    int64_t n = roll == 0 ? 0 : roll == 1 ? 520 : 1 + below(5);
    std::set<int32_t> s{withBits(bits)};
    n = std::min<int64_t>(n, *s.begin());
    if (n == 0) return {};
    while (static_cast<int64_t>(s.size()) < n) s.insert(1 + static_cast<int32_t>(below(*s.rbegin())));
    return std::vector<int32_t>(s.rbegin(), s.rend());
  }

  // The chunks of one word, oldest first, whose largest id has `bits` bits.
  std::vector<Chunk> makeWord(int bits) {
    const int64_t room = (int64_t{1} << bits) - 1;
    std::set<int32_t> ids{withBits(bits)};
    const int64_t want = std::min<int64_t>(room, 1 + below(12));
    while (static_cast<int64_t>(ids.size()) < want) ids.insert(withBits(1 + static_cast<int>(below(bits))));
    std::vector<int32_t> asc(ids.begin(), ids.end());
    const size_t chunkCount = 1 + below(std::min<uint32_t>(kMergeCount, static_cast<uint32_t>(asc.size())));
    std::vector<Chunk> chunks;
    size_t next = 0;
    for (size_t k = 0; k < chunkCount; ++k) {
      const size_t left = asc.size() - next, chunksLeft = chunkCount - k;
      const size_t take = k + 1 == chunkCount ? left : 1 + below(static_cast<uint32_t>(left - chunksLeft + 1));
      Chunk chunk(1);
      for (size_t i = next + take; i-- > next;) {
        // A new group now and then; one document split over two entries now and then.
        if (!chunk.back().empty() && below(4) == 0) {
          chunk.emplace_back();
          if (below(2) == 0) chunk.back().emplace_back(chunk[chunk.size() - 2].back().first, nextCites());
        }
        chunk.back().emplace_back(asc[i], nextCites());
      }
      next += take;
      chunks.push_back(std::move(chunk));
    }
    return chunks;
  }
  std::vector<int32_t> nextCites() { return positions(1 + citeTurn_++ % 31); }

  uint32_t seed_ = 0;
  std::mt19937 rng_;
  int citeTurn_ = 0;
};

TEST_F(RefListRandomTest, MergedChainsReadBackEveryWay) {
  SCOPED_TRACE("seed " + std::to_string(seed_));
  std::vector<std::vector<Chunk>> words;
  std::vector<std::vector<int>> mergesOf;  // the merge that writes each chunk
  for (int k = 0; k < kWordCount; ++k) {
    words.push_back(makeWord(1 + k % 31));
    std::vector<int> all(kMergeCount);
    for (int m = 0; m < kMergeCount; ++m) all[m] = m;
    std::shuffle(all.begin(), all.end(), rng_);
    all.resize(words.back().size());
    std::sort(all.begin(), all.end());
    mergesOf.push_back(all);
  }

  std::vector<int32_t> head(kWordCount, 0);
  write([&](RefWriter& w, IOFile& out) {
    const std::string title = "Lexaurum Index File (R)\r\n";
    ASSERT_EQ(static_cast<int32_t>(title.size()), out.write(title.data(), static_cast<int32_t>(title.size())));
    for (int m = 0; m < kMergeCount; ++m) {
      for (int k = 0; k < kWordCount; ++k) {
        auto at = std::find(mergesOf[k].begin(), mergesOf[k].end(), m);
        if (at == mergesOf[k].end()) continue;
        const Chunk& chunk = words[k][static_cast<size_t>(at - mergesOf[k].begin())];
        const int32_t start = out.tell();
        ASSERT_EQ(0, w.position(start));
        for (size_t g = 0; g < chunk.size(); ++g) {
          if (g > 0) {
            ASSERT_EQ(0, w.endGroup());
          }
          for (const RefEntry& e : chunk[g]) ASSERT_EQ(0, putEntry(w, e.first, e.second));
        }
        ASSERT_EQ(0, w.endChunk(head[k]));
        ASSERT_EQ(0, out.writeByte('*'));
        head[k] = start;
      }
    }
  });

  std::set<int> groupWidths, citeWidths;
  InputFile in;
  ASSERT_EQ(0, in.open(path().c_str()));
  RefReader r(in);
  CiteTable t;
  for (int k = 0; k < kWordCount; ++k) {
    SCOPED_TRACE("word " + std::to_string(k));
    // What each way of reading must deliver, and the inspector's sizes.
    std::vector<RefEntry> entries, gathered;
    RefTally want;
    for (auto c = words[k].rbegin(); c != words[k].rend(); ++c) {
      for (const Group& g : *c) {
        groupWidths.insert(bitsOf(static_cast<uint32_t>(g.front().first)));
        for (const RefEntry& e : g) {
          entries.push_back(e);
          const int32_t n = static_cast<int32_t>(e.second.size());
          const int32_t largest = n ? e.second.front() : 0;
          citeWidths.insert(std::max(bitsOf(static_cast<uint32_t>(std::max(largest, n))), 1));
          ++want.entryCount;
          want.idBits += bitsOf(static_cast<uint32_t>(g.front().first));
          want.citeBits += static_cast<int64_t>(n) * std::max(bitsOf(static_cast<uint32_t>(largest)), 1);
          ++want.byCiteCount[std::min(n, 25)];
          if (!gathered.empty() && gathered.back().first == e.first)
            gathered.back().second.insert(gathered.back().second.end(), e.second.begin(), e.second.end());
          else
            gathered.push_back(e);
        }
      }
    }

    std::vector<RefEntry> got;
    ASSERT_EQ(0, r.position(head[k]));
    while (int32_t id = r.nextId()) {
      t.clear();
      const int32_t n = r.getCites(t);
      ASSERT_EQ(n, t.count());
      got.emplace_back(id, std::vector<int32_t>(t.begin(), t.end()));
    }
    EXPECT_EQ(entries, got);

    got.clear();
    ASSERT_EQ(0, r.position(head[k]));
    while (int32_t id = r.nextId()) {
      t.clear();
      const int32_t n = r.readAll(t);
      ASSERT_EQ(n, t.count());
      ASSERT_EQ(0, t.verify());
      got.emplace_back(id, std::vector<int32_t>(t.begin(), t.end()));
    }
    EXPECT_EQ(gathered, got);

    std::vector<int32_t> ids;
    ASSERT_EQ(0, r.position(head[k]));
    while (int32_t id = r.nextId()) {
      ids.push_back(id);
      ASSERT_EQ(0, r.skipAll());
    }
    ASSERT_EQ(gathered.size(), ids.size());
    for (size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(gathered[i].first, ids[i]);

    RefTally tally;
    ASSERT_EQ(0, r.tally(head[k], tally));
    EXPECT_EQ(want.entryCount, tally.entryCount);
    EXPECT_EQ(want.idBits, tally.idBits);
    EXPECT_EQ(want.citeBits, tally.citeBits);
    EXPECT_TRUE(std::equal(std::begin(want.byCiteCount), std::end(want.byCiteCount), tally.byCiteCount));
    EXPECT_FALSE(r.damaged());
  }
  EXPECT_EQ(0, in.close());
  EXPECT_EQ(31u, groupWidths.size());
  EXPECT_EQ(31u, citeWidths.size());
}

}  // namespace
