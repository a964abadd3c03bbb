// Reference lists at the bit level: the documented example byte for byte, the smallest
// widths, refused ids, group and chunk boundaries, and damaged files that must end the
// reader (bad back pointers, chunks running into newer ones, huge counts, truncation).
#include <gtest/gtest.h>

#include <random>

#include "tests/index/RefFixture.h"

namespace {

using Entries = std::vector<RefEntry>;

class RefListTest : public RefFixture {
 protected:
  std::string bytes() { return testsupport::readFile(path()); }
};

// "0101..." to bytes, most significant bit first, the last byte padded with zeros.
std::string fromBits(const std::string& bits) {
  std::string out((bits.size() + 7) / 8, '\0');
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') out[i / 8] = static_cast<char>(out[i / 8] | (0x80 >> (i % 8)));
  return out;
}

TEST_F(RefListTest, WorkedExampleIsSevenBytesAndReadsBack) {
  write([](RefWriter& w, IOFile&) {
    ASSERT_EQ(0, w.position(0));
    ASSERT_EQ(0, putEntry(w, 9, {7, 2}));
    ASSERT_EQ(0, putEntry(w, 3, {5}));
    ASSERT_EQ(0, w.endChunk(0));
  });
  EXPECT_EQ(std::string("\x24\x8D\x74\x63\x34\x00\x00", 7), bytes());
  EXPECT_EQ((Entries{{9, {7, 2}}, {3, {5}}}), readEntries(0));
}

TEST_F(RefListTest, SmallestListUsesWidthOne) {
  // w=1: 00001 1, c=1: 00001, n=1: 1, cite 1, terminator 0, align; end mark, flag 0, align.
  write([](RefWriter& w, IOFile&) {
    ASSERT_EQ(0, w.position(0));
    ASSERT_EQ(0, putEntry(w, 1, {1}));
    ASSERT_EQ(0, w.endChunk(0));
  });
  EXPECT_EQ(std::string("\x0C\x38\x00", 3), bytes());
  EXPECT_EQ((Entries{{1, {1}}}), readEntries(0));
}

TEST_F(RefListTest, RefusedIdLeavesTheListAsItWas) {
  std::string clean;
  write([](RefWriter& w, IOFile&) {
    ASSERT_EQ(0, w.position(0));
    ASSERT_EQ(0, putEntry(w, 5, {4}));
    ASSERT_EQ(0, w.endChunk(0));
  });
  clean = bytes();
  write([](RefWriter& w, IOFile&) {
    ASSERT_EQ(0, w.position(0));
    ASSERT_EQ(0, putEntry(w, 5, {4}));
    EXPECT_EQ(-1, putEntry(w, 5, {3}));  // equal: refused, and so are its positions
    EXPECT_EQ(-1, putEntry(w, 6, {3}));  // larger
    EXPECT_EQ(-1, putEntry(w, 0, {3}));  // 0 would end the group
    ASSERT_EQ(0, w.endChunk(0));
  });
  EXPECT_TRUE(traced("ERROR RefWriter::putId -- 5 >= 5"));
  EXPECT_TRUE(traced("ERROR RefWriter::putId -- 6 >= 5"));
  EXPECT_EQ(clean, bytes());
}

TEST_F(RefListTest, GroupsTakeTheirOwnWidthAndIdsRepeatAcrossThem) {
  // After endGroup the next id opens a new group with a width of its own; an id may then
  // repeat (one document split over two entries) and readAll gathers both.
  write([](RefWriter& w, IOFile&) {
    ASSERT_EQ(0, w.position(0));
    ASSERT_EQ(0, putEntry(w, 300, {90, 80}));
    ASSERT_EQ(0, putEntry(w, 7, {2}));
    ASSERT_EQ(0, w.endGroup());
    ASSERT_EQ(0, putEntry(w, 7, {1}));
    ASSERT_EQ(0, putEntry(w, 2, {}));
    ASSERT_EQ(0, w.endChunk(0));
  });
  EXPECT_EQ((Entries{{300, {90, 80}}, {7, {2}}, {7, {1}}, {2, {}}}), readEntries(0));

  InputFile in;
  ASSERT_EQ(0, in.open(path().c_str()));
  RefReader r(in);
  ASSERT_EQ(0, r.position(0));
  CiteTable t;
  EXPECT_EQ(300, r.nextId());
  EXPECT_EQ(0, r.skipAll());
  EXPECT_EQ(7, r.nextId());
  EXPECT_EQ(2, r.readAll(t));
  EXPECT_EQ((std::vector<int32_t>{2, 1}), std::vector<int32_t>(t.begin(), t.end()));
  EXPECT_EQ(2, r.nextId());  // held back by readAll
  EXPECT_EQ(0, r.readAll(t));
  EXPECT_EQ(0, r.nextId());
  EXPECT_EQ(0, r.nextId());
  EXPECT_FALSE(r.damaged());
  EXPECT_EQ(0, in.close());
}

TEST_F(RefListTest, PositionsOutOfOrderAreKeptWhole) {
  // The cite width covers the largest value, not only the first, so nothing is cut.
  write([](RefWriter& w, IOFile&) {
    ASSERT_EQ(0, w.position(0));
    ASSERT_EQ(0, putEntry(w, 4, {3, 1000, 1000}));
    EXPECT_EQ(-1, w.putCites(CiteTable()));  // no id waits
    ASSERT_EQ(0, w.endChunk(0));
  });
  EXPECT_EQ((Entries{{4, {3, 1000, 1000}}}), readEntries(0));
}

// Two chunks of one word as two merges write them: the older one first (at 3, 4 bytes),
// each followed by the "*" byte, the newer (at kNewer) pointing back.
constexpr int32_t kNewer = 8;
void writeTwoChunks(RefWriter& w, IOFile& out, bool emptyNewer) {
  ASSERT_EQ(3, out.write("hdr", 3));
  ASSERT_EQ(0, w.position(3));
  ASSERT_EQ(0, RefFixture::putEntry(w, 2, {6}));
  ASSERT_EQ(0, w.endChunk(0));
  ASSERT_EQ(0, out.writeByte('*'));
  const int32_t newer = out.tell();
  ASSERT_EQ(kNewer, newer);
  ASSERT_EQ(0, w.position(newer));
  if (!emptyNewer) {
    ASSERT_EQ(0, RefFixture::putEntry(w, 40, {9, 8}));
  }
  EXPECT_EQ(-1, w.endChunk(newer));  // a pointer must go backwards
  ASSERT_EQ(0, w.endChunk(3));
  ASSERT_EQ(0, out.writeByte('*'));
}

TEST_F(RefListTest, ChainOfChunksReadsAsOneSequence) {
  write([](RefWriter& w, IOFile& out) { writeTwoChunks(w, out, false); });
  EXPECT_EQ((Entries{{40, {9, 8}}, {2, {6}}}), readEntries(kNewer));
  // A chunk without documents still leads to the older one.
  write([](RefWriter& w, IOFile& out) { writeTwoChunks(w, out, true); });
  EXPECT_EQ((Entries{{2, {6}}}), readEntries(kNewer));
}

TEST_F(RefListTest, BackPointerThatDoesNotGoBackwardsIsDamage) {
  write([](RefWriter& w, IOFile& out) { writeTwoChunks(w, out, false); });
  std::string good = bytes();
  const size_t pointerAt = good.size() - 5;  // newer chunk: ... pointer (4 bytes) '*'
  for (int32_t target : {kNewer, kNewer + 1, 1000, -4}) {
    std::string bad = good;
    for (int k = 0; k < 4; ++k) bad[pointerAt + k] = static_cast<char>(target >> (8 * k));
    testsupport::writeFile(path(), bad);
    bool damaged = false;
    EXPECT_EQ((Entries{{40, {9, 8}}}), readEntries(kNewer, &damaged)) << target;
    EXPECT_TRUE(damaged) << target;
  }
}

TEST_F(RefListTest, ChainedChunkRunningIntoTheNewerOneIsDamage) {
  // The older chunk at 0 is one group of ids 1 without positions and without a terminator
  // before the newer chunk at 8: reading it must stop at byte 8, not decode the newer chunk
  // again as part of the older one.
  std::string olderBits = "00001";
  while (olderBits.size() < 64) olderBits += "1000010";  // id 1, c = 1, n = 0
  std::string file = fromBits(olderBits.substr(0, 64));
  file += std::string("\x24\x8D\x74\x63\x34\x00\x04", 7) + std::string(4, '\0');  // flag 1, back to 0
  testsupport::writeFile(path(), file);
  bool damaged = false;
  Entries got = readEntries(8, &damaged);
  EXPECT_TRUE(damaged);
  ASSERT_EQ(10u, got.size());  // 9 and 3, then the 8 whole entries before byte 8
  EXPECT_EQ((RefEntry{9, {7, 2}}), got[0]);
  EXPECT_EQ((RefEntry{1, {}}), got[9]);
}

TEST_F(RefListTest, CiteCountLargerThanTheDataIsRefused) {
  // w=1, id 1, c=31, n=2^31-1, and a few bytes: the count must not be believed.
  testsupport::writeFile(path(), fromBits("00001" "1" "11111" + std::string(31, '1')) + std::string(3, '\0'));
  InputFile in;
  ASSERT_EQ(0, in.open(path().c_str()));
  RefReader r(in);
  CiteTable t;
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(0, r.position(0));
    ASSERT_EQ(1, r.nextId());
    const int rc = round == 0 ? r.getCites(t) : round == 1 ? r.skipCites() : r.readAll(t);
    EXPECT_EQ(-1, rc);
    EXPECT_TRUE(r.damaged());
    EXPECT_EQ(0, r.nextId());
  }
  EXPECT_EQ(0, t.count());
  EXPECT_EQ(0, in.close());
}

TEST_F(RefListTest, TruncatedListEndsAtEveryLength) {
  write([](RefWriter& w, IOFile& out) { writeTwoChunks(w, out, false); });
  const std::string good = bytes();
  for (size_t n = 8; n < good.size(); ++n) {
    testsupport::writeFile(path(), good.substr(0, n));
    // Cut ids and pointers read as zeros: the list ends, or follows a pointer to 0 and
    // stops at the chunk it came from.
    ASSERT_LE(readEntries(kNewer).size(), 8u) << n;
  }
}

TEST_F(RefListTest, RandomBytesAlwaysEnd) {
  std::mt19937 rng(std::random_device{}());
  const uint32_t seed = rng();
  SCOPED_TRACE("seed " + std::to_string(seed));
  rng.seed(seed);
  CiteTable t;
  for (int round = 0; round < 300; ++round) {
    std::string data(1 + rng() % 200, '\0');
    for (char& c : data) c = static_cast<char>(rng());
    testsupport::writeFile(path(), data);
    InputFile in;
    ASSERT_EQ(0, in.open(path().c_str()));
    RefReader r(in);
    ASSERT_EQ(0, r.position(static_cast<int32_t>(rng() % data.size())));
    int64_t steps = 0;
    while (int32_t id = r.nextId()) {
      ASSERT_LT(++steps, 8 * 200) << "too many ids from " << data.size() << " bytes";
      t.clear();
      if (id % 3 == 0) r.readAll(t);
      else if (id % 3 == 1) r.skipAll();
      ASSERT_LE(t.count(), 8 * 200);
    }
    ASSERT_EQ(0, in.close());
  }
}

TEST_F(RefListTest, CiteTableChecksAndDumps) {
  CiteTable t;
  for (int32_t v = 600; v >= 1; --v) ASSERT_EQ(0, t.add(v));  // over two blocks
  EXPECT_EQ(0, t.verify());
  EXPECT_EQ(1, *t.rbegin());
  EXPECT_EQ(600, t.first());
  EXPECT_EQ(0, t.dump().rfind("CiteTable count=600\n600 599 598", 0));
  t.clear();
  t.add(3);
  t.add(0);
  EXPECT_EQ(-1, t.verify());
  EXPECT_TRUE(traced("Cites out of order: 0"));
  EXPECT_EQ("CiteTable count=2\n3 0\n", t.dump());
}

}  // namespace
