// The index file-name table: each type bit names one file of its own, and the dictionary
// copies' names are told apart from every other name of a folder.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "index/IndexFileNames.h"

using namespace indexformat;

TEST(IndexFileNamesTest, EveryTypeNamesOneFileOfItsOwn) {
  std::set<std::string> names;
  for (const indexfiles::FileName& f : indexfiles::kFileNames) {
    EXPECT_EQ(0u, f.type & (f.type - 1)) << "type " << f.type << " is not one bit";
    std::string name = indexfiles::bareName(f.type);
    EXPECT_FALSE(name.empty());
    EXPECT_TRUE(names.insert(name).second) << name << " named twice";
    EXPECT_EQ(-1, indexfiles::keyCopyNumber(name)) << name << " taken for a dictionary copy";
  }
  EXPECT_EQ("/ix/INDEX_DI.IX", indexfiles::path("/ix", kDocIndexFile));
  EXPECT_EQ("", indexfiles::bareName(kKeyFile | kRefFile));
  EXPECT_EQ("", indexfiles::path("/ix", 0));
}

TEST(IndexFileNamesTest, DictionaryCopyNamesRoundTripAndOthersAreRefused) {
  for (long n : {1L, 9L, 10L, 123456789L}) {
    EXPECT_EQ(n, indexfiles::keyCopyNumber(indexfiles::keyCopyName(n)));
  }
  EXPECT_EQ("IXK42.IX", indexfiles::keyCopyName(42));
  for (const char* other : {"IXK.IX", "IXKa.IX", "IXK1a.IX", "IXK12.IXX", "XIXK1.IX", "ixk1.ix", "IXK1",
                            "IXK99999999999.IX"})
    EXPECT_EQ(-1, indexfiles::keyCopyNumber(other)) << other;
}
