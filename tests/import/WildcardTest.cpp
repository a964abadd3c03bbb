// Name patterns over UTF-8 names: "?" is one character and letters match by Unicode case
// folding; Windows-1252 patterns and signatures still match byte by byte.
#include "import/Wildcard.h"

#include <gtest/gtest.h>

namespace {

TEST(WildcardTest, Utf8NamesMatchByCharacterAndCaseFolding) {
  EXPECT_TRUE(wildcard::match("caf?.txt", "caf\xC3\xA9.txt"));
  EXPECT_TRUE(wildcard::match("CAF\xC3\x89*", "caf\xC3\xA9.txt"));
  EXPECT_TRUE(wildcard::match("\xD0\x96*", "\xD0\xB6\xD1\x83\xD0\xBA.txt"));  // Ж* : жук.txt
  EXPECT_TRUE(wildcard::match("@@@.txt", "\xD0\xB6\xD1\x83\xD0\xBA.txt"));
  EXPECT_FALSE(wildcard::match("?.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt"));  // 日本: two characters
  EXPECT_TRUE(wildcard::match("??.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt"));
  // A Windows-1252 pattern keeps its byte meaning.
  EXPECT_TRUE(wildcard::match("caf\xE9", "CAF\xC9"));
  EXPECT_TRUE(wildcard::matchBytes("P?\x03\x04", 4, "PK\x03\x04", 4));
}

}  // namespace
