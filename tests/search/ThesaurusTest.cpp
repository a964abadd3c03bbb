// The thesaurus file, its sorted entries and synonym expansion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/Stemmer.h"
#include "search/SynonymIterator.h"
#include "search/Thesaurus.h"
#include "tests/support/TempDir.h"

namespace {

std::vector<std::string> synonyms(const Thesaurus& t, const std::string& word) {
  SynonymIterator it;
  int count = it.start(t, word);
  std::vector<std::string> out;
  std::string w;
  while (it.next(&w)) out.push_back(w);
  EXPECT_EQ(count, static_cast<int>(out.size()));
  return out;
}

int parseText(Thesaurus* t, const std::string& text) { return t->parse(text.data(), text.size()); }

std::vector<std::string> entryWords(const Thesaurus& t) {
  std::vector<std::string> out;
  for (int i = 0; i < t.entryCount(); ++i) out.push_back(*t.entryWord(i));
  return out;
}

using Words = std::vector<std::string>;

}  // namespace

TEST(ThesaurusTest, SetsGiveSortedEntriesAndSynonyms) {
  Thesaurus t;
  ASSERT_EQ(0, t.addSet({"car", "automobile", "auto"}));
  ASSERT_EQ(0, t.addSet({"auto", "self"}));
  ASSERT_EQ(0, t.addSet({"new york", "big apple"}));
  EXPECT_EQ(7, t.entryCount());
  EXPECT_EQ((Words{"auto", "auto", "automobile", "big apple", "car", "new york", "self"}),
            entryWords(t));
  EXPECT_EQ((Words{"car", "automobile", "auto"}), synonyms(t, "car&"));
  // A word in two sets brings both, each word once.
  EXPECT_EQ((Words{"car", "automobile", "auto", "self"}), synonyms(t, "auto"));
  EXPECT_EQ((Words{"car", "automobile", "auto", "self"}), synonyms(t, "aut*"));
  EXPECT_TRUE(synonyms(t, "truck").empty());

  EXPECT_EQ(nullptr, t.entry(-1));
  EXPECT_EQ(nullptr, t.entryWord(7));
  EXPECT_EQ(nullptr, t.setWord(0, 3));
  EXPECT_EQ("self", *t.setWord(6, 1));
  EXPECT_EQ(0, t.findFirstAtOrAbove(""));
  EXPECT_EQ(7, t.findFirstAtOrAbove("zzz"));

  // Words the file could not hold, and empty sets, are refused.
  EXPECT_EQ(-1, t.addSet({}));
  EXPECT_EQ(-1, t.addSet({"a", ""}));
  EXPECT_EQ(-1, t.addSet({"say \"hi\""}));
  EXPECT_EQ(-1, t.addSet({"  "}));
  EXPECT_EQ(7, t.entryCount());

  std::string dump = t.dump();
  EXPECT_NE(std::string::npos, dump.find("Synonym Sets: \n0.\tcar automobile auto\n"));
  EXPECT_NE(std::string::npos, dump.find("Words: \nauto set=0 pos=2\nauto set=1 pos=0\n"));
}

TEST(ThesaurusTest, SavedFileLoadsBackTheSame) {
  testsupport::TempDir dir;
  Thesaurus t;
  ASSERT_EQ(0, t.addSet({"car", "automobile", "auto"}));
  ASSERT_EQ(0, t.addSet({"new york", "big apple", "nyc"}));
  std::string path = dir.file(Thesaurus::kFileName);
  ASSERT_EQ(0, t.save(path));
  EXPECT_EQ(
      "Lexaurum User Thesaurus\n"
      "car automobile auto\n"
      "\"new york\" \"big apple\" nyc\n"
      "\n"
      "0 2\n0 1\n1 1\n0 0\n1 0\n1 2\n"
      "\n",
      testsupport::readFile(path));
  Thesaurus back;
  ASSERT_EQ(0, back.load(path));
  EXPECT_EQ(t.fileText(), back.fileText());
  EXPECT_EQ(-1, back.load(dir.file("missing.dat")));
  EXPECT_EQ(0, back.entryCount());
  // Read at first use: the same contents, or none from a file that is not there.
  Thesaurus later;
  later.loadOnFirstUse(path);
  EXPECT_EQ(t.fileText(), later.fileText());
  later.loadOnFirstUse(dir.file("missing.dat"));
  EXPECT_EQ(0, later.setCount());
}

TEST(ThesaurusTest, LoadingChecksTheTitleAndRebuildsMissingOrWrongEntries) {
  Thesaurus t;
  EXPECT_EQ(-1, parseText(&t, "My Thesaurus\ncar auto\n\n"));
  EXPECT_EQ(0, t.setCount());
  EXPECT_EQ(-1, parseText(&t, ""));

  // No entry lines: rebuilt from the sets; leading blanks before the title and CRLF are fine.
  ASSERT_EQ(0, parseText(&t, "   Lexaurum User Thesaurus\r\ncar auto\r\nbee wasp\r\n"));
  EXPECT_EQ((Words{"auto", "bee", "car", "wasp"}), entryWords(t));

  // Entries out of range, repeated, unsorted or short are all replaced by a rebuild.
  for (const char* entries : {"0 0\n0 1\n1 7\n1 1\n", "0 1\n0 1\n1 0\n1 1\n",
                              "0 0\n0 1\n1 0\n1 1\n", "0 1\n1 0\n", "x y\n",
                              "0 1\n1 0\n0 0\n1 1\n9999999999 0\n", "-1 0\n"}) {
    ASSERT_EQ(0, parseText(&t, std::string("Lexaurum User Thesaurus\ncar auto\nbee wasp\n\n") +
                                   entries));
    EXPECT_EQ((Words{"auto", "bee", "car", "wasp"}), entryWords(t)) << entries;
  }
  // Correct entries are taken as they are.
  ASSERT_EQ(0, parseText(&t, "Lexaurum User Thesaurus\ncar auto\nbee wasp\n\n0 1\n1 0\n0 0\n1 1\n"));
  EXPECT_EQ((Words{"auto", "bee", "car", "wasp"}), entryWords(t));
  EXPECT_EQ(1, t.entry(0)->position);
}
