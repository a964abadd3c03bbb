// Expansion of request words against the word list of a real index, and the lookup of a
// simple node's words (noise words, resolved words, the limit on expanded words).
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "search/WordIterator.h"
#include "search/WordLookup.h"
#include "tests/index/IndexDbFixture.h"
#include "tests/support/RecordingReporter.h"

using namespace indextest;

namespace {

std::string numberWord(unsigned n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "!i%08x", n);
  return buf;
}

}  // namespace

class WordIteratorTest : public IndexDbFixture {
 protected:
  // Makes the index and lists `words` in its dictionary; a word's id is its position in the
  // list + 100 (0 for words starting with '0': listed without references), its document
  // count its length.
  void makeWithWords(const std::vector<std::string>& words) {
    make();
    writeWords(words);
    reader_ = std::make_unique<TextDB>();
    reader_->setDirectory(folder_);
    ASSERT_EQ(0, reader_->open(kReadMode, kMainTypes)) << reader_->errorText();
  }

  void writeWords(const std::vector<std::string>& words) {
    TextDB db;
    db.setDirectory(folder_);
    ASSERT_EQ(0, db.open(kWriteExclusive, kMainTypes)) << db.errorText();
    for (size_t i = 0; i < words.size(); ++i) {
      TrieValue v;
      v.v[0] = words[i][0] == '0' ? 0 : static_cast<int32_t>(100 + i);
      v.v[1] = 1;
      v.v[2] = static_cast<int32_t>(words[i].size());
      ASSERT_EQ(0, db.keys().insert(indexformat::kWordKind, words[i].c_str(), v)) << words[i];
    }
    // Another kind of key, so the scan has to step over it.
    ASSERT_EQ(0, db.keys().insert(1, "zzzfolder", 7));
    ASSERT_EQ(0, db.close());
  }

  std::vector<std::string> expand(const std::string& pattern) {
    WordIterator it(reader_->keys());
    std::vector<std::string> out;
    WordHit hit;
    for (int rc = it.first(pattern, &hit); rc > 0; rc = it.next(&hit)) out.push_back(hit.word);
    return out;
  }

  void TearDown() override {
    reader_.reset();  // releases the index's lock file too
    IndexDbFixture::TearDown();
  }

  std::unique_ptr<TextDB> reader_;
};

using Words = std::vector<std::string>;

TEST_F(WordIteratorTest, ScansYieldMatchingWordsInOrder) {
  Words numbers;
  for (unsigned n = 0; n < 40; n += 2) numbers.push_back(numberWord(n));
  Words words = {"aple", "app", "appel", "apple", "applesauce", "appm", "apricot", "robert",
                 "rupert", "rubin", "sing", "singing", "xpple", "zebra"};
  words.insert(words.end(), numbers.begin(), numbers.end());
  makeWithWords(words);

  EXPECT_EQ((Words{"apple", "applesauce"}), expand("appl*"));
  EXPECT_EQ((Words{"sing", "singing"}), expand("*ing"));
  EXPECT_EQ((Words{"aple", "app", "appel", "apple", "appm"}), expand("ap%%ple"));
  EXPECT_EQ((Words{"robert", "rupert"}), expand("#robert"));
  EXPECT_EQ((Words{"zebra"}), expand("zebra"));
  EXPECT_EQ((Words{}), expand("zebras"));
  EXPECT_EQ((Words{}), expand("aaa"));
  EXPECT_EQ((Words{}), expand("zz*"));
  EXPECT_EQ((Words{numberWord(12), numberWord(14), numberWord(16), numberWord(18),
                   numberWord(20)}),
            expand(numberWord(12) + "~~" + numberWord(20)));
  EXPECT_EQ(words.size(), expand("*").size());

  WordIterator it(reader_->keys());
  WordHit hit;
  ASSERT_EQ(1, it.first("zebra", &hit));
  EXPECT_EQ(5, hit.documents);
  EXPECT_EQ(113, hit.id);
  EXPECT_EQ(0, it.next(&hit));
  EXPECT_EQ(0, it.next(&hit));
}

TEST_F(WordIteratorTest, AnEmptyWordListYieldsNothing) {
  makeWithWords({});
  EXPECT_EQ((Words{}), expand("*"));
  EXPECT_EQ((Words{}), expand("a"));
}

TEST_F(WordIteratorTest, LookupHandlesNoiseResolvedAndUnreferencedWords) {
  makeWithWords({"0the", "apple", "apples", "applet", "banana"});
  WordLookupSettings settings;
  settings.indexName = "Test index";
  settings.alphabet = &reader_->alphabet();  // the index's own folding
  settings.isNoise = [](const std::string& w) { return w == "and"; };
  settings.resolved = [](const std::string& w, WordHit* hit) {
    if (w == "banana") {
      hit->word = w;
      hit->id = 555;
      hit->documents = 9;
      return 1;
    }
    if (w == "cherry") {
      hit->id = -1;
      return 1;
    }
    return 0;
  };
  WordLookup lookup(reader_->keys(), settings);
  std::vector<int32_t> ids;
  auto add = [&](const WordHit& h) {
    ids.push_back(h.id);
    return 0;
  };
  NodeWords found;

  ASSERT_EQ(0, lookup.lookup("APPLE*", add, &found));  // folded by the request map
  EXPECT_EQ((std::vector<int32_t>{101, 102, 103}), ids);
  EXPECT_EQ(3, found.wordCount);
  EXPECT_EQ(5 + 6 + 6, found.documentSum);
  EXPECT_FALSE(found.noise);

  ids.clear();
  ASSERT_EQ(0, lookup.lookup("\"and\"", add, &found));
  EXPECT_TRUE(found.noise);
  EXPECT_TRUE(ids.empty());

  ASSERT_EQ(0, lookup.lookup("0the", add, &found));  // listed without references
  EXPECT_TRUE(found.noise);
  EXPECT_EQ(0, found.wordCount);

  ASSERT_EQ(0, lookup.lookup("banana", add, &found));
  EXPECT_EQ((std::vector<int32_t>{555}), ids);
  EXPECT_EQ(9, found.documentSum);
  EXPECT_EQ(-1, lookup.lookup("cherry", add, &found));

  ASSERT_EQ(0, lookup.lookup("kiwi", add, &found));
  EXPECT_EQ(0, found.wordCount);
  EXPECT_FALSE(found.noise);
  EXPECT_EQ(3, lookup.expandedCount());

  // A failing consumer fails the lookup.
  EXPECT_EQ(-1, lookup.lookup("apple", [](const WordHit&) { return -1; }, &found));
}

TEST_F(WordIteratorTest, MoreThan500ExpandedWordsFailWithMessage34) {
  Words words;
  for (int i = 0; i < 260; ++i) words.push_back("w" + std::to_string(1000 + i));
  makeWithWords(words);
  WordLookupSettings settings;
  settings.indexName = "Test index";
  testsupport::RecordingReporter reporter;
  settings.reporter = &reporter;
  WordLookup lookup(reader_->keys(), settings);
  auto add = [](const WordHit&) { return 0; };
  NodeWords found;
  ASSERT_EQ(0, lookup.lookup("w*", add, &found));
  EXPECT_EQ(260, found.wordCount);
  ASSERT_TRUE(reporter.errors.empty());
  EXPECT_EQ(-1, lookup.lookup("w*", add, &found));
  ASSERT_EQ(1u, reporter.errors.size());
  EXPECT_NE(std::string::npos, reporter.errors[0].find("Test index")) << reporter.errors[0];
  EXPECT_EQ(-1, lookup.lookup("w1000", add, &found));  // the index's search has failed
  EXPECT_EQ(1u, reporter.errors.size());
}
