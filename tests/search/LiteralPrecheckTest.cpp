// The literal pre-check of unindexed scans: which requests it serves, and that a file is
// passed over only when its letters cannot hold the word.
#include <gtest/gtest.h>

#include <string>

#include "import/Alphabet.h"
#include "search/LiteralPrecheck.h"
#include "search/SearchTree.h"

namespace {

LiteralPrecheck precheckFor(const std::string& request, RequestSettings rs = {}, const Alphabet* alphabet = nullptr) {
  rs.showMessages = false;
  SearchTree tree;
  EXPECT_EQ(0, tree.parse(request, "", rs)) << request;
  return LiteralPrecheck(tree, rs, 32, alphabet);
}

bool mayHold(const LiteralPrecheck& p, const std::string& text) {
  return p.bytesMayHold(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace

TEST(LiteralPrecheckTest, ServesOnlyOnePlainWord) {
  EXPECT_TRUE(precheckFor("Kobject").active());
  EXPECT_EQ("kobject", precheckFor("Kobject").word());
  for (const char* widened : {"kob*", "kob?ect", "kobject%", "#kobject", "kobject~", "kobject and page",
                              "kobject or page", "not kobject", "\"kobject\"", "100~~200", "x86"})
    EXPECT_FALSE(precheckFor(widened).active()) << widened;
  RequestSettings stemming;
  stemming.options.autoStemming = true;
  EXPECT_FALSE(precheckFor("kobject", stemming).active());
  RequestSettings fuzzy;
  fuzzy.options.fuzzySearching = true;
  EXPECT_FALSE(precheckFor("kobject", fuzzy).active());
  EXPECT_EQ(32u, precheckFor(std::string(40, 'k')).word().size()) << "cut as the indexer cuts words";
}

TEST(LiteralPrecheckTest, PassesOverOnlyFilesWhoseLettersLackTheWord) {
  LiteralPrecheck p = precheckFor("kobject");
  EXPECT_TRUE(mayHold(p, "a KObject here"));
  EXPECT_TRUE(mayHold(p, "kokobject"));
  EXPECT_TRUE(mayHold(p, "kob-\n   ject")) << "hyphen joins across a line end";
  EXPECT_TRUE(mayHold(p, "k\x01o\x02" "bject")) << "control characters are blanks";
  EXPECT_TRUE(mayHold(p, std::string("no match\0here", 13))) << "NUL: maybe UTF-16";
  EXPECT_TRUE(mayHold(p, "no match but caf\xC3\xA9")) << "non-ASCII: decoded, maybe folded";
  EXPECT_FALSE(mayHold(p, "kobjec object kob jec_"));
  EXPECT_FALSE(mayHold(p, ""));
  // An alphabet that makes "x" an accented "k": with accents folded "xobject" is "kobject".
  Alphabet paired;
  paired.setAccentPair('x', 'k');
  EXPECT_TRUE(mayHold(precheckFor("kobject", {}, &paired), "xobject"));
}

TEST(LiteralPrecheckTest, UnicodeScanFoldsEachCharacterAsTheIndexMay) {
  const Alphabet unicode = Alphabet::builtIn().unicodeFor(true, true);
  LiteralPrecheck p = precheckFor("kobject", {}, &unicode);
  const std::string late = std::string(5000, 'x') + " ";  // past the head the encoding is judged on
  // Each of these spells the word only through folding: accents, fullwidth letters, a
  // ligature-free mathematical letter, a soft hyphen, a combining mark.
  for (const char* spelt : {"k\xC3\xB6" "bject", "\xEF\xBD\x8B\xEF\xBD\x8F" "bject", "\xF0\x9D\x90\xA4" "object",
                            "kob\xC2\xAD" "ject", "ko\xCC\x81" "bject"})
    EXPECT_TRUE(mayHold(p, std::string("\xD0\x96 ") + spelt)) << spelt;
  EXPECT_FALSE(mayHold(p, "\xD0\xBA\xD0\xBE\xD0\xB1 object \xE4\xB8\xAD\xE6\x96\x87 kob")) << "Cyrillic and Chinese";
  EXPECT_FALSE(mayHold(p, "caf\xC3\xA9 kob-jec"));
  // 7-bit head: the rest is Windows-1252, where 0xF6 is "ö"; in the DOS code page it is "÷".
  EXPECT_TRUE(mayHold(p, late + "k\xF6" "bject"));
  EXPECT_FALSE(p.bytesMayHold(reinterpret_cast<const uint8_t*>((late + "k\xF6" "bject").data()), late.size() + 7, true));
  EXPECT_TRUE(mayHold(p, "\xFF\xFE" "k\0o\0")) << "UTF-16 is not served";
  EXPECT_TRUE(mayHold(p, "bad \xC3 kob\x1B")) << "neither UTF-8 nor plain: the code page is guessed";
}
