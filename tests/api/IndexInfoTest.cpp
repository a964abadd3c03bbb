// The index information and index deletion entry operations on real indexes: the record
// filled from the header, the refusal of a missing or foreign index, and deletion that
// leaves no header behind and refuses an index a writer holds.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "api/DllInterface.h"
#include "api/IndexLibrary.h"
#include "api/LexaurumInstance.h"
#include "index/IndexMaker.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "lexaurum/lexaurum.h"
#include "objects/Trace.h"
#include "platform/Platform.h"
#include "tests/support/TempDir.h"

namespace {

std::vector<std::string> gLines;
void collect(void*, const char* line) { gLines.push_back(line); }

class IndexInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLines.clear();
    trace::setSink(collect, nullptr);
    lxrInitInfo info;
    LXR_INIT_RECORD(info);
    std::snprintf(info.privateDir, sizeof info.privateDir, "%s", dir_.file("priv").c_str());
    std::snprintf(info.homeDir, sizeof info.homeDir, "%s",
                  testsupport::sourcePath("data").c_str());
    int16_t result = 0;
    ASSERT_EQ(0, lxrsDoInit(&info, &result));
    folder_ = dir_.file("ix");
    IndexRequest r;
    r.folder = folder_;
    r.name = "Papers";
    r.caseSensitive = true;
    r.relativePaths = true;
    IndexMaker maker;
    ASSERT_EQ(0, maker.make(r)) << maker.errorText();
  }
  void TearDown() override {
    int16_t result;
    while (DllInterface::current()) lxrsDoShutDown(&result);
    trace::setSink(nullptr, nullptr);
  }
  bool traced(const std::string& text) const {
    for (const std::string& l : gLines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
  testsupport::TempDir dir_;
  std::string folder_;
};

TEST_F(IndexInfoTest, FillsTheRecordFromTheIndex) {
  {
    TextDB db;
    db.setDirectory(folder_);
    ASSERT_EQ(0, db.lockIndex(filemode::kRead | filemode::kWrite | filemode::kDenyNone));
    db.header().documentCount = 10;
    db.header().obsoleteCount = 3;
    db.header().pathCount = 2;
    db.header().segmentCount = 4;
    db.header().wordCount = 55;
    db.header().updated = db.header().created;
    ASSERT_EQ(0, db.unlock());
  }
  lxrIndexInfo info;
  std::memset(&info, 0xEE, sizeof info);
  int16_t result = 99;
  EXPECT_EQ(0, lxrsGetIndexInfo(folder_.c_str(), &info, &result));
  EXPECT_EQ(0, result);
  EXPECT_EQ(static_cast<int32_t>(sizeof info), info.structSize);
  EXPECT_EQ(7, info.documents);
  EXPECT_EQ(3, info.obsolete);
  EXPECT_EQ(2, info.paths);
  EXPECT_EQ(3, info.fragmentation);
  EXPECT_STREQ("Papers", info.indexName);
  EXPECT_EQ(1, info.caseSensitive);
  EXPECT_EQ(0, info.accentSensitive);
  EXPECT_EQ(1, info.relativePaths);
  EXPECT_EQ(20, info.created.century);
  EXPECT_EQ(0, std::memcmp(&info.created, &info.updated, sizeof info.created));
  EXPECT_EQ(0, info.compressed.month);
  EXPECT_STREQ("Lexaurum_4", info.versionTag);
  EXPECT_GT(info.indexBytes, 863);

  // Reading the information is not an update.
  TextDB db;
  db.setDirectory(folder_);
  ASSERT_EQ(0, db.lockIndex(filemode::kRead));
  EXPECT_EQ(2, db.header().writeCount);
  db.unlock();
  // A single segment is no fragmentation.
  ASSERT_EQ(0, db.lockIndex(filemode::kRead | filemode::kWrite | filemode::kDenyNone));
  db.header().segmentCount = 0;
  ASSERT_EQ(0, db.unlock());
  ASSERT_EQ(0, lxrsGetIndexInfo(folder_.c_str(), &info, &result));
  EXPECT_EQ(0, info.fragmentation);
}

TEST_F(IndexInfoTest, AFolderWithoutAnIndexFailsAndSaysWhy) {
  lxrIndexInfo info;
  int16_t result = 0;
  std::string empty = dir_.file("nothing");
  platform::makeDirectory(empty.c_str());
  EXPECT_EQ(-1, lxrsGetIndexInfo(empty.c_str(), &info, &result));
  EXPECT_TRUE(traced("GetIndexInfo " + empty));
  EXPECT_EQ(-1, lxrsDeleteIndex(empty.c_str(), &result));
  EXPECT_TRUE(platform::directoryExists(empty.c_str()));
}

TEST_F(IndexInfoTest, DeleteRemovesTheIndexUnlessAWriterHoldsIt) {
  int16_t result = 0;
  {
    TextDB writer;
    writer.setDirectory(folder_);
    ASSERT_EQ(0, writer.lockIndex(filemode::kRead | filemode::kWrite | filemode::kDenyNone));
    EXPECT_EQ(-1, lxrsDeleteIndex(folder_.c_str(), &result));
    EXPECT_TRUE(platform::fileExists((folder_ + "/INDEX_I.IX").c_str()));
  }
  EXPECT_EQ(0, lxrsDeleteIndex(folder_.c_str(), &result));
  EXPECT_EQ(0, result);
  EXPECT_FALSE(platform::directoryExists(folder_.c_str()));
  EXPECT_EQ(-1, lxrsDeleteIndex(folder_.c_str(), &result));
}

TEST_F(IndexInfoTest, TheLibraryNamesTheIndexAndForgetsItWhenDeleted) {
  IndexLibrary& library = DllInterface::current()->instance()->library();
  ASSERT_EQ(0, library.add("From library", folder_));
  lxrIndexInfo info;
  LXR_INIT_RECORD(info);
  int16_t result = 0;
  ASSERT_EQ(0, lxrsGetIndexInfo(folder_.c_str(), &info, &result));
  EXPECT_STREQ("From library", info.indexName);
  ASSERT_EQ(0, lxrsDeleteIndex(folder_.c_str(), &result));
  EXPECT_EQ(0, library.find("From library"));
}

}  // namespace
