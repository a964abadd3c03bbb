// lxrsDoGetFileText through the engine interface: the text of a document into a file, a
// document that cannot be opened, and output files that must not be overwritten. Also
// external viewer folders holding libraries that cannot be loaded.
#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "import/ExternalViewers.h"
#include "import/ViewerTable.h"
#include "lexaurum/lexaurum.h"
#include "tests/support/TempDir.h"

namespace {

std::string gLastError;
void recordError(const char* text) { gLastError = text; }
int answerNo(const char*) { return 0; }

class GetFileTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lxrInitInfo info;
    LXR_INIT_RECORD(info);
    std::snprintf(info.privateDir, sizeof info.privateDir, "%s", dir_.file("p").c_str());
    std::snprintf(info.homeDir, sizeof info.homeDir, "%s",
                  testsupport::sourcePath("data").c_str());
    info.pShowErrorFn = recordError;
    info.pShowInfoFn = recordError;
    info.pAskYesNoFn = answerNo;
    info.pAskYesNoAllFn = answerNo;
    int16_t result;
    ASSERT_EQ(0, lxrsDoInit(&info, &result));
    gLastError.clear();
  }
  void TearDown() override {
    int16_t result;
    lxrsDoShutDown(&result);
  }
  std::string write(const std::string& name, const std::string& bytes) {
    std::string path = dir_.file(name);
    testsupport::writeFile(path, bytes);
    return path;
  }
  int16_t getText(const std::string& doc, const std::string& out) {
    int16_t result = 0;
    return lxrsDoGetFileText(doc.c_str(), out.c_str(), &result);
  }
  testsupport::TempDir dir_;
};

TEST_F(GetFileTextTest, WritesTheLinesOfTheDocument) {
  std::string doc = write("a.txt", "First line\r\n\tindented\r\nlast");
  std::string out = dir_.file("out.txt");
  EXPECT_EQ(0, getText(doc, out));
  EXPECT_EQ("First line\n        indented\nlast\n", testsupport::readFile(out));
  // An existing plain text output is replaced.
  EXPECT_EQ(0, getText(doc, out));
  EXPECT_EQ("First line\n        indented\nlast\n", testsupport::readFile(out));
}

TEST_F(GetFileTextTest, MissingDocumentWritesTheReasonAndFails) {
  std::string out = dir_.file("out.txt");
  EXPECT_EQ(-1, getText(dir_.file("absent.txt"), out));
  EXPECT_EQ("Unable to open file\n", testsupport::readFile(out));
}

TEST_F(GetFileTextTest, RefusesToOverwriteDocumentsAndTheDocumentItself) {
  std::string wp("\xFFWPC", 4);
  wp.resize(16, '\0');
  wp[8] = 1;
  wp[9] = 10;
  wp += "the letter";
  std::string letter = write("letter.wpd", wp);
  std::string doc = write("a.txt", "some text");
  EXPECT_EQ(-1, getText(doc, letter));
  EXPECT_EQ(wp, testsupport::readFile(letter)) << "the document is untouched";
  EXPECT_NE(std::string::npos, gLastError.find("letter.wpd")) << gLastError;
  EXPECT_EQ(-1, getText(doc, doc));
  EXPECT_EQ("some text", testsupport::readFile(doc));
}

TEST(ExternalViewersTest, LibrariesThatCannotLoadAreSkipped) {
  testsupport::TempDir home;
  ViewerTable table;
  EXPECT_EQ(0, externalviewers::loadAll(table, home.path())) << "no viewers folder";
  testsupport::writeFile(home.file("viewers"), "");
  EXPECT_EQ(0, externalviewers::loadAll(table, home.path())) << "viewers is not a folder";
  testsupport::TempDir other;
  std::string folder = other.file("viewers");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  testsupport::writeFile(folder + "/junk.so", "not a library at all");
  testsupport::writeFile(folder + "/notes.txt", "ignored");
  EXPECT_EQ(0, externalviewers::loadAll(table, other.path()));
  EXPECT_EQ(0, table.count());
  EXPECT_EQ(0, externalviewers::loadedCount());
}

}  // namespace
