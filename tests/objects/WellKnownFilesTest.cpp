// Well-known file names: patterns, unknown kinds and run-time replacements.
#include "objects/WellKnownFiles.h"

#include <gtest/gtest.h>

#include "objects/Trace.h"

namespace {

std::string gLastTrace;
void remember(void*, const char* line) { gLastTrace = line; }

TEST(WellKnownFilesTest, PatternsTakeOneNumber) {
  EXPECT_EQ("SRCH3.DAT", wellknown::name(wellknown::kSearchResults, 3));
  EXPECT_EQ("V0001a.TMP", wellknown::name(wellknown::kViewTemp, 0x1a));
  EXPECT_EQ("PRT00000.TMP", wellknown::name(21));
  EXPECT_EQ("OPTIONS.DAT", wellknown::name(wellknown::kOptions, 99));
  EXPECT_EQ("LEXAURUM.MSG", wellknown::name(39));
}

TEST(WellKnownFilesTest, UnknownKindIsTracedAndEmpty) {
  trace::setSink(remember, nullptr);
  for (int kind : {0, 3, 38, 55, -1}) {
    EXPECT_EQ("", wellknown::name(kind));
    EXPECT_EQ("Unable to find name for type " + std::to_string(kind), gLastTrace);
  }
  trace::setSink(nullptr, nullptr);
}

TEST(WellKnownFilesTest, ReplacementHoldsUntilReset) {
  wellknown::setName(wellknown::kOptions, "OTHER.DAT");
  wellknown::setName(wellknown::kSearchResults, "R%d-%d-%s%n.DAT");
  EXPECT_EQ("OTHER.DAT", wellknown::name(wellknown::kOptions));
  // Only one numeric conversion is honoured; the rest is copied as it stands.
  EXPECT_EQ("R7-%d-%s%n.DAT", wellknown::name(wellknown::kSearchResults, 7));
  wellknown::setName(wellknown::kOptions, "");
  EXPECT_EQ("OPTIONS.DAT", wellknown::name(wellknown::kOptions));
  wellknown::resetNames();
  EXPECT_EQ("SRCH1.DAT", wellknown::name(wellknown::kSearchResults, 1));
}

}  // namespace
