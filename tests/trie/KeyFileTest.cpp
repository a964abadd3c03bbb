// Tests of KeyFile (kind characters, per-kind counts, kind-bounded scans, refused keys) and
// of the page cache under it (out of space, write-back of the least recently used page,
// pointer checks).
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "io/FileMode.h"
#include "tests/trie/TrieFixture.h"
#include "trie/GenericCache.h"
#include "trie/KeyFile.h"

namespace {

class KeyFileTest : public TrieFixture {
 protected:
  std::string file_ = path("INDEX_K.IX");
};

TEST_F(KeyFileTest, KindsStayApartAndScansNeverSeeTheSentinels) {
  KeyFile kf;
  ASSERT_EQ(0, kf.create(file_.c_str(), 600));
  EXPECT_EQ(601, kf.trie().maxKeyLength());
  const char* words[] = {"zebra", "apple", "mango", "apple2"};
  for (int kind = 0; kind < 4; ++kind)
    for (int i = 0; i < 4; ++i) ASSERT_EQ(0, kf.insert(kind, words[i], kind * 10 + i));
  ASSERT_EQ(0, kf.insert(0, "apple", 99));
  EXPECT_TRUE(kf.lastInsertExisted());
  for (int kind = 0; kind < 4; ++kind) EXPECT_EQ(4, kf.getCount(kind));
  ASSERT_EQ(0, kf.close());

  ASSERT_EQ(0, kf.open(file_.c_str(), filemode::kRead));
  TrieValue v;
  ASSERT_EQ(0, kf.find(0, "apple", &v));
  EXPECT_EQ(99, v.v[0]);
  ASSERT_EQ(0, kf.find(2, "mango", &v));
  EXPECT_EQ(22, v.v[0]);
  EXPECT_EQ(-1, kf.find(1, "banana", &v));
  char key[16];
  ASSERT_EQ(6, kf.getKey(key, sizeof key)) << "cursor left on the nearest key not above";
  EXPECT_STREQ("apple2", key);
  // A scan of kind 0 runs from its first key to the first key of another kind.
  for (int kind = 0; kind < 4; ++kind) {
    ASSERT_EQ(0, kf.first(kind));
    std::string seen;
    do {
      ASSERT_GE(kf.getKey(key, sizeof key), 1);
      seen += std::string(key) + " ";
    } while (kf.next() == 0 && kf.getKind() == kind);
    EXPECT_EQ("apple apple2 mango zebra ", seen) << "kind " << kind;
    // Kind 0 sorts last: past it lies the high sentinel, which belongs to no kind.
    if (kind == 0) {
      EXPECT_EQ(-1, kf.getKind());
    }
  }
  ASSERT_EQ(0, kf.close());

  // An empty kind has no first key.
  KeyFile empty;
  ASSERT_EQ(0, empty.create(path("empty.ix").c_str(), 30));
  ASSERT_EQ(0, empty.insert(1, "x", 1));
  EXPECT_EQ(-1, empty.first(0));
  EXPECT_EQ(-1, empty.first(2));
  EXPECT_EQ(0, empty.first(1));
  ASSERT_EQ(0, empty.close());
}

TEST_F(KeyFileTest, RefusedKeysAndRemoveAreReported) {
  KeyFile kf;
  ASSERT_EQ(0, kf.create(file_.c_str(), 30));
  TrieValue v;
  v.v[0] = 17;
  EXPECT_EQ(-1, kf.insert(0, "", v));
  EXPECT_TRUE(traced("ERROR KeyFile::insert null key: len 0 val 17"));
  EXPECT_EQ(-1, kf.insert(4, "word", v));
  EXPECT_EQ(-1, kf.insert(-1, "word", v));
  EXPECT_EQ(-1, kf.remove(0, "word"));
  EXPECT_TRUE(traced("ERROR KeyFile::remove called"));
  EXPECT_EQ(0, kf.trie().keyCount());
  EXPECT_EQ(0, kf.getCount(0));
  kf.setCount(3, 12);
  EXPECT_EQ(12, kf.getCount(3));
  EXPECT_EQ(-1, kf.getCount(4));
  ASSERT_EQ(0, kf.close());
}

// A cache over pages kept in memory, counting reads and writes.
class MemoryCache : public GenericCache {
 public:
  MemoryCache() : GenericCache(15, 64) {}
  std::map<int32_t, std::string> disk;
  int reads = 0, writes = 0;

 protected:
  int readPage(int32_t id, char* into) override {
    ++reads;
    std::string& p = disk[id];
    p.resize(64);
    std::memcpy(into, p.data(), 64);
    return 0;
  }
  int writePage(int32_t id, const char* from) override {
    ++writes;
    disk[id].assign(from, 64);
    return 0;
  }
};

TEST_F(KeyFileTest, CacheWritesBackTheLeastRecentlyUsedPageAndRunsOutWhenAllAreLocked) {
  MemoryCache cache;
  char* pages[16];
  for (int i = 0; i < 15; ++i) {
    pages[i] = cache.get(0x2000 + i);
    ASSERT_NE(nullptr, pages[i]);
    pages[i][0] = static_cast<char>('a' + i);
  }
  EXPECT_EQ(nullptr, cache.get(0x3000));
  EXPECT_TRUE(traced("ERROR GenericCache: out of space"));
  // Release in order 0..14 (0 least recent), all dirty; touch 0 again to make 1 the victim.
  for (int i = 0; i < 15; ++i) ASSERT_EQ(0, cache.release(pages[i], true));
  ASSERT_NE(nullptr, cache.get(0x2000));
  ASSERT_EQ(0, cache.release(pages[0], false));
  EXPECT_EQ(0, cache.writes);
  char* fresh = cache.get(0x3000);
  ASSERT_NE(nullptr, fresh);
  EXPECT_EQ(1, cache.writes);
  EXPECT_EQ('b', cache.disk[0x2001][0]) << "the victim was written back before reuse";
  EXPECT_EQ(0, cache.verify(fresh, 0x3000));
  EXPECT_EQ(-1, cache.verify(fresh, 0x2001));
  EXPECT_TRUE(traced("ERROR GenericCache::verify(id = 8193) failed (id = 12288)"));
  char outside[64];
  EXPECT_EQ(-1, cache.verify(outside, 0x3000));
  EXPECT_TRUE(traced("ERROR GenericCache::verify(id = 12288) failed"));
  EXPECT_EQ(-1, cache.release(fresh + 1, false));
  EXPECT_TRUE(traced("ERROR getCacheMember failed!"));
  ASSERT_EQ(0, cache.release(fresh, false));
  ASSERT_EQ(0, cache.flush());
  EXPECT_EQ(15, cache.writes) << "every other dirty page once";
}

}  // namespace
