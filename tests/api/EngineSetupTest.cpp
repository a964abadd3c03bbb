// The options file: every key round-trips, unknown keys survive, damage keeps the defaults.
#include "api/EngineSetup.h"

#include <gtest/gtest.h>

#include "api/OptionSettings.h"

#include "tests/support/TempDir.h"

namespace {

TEST(EngineSetupTest, EveryKeyReadsBackAsWritten) {
  testsupport::TempDir dir;
  EngineSetup a;
  a.alphabetName = "GREEK.ABC";
  a.hyphens = 4;
  a.maxWordLength = 64;
  a.indexNumbers = false;
  a.binaryFiles = 1;
  a.noiseListName = "NONE.NOI";
  a.relativePaths = true;
  a.indexCaseSensitive = true;
  a.indexAccentSensitive = true;
  a.stemmerName = "STEM2.DAT";
  a.fuzzyChar = '!';
  a.phoneticChar = '^';
  a.stemmingChar = '`';
  a.synonymChar = '+';
  a.macroChar = '@';
  a.searchOptions = {true, 7, true, true, true, true};
  a.retrievalLimit = 250;
  a.searchParameter = -3;
  a.setExtra("MergeNW", "1");
  ASSERT_EQ(0, a.write(dir.file("OPTIONS.DAT")));

  EngineSetup b;
  ASSERT_EQ(0, b.read(dir.file("OPTIONS.DAT")));
  EXPECT_EQ(a.alphabetName, b.alphabetName);
  EXPECT_EQ(a.hyphens, b.hyphens);
  EXPECT_EQ(a.maxWordLength, b.maxWordLength);
  EXPECT_EQ(a.indexNumbers, b.indexNumbers);
  EXPECT_EQ(a.binaryFiles, b.binaryFiles);
  EXPECT_EQ(a.noiseListName, b.noiseListName);
  EXPECT_EQ(a.relativePaths, b.relativePaths);
  EXPECT_EQ(a.indexCaseSensitive, b.indexCaseSensitive);
  EXPECT_EQ(a.indexAccentSensitive, b.indexAccentSensitive);
  EXPECT_EQ(a.stemmerName, b.stemmerName);
  EXPECT_EQ(std::string("!^`+@"), std::string({b.fuzzyChar, b.phoneticChar, b.stemmingChar,
                                               b.synonymChar, b.macroChar}));
  EXPECT_TRUE(b.searchOptions.fuzzySearching && b.searchOptions.phonicSearching &&
              b.searchOptions.autoStemming && b.searchOptions.synonymSearching &&
              b.searchOptions.natLangSearching);
  EXPECT_EQ(7, b.searchOptions.fuzziness);
  EXPECT_EQ(250, b.retrievalLimit);
  EXPECT_EQ(-3, b.searchParameter);
  EXPECT_EQ(1, b.extraInt("MergeNW", 0));

  // Written again, the file is the same byte for byte.
  ASSERT_EQ(0, b.write(dir.file("AGAIN.DAT")));
  EXPECT_EQ(testsupport::readFile(dir.file("OPTIONS.DAT")), testsupport::readFile(dir.file("AGAIN.DAT")));
}

TEST(EngineSetupTest, UnknownKeysSurviveAndDefaultsFillTheRest) {
  testsupport::TempDir dir;
  testsupport::writeFile(dir.file("OPTIONS.DAT"),
                         "Lexaurum Options from a newer version\r\n"
                         "hyphens=1\r\n"
                         "cibs = 4096\r\n"
                         "futureSetting = some text here\r\n"
                         "searchOptions.fuzziness = 42\r\n");
  EngineSetup s;
  ASSERT_EQ(0, s.read(dir.file("OPTIONS.DAT")));
  EXPECT_EQ(1, s.hyphens);
  EXPECT_EQ(9, s.searchOptions.fuzziness) << "fuzziness is 0..9";
  EXPECT_EQ("ENGLISH.ABC", s.alphabetName);
  EXPECT_EQ('%', s.fuzzyChar);
  EXPECT_EQ('\0', s.macroChar);
  EXPECT_EQ(4096, s.extraInt("cibs", 0));
  ASSERT_EQ(0, s.write(dir.file("OPTIONS.DAT")));
  std::string file = testsupport::readFile(dir.file("OPTIONS.DAT"));
  EXPECT_NE(std::string::npos, file.find("\r\nfutureSetting = some text here\r\n"));
  EXPECT_NE(std::string::npos, file.find("\r\nmacroChar =   \r\n")) << "an unset marker is empty";
}

TEST(EngineSetupTest, AForeignFileLeavesEveryDefault) {
  testsupport::TempDir dir;
  testsupport::writeFile(dir.file("OPTIONS.DAT"), "Lexaurum Macros\r\nhyphens = 1\r\n");
  EngineSetup s;
  EXPECT_EQ(-1, s.read(dir.file("OPTIONS.DAT")));
  EXPECT_EQ(3, s.hyphens);
  EXPECT_EQ(-1, s.read(dir.file("MISSING.DAT")));
}

TEST(EngineSetupTest, WordLengthIsKeptInRange) {
  EngineSetup s;
  for (auto [given, used] : {std::pair{200, 127}, {129, 127}, {128, 128}, {3, 4}, {-5, 4}, {32, 32}}) {
    s.maxWordLength = given;
    EXPECT_EQ(used, s.effectiveMaxWordLength()) << given;
  }
}

TEST(EngineSetupTest, MergeSwitchesAreReadOnlyWhileDebugging) {
  EngineSetup setup;
  setup.setExtra("MergeNW", "1");
  setup.setExtra("MergeNR", "0");
  EXPECT_FALSE(optionsettings::mergeSwitches(setup, false).noWords);
  MergeSwitches noWords = optionsettings::mergeSwitches(setup, true);
  EXPECT_TRUE(noWords.noWords);
  EXPECT_FALSE(noWords.noRefs);
}

}  // namespace
