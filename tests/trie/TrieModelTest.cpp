// Randomized test of TrieFile against a std::map model: inserts of new and existing keys,
// exact finds, findLTE and scans in both directions, across many leaf and interior page
// splits, with the file closed and reopened along the way and verify() run at each reopen.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "io/FileMode.h"
#include "tests/trie/TrieFixture.h"
#include "trie/TrieFile.h"

namespace {

class TrieModelTest : public TrieFixture {
 protected:
  // A key over a small alphabet with shared prefixes, so the trie gets deep and the keys
  // collide often; now and then a long one.
  std::string randomKey(std::mt19937& rng) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    int length = 1 + static_cast<int>(rng() % 12);
    if (rng() % 50 == 0) length = 40 + static_cast<int>(rng() % 200);
    std::string k = "m";  // keeps every key between the two sentinels
    for (int i = 0; i < length; ++i) k += kChars[rng() % (rng() % 4 == 0 ? 36 : 4)];
    return k;
  }

  void checkScan(TrieFile& t, const std::map<std::string, int32_t>& model) {
    // Forward from the first real key, and backward from the last.
    ASSERT_EQ(0, t.lookup("m", 1, nullptr));
    char buf[600];
    auto it = model.begin();
    while (t.next() == 0) {
      int n = t.getKey(buf, sizeof buf);
      ASSERT_GE(n, 1);
      if (static_cast<unsigned char>(buf[0]) == 0xFF) break;  // the high sentinel
      ASSERT_NE(it, model.end());
      ASSERT_EQ(it->first, std::string(buf, static_cast<size_t>(n)));
      ASSERT_EQ(it->second, t.getValue());
      ++it;
    }
    ASSERT_EQ(it, model.end());
    ASSERT_EQ(1, t.lookup("\xFF", 1, nullptr));
    auto rit = model.rbegin();
    while (t.prev() == 0) {
      int n = t.getKey(buf, sizeof buf);
      if (n == 1 && buf[0] == '\x01') break;
      ASSERT_NE(rit, model.rend());
      ASSERT_EQ(rit->first, std::string(buf, static_cast<size_t>(n)));
      ++rit;
    }
    ASSERT_EQ(rit, model.rend());
  }
};

TEST_F(TrieModelTest, AgreesWithAMapOverManyOperationsAndReopens) {
  unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  std::string file = path("model.kf");
  std::map<std::string, int32_t> model;
  TrieFile t;
  ASSERT_EQ(0, t.create(file.c_str(), 0));
  constexpr int kOps = 200000;
  for (int op = 1; op <= kOps; ++op) {
    unsigned r = rng() % 100;
    std::string key = randomKey(rng);
    if (key.size() > 511) key.resize(511);
    if (r < 60) {
      TrieValue v, old;
      v.v[0] = op;
      v.v[2] = -op;
      auto found = model.find(key);
      int rc = t.insert(key.data(), static_cast<int>(key.size()), v, &old);
      ASSERT_EQ(found == model.end() ? 0 : 1, rc) << key;
      if (found != model.end()) {
        ASSERT_EQ(found->second, old.v[0]);
      }
      model[key] = op;
    } else if (r < 80) {
      auto found = model.find(key);
      ASSERT_EQ(found == model.end() ? -1 : found->second,
                t.find(key.data(), static_cast<int>(key.size())));
    } else {
      TrieValue v;
      int rc = t.lookup(key.data(), static_cast<int>(key.size()), &v);
      auto up = model.upper_bound(key);
      char buf[600];
      int n = t.getKey(buf, sizeof buf);
      if (up == model.begin()) {
        ASSERT_EQ(0, rc);
        ASSERT_EQ(std::string("\x01"), std::string(buf, static_cast<size_t>(n)));
      } else {
        --up;
        ASSERT_EQ(up->first == key ? 1 : 0, rc);
        ASSERT_EQ(up->first, std::string(buf, static_cast<size_t>(n)));
        ASSERT_EQ(up->second, v.v[0]);
        // A step either way stays in order.
        if (t.next() == 0) {
          n = t.getKey(buf, sizeof buf);
          auto after = std::next(up);
          std::string expect = after == model.end() ? std::string("\xFF") : after->first;
          ASSERT_EQ(expect, std::string(buf, static_cast<size_t>(n)));
        }
      }
    }
    if (op % 40000 == 0) {
      ASSERT_EQ(static_cast<int32_t>(model.size()), t.keyCount());
      checkScan(t, model);
      std::string report;
      ASSERT_EQ(0, t.verify(&report)) << report;
      ASSERT_EQ(0, t.close());
      ASSERT_EQ(0, t.open(file.c_str(), filemode::kRead | filemode::kWrite));
      ASSERT_EQ(0, t.verify(&report)) << report;
    }
  }
  EXPECT_GT(t.interiorCount(), 3) << "the test should split interior pages";
  EXPECT_GT(t.leafCount(), 500);
  ASSERT_EQ(0, t.close());
}

}  // namespace
