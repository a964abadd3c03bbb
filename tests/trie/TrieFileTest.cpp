// Tests of TrieFile: the new file byte for byte, key order and findLTE, replacing values,
// long keys, the leaf split point, page splits surviving a reopen, the statistics table,
// failed writes at close, and damaged files (truncated, flipped bytes, hand-made faults).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "io/FileMode.h"
#include "tests/trie/TrieFixture.h"
#include "trie/TrieFile.h"
#include "trie/TrieLeafNode.h"

namespace {

using namespace filemode;

void put16(std::string& s, size_t at, unsigned v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
// A key entry at data-area offset `pos` of the leaf page starting at `page`.
void putEntry(std::string& s, size_t page, unsigned pos, const std::string& key, int32_t value) {
  size_t e = page + 23 + pos;
  put16(s, e, static_cast<unsigned>(key.size()));
  put32(s, e + 2, static_cast<uint32_t>(value));
  s.replace(e + 14, key.size(), key);
}

// The file a create followed by a close must leave, assembled from the format's tables.
std::string expectedNewFile() {
  std::string f(16384, '\0');
  f.replace(0, 8, std::string("\xFFQMX KF\0", 8));
  put16(f, 8, 4);         // version
  put32(f, 14, 1);        // interior pages
  put32(f, 18, 2);        // leaves
  put16(f, 24, 511);      // maximum key length
  put32(f, 26, 0x1001);   // root
  put32(f, 30, 4);        // page counter
  put32(f, 34, 0x1002);   // first leaf
  // Root page: one node testing bit 0, prefix 0xFF, leaves on both sides.
  size_t r = 4096;
  put32(f, r + 1, 0x1001);
  put16(f, r + 5, 14);
  put32(f, r + 7, 0x1002);
  put32(f, r + 11, 0x1003);
  put16(f, r + 15, 0);
  put16(f, r + 17, 1);
  f[r + 19] = '\xFF';
  // First leaf: key 0x01 (value 1) below the limit 0xFF.
  size_t a = 8192;
  f[a] = 'L';
  put32(f, a + 1, 0x1002);
  put16(f, a + 7, 1);
  put16(f, a + 9, 4043);
  put16(f, a + 11, 4041);
  put16(f, a + 13, 4058);
  put32(f, a + 15, 0x1003);
  put16(f, a + 23, 4043);
  putEntry(f, a, 4058, "\xFF", 0);
  putEntry(f, a, 4043, "\x01", 1);
  // Last leaf: key 0xFF (value -1) below a limit of 32 bytes 0xFF.
  size_t b = 12288;
  f[b] = 'L';
  put32(f, b + 1, 0x1003);
  put16(f, b + 7, 1);
  put16(f, b + 9, 4012);
  put16(f, b + 11, 4010);
  put16(f, b + 13, 4027);
  put32(f, b + 19, 0x1002);
  put16(f, b + 23, 4012);
  putEntry(f, b, 4027, std::string(32, '\xFF'), 0);
  putEntry(f, b, 4012, "\xFF", -1);
  return f;
}

class TrieFileTest : public TrieFixture {
 protected:
  std::string file_ = path("keys.kf");

  // A file of `count` keys "w00000".. with values 0.. (several leaves and a few splits).
  void makeFile(int count) {
    TrieFile t;
    ASSERT_EQ(0, t.create(file_.c_str(), 0));
    char key[16];
    for (int i = 0; i < count; ++i) {
      std::snprintf(key, sizeof key, "w%05d", i * 7 % count);
      TrieValue v;
      v.v[0] = i * 7 % count;
      ASSERT_LE(0, t.insert(key, v, nullptr));
    }
    ASSERT_EQ(0, t.close());
  }
  // Opens the (perhaps damaged) file and uses it every way a reader can; must never crash.
  void exercise() {
    TrieFile t;
    if (t.open(file_.c_str(), kRead) < 0) return;
    std::string out;
    t.verify(&out);
    t.find("w00010");
    t.findLTE("w00500x");
    t.find("\xFF\xFF\xFF");
    char buf[64];
    if (t.lookup("w", 1, nullptr) >= 0)
      for (int i = 0; i < 5000 && t.next() == 0; ++i) t.getKey(buf, sizeof buf);
    if (t.first() == 0)
      for (int i = 0; i < 5000 && t.next() == 0; ++i) t.getValue();
    if (t.lookup("w00900", 6, nullptr) >= 0)
      for (int i = 0; i < 5000 && t.prev() == 0; ++i) t.getKey(buf, sizeof buf);
    t.dump(&out);
    t.statistics(&out);
    EXPECT_EQ(0, t.close());
  }
};

TEST_F(TrieFileTest, NewFileMatchesTheFormatByteForByte) {
  TrieFile t;
  ASSERT_EQ(0, t.create(file_.c_str(), 0));
  EXPECT_EQ(-1, t.first()) << "no real keys yet";
  ASSERT_EQ(0, t.close());
  std::string got = testsupport::readFile(file_);
  ASSERT_EQ(16384u, got.size());
  std::string want = expectedNewFile();
  for (size_t i = 0; i < want.size(); ++i) ASSERT_EQ(want[i], got[i]) << "byte " << i;

  ASSERT_EQ(0, t.open(file_.c_str(), kRead));
  EXPECT_EQ(0, t.keyCount());
  EXPECT_EQ(1, t.find("\x01"));
  EXPECT_EQ(-1, t.find("\xFF"));  // the high sentinel's value is -1
  EXPECT_EQ(0, t.verify());
  ASSERT_EQ(0, t.close());
}

TEST_F(TrieFileTest, ShorterKeySortsFirstAndFindLTEStandsOnTheLesserKey) {
  TrieFile t;
  ASSERT_EQ(0, t.create(file_.c_str(), 0));
  TrieValue v;
  v.v[0] = 20;
  ASSERT_EQ(0, t.insert("abc", v, nullptr));
  v.v[0] = 10;
  ASSERT_EQ(0, t.insert("ab", v, nullptr));
  EXPECT_EQ(-1, t.findLTE("abb"));
  char key[8];
  ASSERT_EQ(2, t.getKey(key, sizeof key));
  EXPECT_STREQ("ab", key);
  ASSERT_EQ(0, t.next());
  ASSERT_EQ(3, t.getKey(key, sizeof key));
  EXPECT_STREQ("abc", key);
  EXPECT_EQ(20, t.getValue());
  // getKey cuts to the buffer and still terminates.
  ASSERT_EQ(0, t.next());
  ASSERT_EQ(1, t.getKey(key, 2));
  EXPECT_EQ('\xFF', key[0]);
  EXPECT_EQ(-1, t.next()) << "nothing past the high sentinel";
  EXPECT_EQ(10, t.findLTE("ab"));
  ASSERT_EQ(0, t.close());
}

TEST_F(TrieFileTest, ExistingKeyReturnsOldValueAndKeepsTheCount) {
  TrieFile t;
  ASSERT_EQ(0, t.create(file_.c_str(), 0));
  TrieValue v, old;
  v = TrieValue{{7, 8, 9}};
  ASSERT_EQ(0, t.insert("word", v, &old));
  EXPECT_EQ(TrieValue{}, old);
  v = TrieValue{{1, 2, 3}};
  ASSERT_EQ(1, t.insert("word", v, &old));
  EXPECT_EQ((TrieValue{{7, 8, 9}}), old);
  EXPECT_EQ(1, t.keyCount());
  // setValue(first) keeps the other two integers.
  ASSERT_EQ(1, t.find("word"));
  ASSERT_EQ(0, t.setValue(5));
  TrieValue now;
  ASSERT_EQ(0, t.getValue(&now));
  EXPECT_EQ((TrieValue{{5, 2, 3}}), now);
  ASSERT_EQ(0, t.close());
}

TEST_F(TrieFileTest, A600ByteKeyIsStoredAsItsFirst511Bytes) {
  TrieFile t;
  ASSERT_EQ(0, t.create(file_.c_str(), 0));
  std::string key(600, 'q');
  TrieValue v;
  v.v[0] = 42;
  ASSERT_EQ(0, t.insert(key.data(), 600, v, nullptr));
  ASSERT_EQ(0, t.close());
  ASSERT_EQ(0, t.open(file_.c_str(), kRead));
  EXPECT_EQ(42, t.find(key.substr(0, 511).c_str()));
  char buf[700];
  EXPECT_EQ(511, t.getKey(buf, sizeof buf));
  // The cut key takes the same entry, so a longer lookup finds it too.
  EXPECT_EQ(42, t.find(key.c_str()));
  EXPECT_EQ(-1, t.find(key.substr(0, 510).c_str()));
  ASSERT_EQ(0, t.close());
}

TEST_F(TrieFileTest, EqualEntriesSplitAtTheFirstKeyPastHalfTheDataArea) {
  char page[4096], fresh[4096];
  TrieLeafNode::init(page, 0x1005);
  TrieLeafNode leaf(page);
  ASSERT_EQ(0, leaf.setLimit("z", 1));
  char key[8];
  int count = 0;
  for (;; ++count) {
    std::snprintf(key, sizeof key, "a%04d", count);
    if (leaf.insertAt(count, key, 5, TrieValue{}) < 0) break;
  }
  ASSERT_EQ((4073 - 15) / 21, count);  // 21 bytes per key with its slot
  leaf.setNext(0x1009);
  ASSERT_EQ(0, leaf.split(fresh, 0x1006, 50));
  TrieLeafNode right(fresh);
  EXPECT_EQ(2036 / 21, leaf.keyCount());  // 96 keys take 2016 bytes; the 97th passes 2036
  EXPECT_EQ(count - 2036 / 21, right.keyCount());
  KeyRef limit, first;
  ASSERT_EQ(0, leaf.getLimit(&limit));
  ASSERT_EQ(0, right.getKeyInfo(0, &first, nullptr));
  EXPECT_EQ(std::string("a0096"), std::string(limit.bytes, 5));
  EXPECT_EQ(std::string("a0096"), std::string(first.bytes, 5));
  ASSERT_EQ(0, right.getLimit(&limit));
  EXPECT_EQ(std::string("z"), std::string(limit.bytes, 1));
  EXPECT_EQ(0x1006, leaf.next());
  EXPECT_EQ(0x1009, right.next());
  EXPECT_EQ(0x1005, right.prev());
}

TEST_F(TrieFileTest, PageSplitsSurviveReopenAndStatisticsCountThePages) {
  makeFile(60000);
  TrieFile t;
  ASSERT_EQ(0, t.open(file_.c_str(), kRead));
  EXPECT_EQ(60000, t.keyCount());
  EXPECT_GT(t.interiorCount(), 1) << "the root page should have split";
  EXPECT_EQ(0, t.verify());
  EXPECT_EQ(12345, t.find("w12345"));
  EXPECT_EQ(-1, t.find("w60000"));
  std::string stats;
  ASSERT_EQ(0, t.statistics(&stats));
  EXPECT_NE(std::string::npos, stats.find("Percent used    Leaves     Interior nodes"));
  EXPECT_NE(std::string::npos, stats.find("Keys: 60000"));
  EXPECT_NE(std::string::npos, stats.find("Leaves: " + std::to_string(t.leafCount())));
  ASSERT_EQ(0, t.close());
  EXPECT_EQ(static_cast<size_t>(t.pageCounter()) * 4096, testsupport::readFile(file_).size());
}

TEST_F(TrieFileTest, ReadOnlyOpenRefusesInsertsAndForeignFilesFailQuietly) {
  makeFile(10);
  TrieFile t;
  ASSERT_EQ(0, t.open(file_.c_str(), kRead));
  EXPECT_EQ(-1, t.insert("x", TrieValue{}, nullptr));
  EXPECT_EQ(0, t.close());
  std::string other = path("other.kf");
  testsupport::writeFile(other, std::string(8192, 'x'));
  lines_.clear();
  EXPECT_EQ(-1, t.open(other.c_str(), kRead));
  EXPECT_TRUE(lines_.empty()) << "a foreign file is the caller's to report";
  std::string version = testsupport::readFile(file_);
  version[8] = 5;
  testsupport::writeFile(other, version);
  EXPECT_EQ(-1, t.open(other.c_str(), kRead));
  EXPECT_EQ(-1, t.open(path("missing.kf").c_str(), kRead));
}

TEST_F(TrieFileTest, AFailedWriteAtCloseIsReportedAndTheFileStillCloses) {
  TrieFile t;
  ASSERT_EQ(0, t.create(file_.c_str(), 0));
  ASSERT_EQ(0, t.insert("abc", TrieValue{}, nullptr));
  platform::FaultPlan plan;
  plan.failWriteAt = 1;
  platform::setFaultPlan(plan);
  EXPECT_EQ(-1, t.close());
  EXPECT_FALSE(t.isOpen());
}

// Regression: a dirty page written back to make room in the cache failed once; the lookup
// that needed the room failed (a merge took the word for a new one and lost its earlier
// references), and the page went out at close, which then said all was well.
TEST_F(TrieFileTest, AFailedWriteBackToMakeRoomFailsTheCloseAfterALaterWriteSucceeds) {
  makeFile(20000);
  TrieFile t;
  ASSERT_EQ(0, t.open(file_.c_str(), kRead | kWrite));
  char key[16];
  // Dirty more pages than the cache holds, so that the next lookup must write one back.
  for (int i = 0; i < 20000; i += 600) {
    std::snprintf(key, sizeof key, "w%05d", i);
    TrieValue v;
    v.v[0] = i + 1;
    ASSERT_LE(0, t.insert(key, v, nullptr));
  }
  platform::FaultPlan plan;
  plan.failWriteAt = 1;
  platform::setFaultPlan(plan);
  int found = t.find("w19999");
  platform::clearFaultPlan();
  EXPECT_EQ(-1, found) << "the room could not be made";
  EXPECT_EQ(19999, t.find("w19999")) << "the page goes out on the next try";
  EXPECT_EQ(-1, t.close()) << "but the file is not whole: the failure stands";
}

// Truncation at many offsets and every single flipped byte of a small file: each open
// either fails or gives a file that can be walked without a crash or a hang.
TEST_F(TrieFileTest, TruncatedAndFlippedFilesNeverCrash) {
  makeFile(600);
  const std::string good = testsupport::readFile(file_);
  for (size_t cut = 0; cut < good.size(); cut += 1999) {
    testsupport::writeFile(file_, good.substr(0, cut));
    exercise();
  }
  for (size_t at = 0; at < good.size(); at += (at % 4096 < 48 ? 1 : 89)) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x5A);
    testsupport::writeFile(file_, bad);
    exercise();
  }
}

class TrieDamageTest : public TrieFileTest {
 protected:
  // Builds a file, applies `damage` to its bytes, and returns the reader's result.
  std::string damaged(void (*damage)(std::string&)) {
    std::string bytes = testsupport::readFile(file_);
    damage(bytes);
    testsupport::writeFile(file_, bytes);
    return bytes;
  }
};

struct DamageCase {
  const char* name;
  void (*damage)(std::string&);
  const char* message;  // the start of a trace line the damage must produce
};

// Offsets: root page at 4096 (node area at 4103), first leaf at 8192 (data area at 8215).
const DamageCase kDamageCases[] = {
    {"slot offset past the data area",
     [](std::string& f) { put16(f, 8192 + 23, 4070); }, "ERROR getKeyInfo: invalid index 0 --> 4070"},
    {"key count zero", [](std::string& f) { put16(f, 8192 + 7, 0); },
     "ERROR TrieLeafNode::findGTE -- bad keyCount 0"},
    {"key count above 501", [](std::string& f) { put16(f, 8192 + 7, 600); },
     "ERROR TrieLeafNode::findGTE -- bad keyCount 600"},
    {"entry length negative", [](std::string& f) { put16(f, 8192 + 23 + 4043, 0xFFFF); },
     "ERROR getKeyInfo: invalid index 0 --> 4043"},
    {"node link outside the node area", [](std::string& f) { put32(f, 4103 + 0, 3000); },
     "ERROR TrieRecord 4097: node offset 3000 outside the node area"},
    {"child id beyond the page counter", [](std::string& f) { put32(f, 4103 + 0, 0x1100); },
     "ERROR TrieFile"},
    {"node links back to itself", [](std::string& f) { put32(f, 4103 + 0, 0); },
     "ERROR TrieFile"},
    {"allocation pointer past the page", [](std::string& f) { put16(f, 4096 + 5, 5000); },
     "ERROR TrieCache: page 4097 is a damaged interior page"},
    {"root id beyond the page counter", [](std::string& f) { put32(f, 26, 0x2000); },
     "ERROR TrieFile::open: damaged header"},
    {"page counter beyond the file", [](std::string& f) { put32(f, 30, 40); },
     "ERROR TrieFile::open: damaged header"},
    {"leaf limit below its first key", [](std::string& f) { f[8192 + 23 + 4058 + 14] = '\x01'; },
     "ERROR TrieCache: page 4098 is a damaged leaf"},
};

TEST_F(TrieDamageTest, EachDamageGivesItsMessageAndNoResult) {
  for (const DamageCase& c : kDamageCases) {
    SCOPED_TRACE(c.name);
    TrieFile t;
    ASSERT_EQ(0, t.create(file_.c_str(), 0));
    ASSERT_EQ(0, t.close());
    damaged(c.damage);
    lines_.clear();
    if (t.open(file_.c_str(), kRead | kWrite) == 0) {
      EXPECT_EQ(-1, t.find("\x01"));
      EXPECT_EQ(-1, t.insert("abc", TrieValue{}, nullptr));
      EXPECT_EQ(-1, t.verify());
      // A file one of whose pages could not be read is not closed as whole.
      const int expected = t.cache().failed() ? -1 : 0;
      EXPECT_EQ(expected, t.close());
    }
    EXPECT_TRUE(traced(c.message)) << "expected a line starting " << c.message;
  }
}

// A hand-made loop: a second node whose right link leads back to itself. The descent must
// stop with an error instead of going round for ever.
TEST_F(TrieDamageTest, ALoopInTheDescentIsBoundedByBitOrder) {
  TrieFile t;
  ASSERT_EQ(0, t.create(file_.c_str(), 0));
  ASSERT_EQ(0, t.close());
  damaged([](std::string& f) {
    put16(f, 4096 + 5, 28);           // two nodes in the root page
    put32(f, 4103 + 4, 14);           // root's right link -> node 14
    put32(f, 4103 + 14 + 0, 0x1002);  // node 14: left to a leaf, right back to itself
    put32(f, 4103 + 14 + 4, 14);
    put16(f, 4103 + 14 + 8, 1);       // bit 1
    put16(f, 4103 + 14 + 10, 1);
    f[4103 + 14 + 12] = '\xFF';
  });
  ASSERT_EQ(0, t.open(file_.c_str(), kRead));
  lines_.clear();
  EXPECT_EQ(-1, t.find("\xFF\xFF"));
  EXPECT_TRUE(traced("ERROR TrieFile"));
  EXPECT_EQ(-1, t.verify());
  EXPECT_EQ(0, t.close());
}

}  // namespace
