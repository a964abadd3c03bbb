// The index library: its exact file form, capacity, ordering, temporaries, the open
// fallbacks and damaged library files.
#include "api/IndexLibrary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "objects/Reporter.h"
#include "platform/Platform.h"
#include "tests/support/TempDir.h"

namespace {

std::vector<std::string> gShown;  // every error and information text, in order
int gAnswer = 0;                  // the answer to every yes/no question
int gAskCount = 0;

void record(const char* text) { gShown.push_back(text); }
int answer(const char*) {
  ++gAskCount;
  return gAnswer;
}

class IndexLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gShown.clear();
    gAnswer = 0;
    gAskCount = 0;
  }

  // Records what the library shows and answers its questions with gAnswer.
  class Recorder : public Reporter {
   public:
    void error(const std::string& text) override { record(text.c_str()); }
    void info(const std::string& text) override { record(text.c_str()); }
    bool ask(const std::string& question, bool) override { return answer(question.c_str()) != 0; }
  };
  Recorder reporter_;

  bool shown(int number) const {
    std::string prefix = "Message " + std::to_string(number);
    for (const std::string& s : gShown)
      if (s.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }
  std::string libFile() const { return dir_.file("IXLIB.ILB"); }

  testsupport::TempDir dir_;
};

std::string libraryText(size_t entryCount, size_t countLine) {
  std::string s = "Lexaurum Index Library\r\n" + std::to_string(countLine) + "\r\n";
  for (size_t i = 0; i < entryCount; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "\"ix%03zu\", \"/data/ix%03zu\"\r\n", i, i);
    s += line;
  }
  return s;
}

}  // namespace

TEST_F(IndexLibraryTest, ChangesRewriteTheFileSortedByName) {
  IndexLibrary lib(dir_.path(), &reporter_);
  ASSERT_EQ(0, lib.open(""));
  ASSERT_EQ(libFile(), lib.filePath());
  EXPECT_EQ("Lexaurum Index Library\r\n0\r\n", testsupport::readFile(libFile()));
  ASSERT_EQ(0, lib.add("  Mail ", "/srv//mail/./2024/../archive/"));
  ASSERT_EQ(0, lib.add("Letters", "/home/ann/letters"));
  ASSERT_EQ(0, lib.add("letters", "/home/ann/lower"));
  EXPECT_EQ(-1, lib.add("Mail", "/elsewhere")) << "names are unique";
  EXPECT_EQ(
      "Lexaurum Index Library\r\n3\r\n"
      "\"Letters\", \"/home/ann/letters\"\r\n"
      "\"Mail\", \"/srv/mail/archive\"\r\n"
      "\"letters\", \"/home/ann/lower\"\r\n",
      testsupport::readFile(libFile()));
  EXPECT_EQ(1, lib.entry(1)->selected) << "the first index added is selected";
  EXPECT_EQ(0, lib.entry(0)->selected);
  EXPECT_EQ("Lexaurum", lib.entry(0)->owner);

  IndexLibrary again(dir_.path(), &reporter_);
  ASSERT_EQ(0, again.open("IXLIB.ILB"));
  ASSERT_EQ(3u, again.count());
  EXPECT_EQ("letters", again.entry(2)->name);
  EXPECT_EQ("/srv/mail/archive", again.entry(1)->path);
}

TEST_F(IndexLibraryTest, CapacityIsOneHundred) {
  testsupport::writeFile(libFile(), libraryText(150, 150));
  IndexLibrary lib(dir_.path(), &reporter_);
  ASSERT_EQ(0, lib.open(""));
  EXPECT_EQ(100u, lib.count());
  EXPECT_EQ("ix099", lib.entry(99)->name);
  EXPECT_EQ(-1, lib.add("one more", "/x"));
  EXPECT_EQ(-1, lib.addTemporary("one more", "/x", "Other"));
  ASSERT_EQ(0, lib.remove("ix000"));
  EXPECT_EQ(0, lib.add("one more", "/x"));
}

TEST_F(IndexLibraryTest, TemporaryEntriesAreNeverWritten) {
  IndexLibrary lib(dir_.path(), &reporter_);
  ASSERT_EQ(0, lib.open(""));
  ASSERT_EQ(0, lib.add("b", "/b"));
  ASSERT_EQ(0, lib.addTemporary("a", "/borrowed/a", "Other"));
  EXPECT_EQ(1, lib.addTemporary("a", "/borrowed/a", "Other")) << "position + 1 when present";
  ASSERT_EQ(0, lib.add("c", "/c"));
  EXPECT_EQ(3u, lib.count());
  EXPECT_EQ(1u, lib.temporaryCount());
  EXPECT_EQ("Lexaurum Index Library\r\n2\r\n\"b\", \"/b\"\r\n\"c\", \"/c\"\r\n",
            testsupport::readFile(libFile()));
  ASSERT_EQ(0, lib.remove("a"));
  EXPECT_EQ(0u, lib.temporaryCount());
}

TEST_F(IndexLibraryTest, UnstorableNamesAndPathsAreRefused) {
  IndexLibrary lib(dir_.path(), &reporter_);
  ASSERT_EQ(0, lib.open(""));
  ASSERT_EQ(0, lib.add("ok", "/ok"));
  std::string before = testsupport::readFile(libFile());
  EXPECT_EQ(-1, lib.add("say \"hi\"", "/x"));
  EXPECT_EQ(-1, lib.add("two\nlines", "/x"));
  EXPECT_EQ(-1, lib.add("   ", "/x"));
  EXPECT_EQ(-1, lib.add("quote in path", "/a\"b"));
  EXPECT_EQ(-1, lib.add("cr in path", "/a\rb"));
  EXPECT_EQ(-1, lib.add("long path", "/" + std::string(600, 'p')));
  EXPECT_EQ(-1, lib.rename("ok", "bad\"name"));
  EXPECT_EQ(1u, lib.count());
  EXPECT_EQ(before, testsupport::readFile(libFile()));
}

TEST_F(IndexLibraryTest, RenameKeepsTheCurrentEntryAcrossTheSort) {
  IndexLibrary lib(dir_.path(), &reporter_);
  ASSERT_EQ(0, lib.open(""));
  ASSERT_EQ(0, lib.add("alpha", "/a"));
  ASSERT_EQ(0, lib.add("beta", "/b"));
  ASSERT_EQ(0, lib.setCurrentEntry("alpha"));
  ASSERT_EQ(0, lib.rename("alpha", "  zeta" + std::string(50, 'z')));
  ASSERT_NE(nullptr, lib.currentEntry());
  EXPECT_EQ(39u, lib.currentEntry()->name.size());
  EXPECT_EQ("/a", lib.currentEntry()->path);
  EXPECT_EQ(2, lib.find(lib.currentEntry()->name));
  EXPECT_EQ(-1, lib.rename("beta", lib.currentEntry()->name)) << "would duplicate a name";
  EXPECT_EQ(-1, lib.rename("gamma", "delta"));
  EXPECT_TRUE(shown(54));
  EXPECT_EQ(-1, lib.remove("gamma"));
}

TEST_F(IndexLibraryTest, FailedWriteKeepsTheChangeAndRetries) {
  testsupport::TempDir other;
  std::string sub = other.file("libs");
  std::filesystem::create_directory(sub);
  IndexLibrary lib(sub, &reporter_);
  ASSERT_EQ(0, lib.open("mine.ilb"));
  std::filesystem::remove_all(sub);
  EXPECT_EQ(0, lib.add("kept", "/k"));
  EXPECT_TRUE(shown(49));
  EXPECT_TRUE(lib.mustSave());
  std::filesystem::create_directory(sub);
  ASSERT_EQ(0, lib.add("next", "/n"));
  EXPECT_FALSE(lib.mustSave());
  EXPECT_NE(std::string::npos, testsupport::readFile(sub + "/mine.ilb").find("\"kept\""));
}

TEST_F(IndexLibraryTest, OpenFallsBackWithoutOverwritingADamagedFile) {
  testsupport::writeFile(dir_.file("mine.ilb"), "not a library\r\n");
  testsupport::writeFile(libFile(), libraryText(2, 2));
  IndexLibrary lib(dir_.path(), &reporter_);
  gAnswer = 0;
  ASSERT_EQ(0, lib.open("mine.ilb"));
  EXPECT_EQ(1, gAskCount);
  EXPECT_EQ(libFile(), lib.filePath());
  EXPECT_EQ(2u, lib.count());
  EXPECT_EQ("not a library\r\n", testsupport::readFile(dir_.file("mine.ilb")));

  testsupport::writeFile(libFile(), "Lexaurum Index Library\r\ntwo\r\n\"a\", \"/a\"\r\n");
  IndexLibrary damaged(dir_.path(), &reporter_);
  EXPECT_EQ(-1, damaged.open(""));
  EXPECT_TRUE(shown(50));
  EXPECT_EQ(0, damaged.add("x", "/x"));
  EXPECT_NE(std::string::npos, testsupport::readFile(libFile()).find("two"))
      << "a file the user chose to keep was overwritten";
}

TEST_F(IndexLibraryTest, SwitchAndCreate) {
  testsupport::writeFile(dir_.file("other.ilb"), libraryText(3, 3));
  IndexLibrary lib(dir_.path(), &reporter_);
  ASSERT_EQ(0, lib.open(""));
  ASSERT_EQ(0, lib.add("home", "/home"));
  EXPECT_EQ(-1, lib.switchTo("absent.ilb"));
  EXPECT_TRUE(shown(51));
  EXPECT_EQ(1u, lib.count());
  ASSERT_EQ(0, lib.switchTo(dir_.file("other.ilb")));
  EXPECT_TRUE(shown(110));
  EXPECT_EQ(3u, lib.count());

  gAnswer = 0;
  EXPECT_EQ(-1, lib.create("IXLIB.ILB", false)) << "answered no to replacing the file";
  EXPECT_EQ(3u, lib.count());
  EXPECT_NE(std::string::npos, testsupport::readFile(libFile()).find("home"));
  gAnswer = 1;
  ASSERT_EQ(0, lib.create("IXLIB.ILB", false));
  EXPECT_TRUE(shown(111));
  EXPECT_EQ(0u, lib.count());
  EXPECT_EQ("Lexaurum Index Library\r\n0\r\n", testsupport::readFile(libFile()));
}

TEST_F(IndexLibraryTest, SelectedPaths) {
  IndexLibrary lib(dir_.path(), &reporter_);
  ASSERT_EQ(0, lib.open(""));
  ASSERT_EQ(0, lib.add("a", "/aaaa"));
  ASSERT_EQ(0, lib.add("b", "/bb"));
  ASSERT_EQ(0, lib.add("c", "/cccccc"));
  ASSERT_EQ(0, lib.setSelected("c", 1));
  ASSERT_EQ(0, lib.setSelected("b", 1));
  char buf[13];
  EXPECT_EQ(2, lib.selectedPaths(buf, sizeof buf));
  EXPECT_STREQ("/aaaa,/bb", buf) << "stops before the first path that does not fit";
  EXPECT_EQ(0, lib.selectedPaths(buf, 0));
  ASSERT_EQ(0, lib.writeSelectedPaths("SRCHIX.DAT"));
  EXPECT_EQ("/aaaa\r\n/bb\r\n/cccccc\r\n", testsupport::readFile(dir_.file("SRCHIX.DAT")));
}

TEST_F(IndexLibraryTest, ReadingSkipsBadLines) {
  std::string text =
      "Lexaurum Index Library\n9\n"
      "\"plain\", \"/p\"\n"
      "unquoted , /u \n"
      "\"no path\"\n"
      "\"open quote, \"/x\"\n"
      "\"plain\", \"/duplicate\"\n"
      "\"" + std::string(45, 'n') + "\", \"/cut\"\n"
      "\"long path\", \"/" + std::string(520, 'p') + "\"\n";
  IndexLibrary lib(dir_.path(), &reporter_);
  ASSERT_EQ(0, lib.parse(text.data(), text.size()));
  ASSERT_EQ(3u, lib.count());
  EXPECT_EQ(std::string(39, 'n'), lib.entry(0)->name);
  EXPECT_EQ("/p", lib.entry(1)->path);
  EXPECT_EQ("unquoted", lib.entry(2)->name);
  EXPECT_EQ("/u", lib.entry(2)->path);
}

TEST_F(IndexLibraryTest, NormalisePath) {
  EXPECT_EQ("/", IndexLibrary::normalisePath("/"));
  EXPECT_EQ("/", IndexLibrary::normalisePath("/../.."));
  EXPECT_EQ("/a/c", IndexLibrary::normalisePath("//a/./b/../c//"));
  EXPECT_EQ(IndexLibrary::normalisePath(platform::currentDirectory()) + "/x",
            IndexLibrary::normalisePath("./x/"));
}

TEST_F(IndexLibraryTest, DamagedFilesNeverCrash) {
  const std::string good = libraryText(3, 3);
  IndexLibrary lib(dir_.path(), &reporter_);
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    int rc = lib.parse(good.data(), cut);
    // Only the count line's presence decides: the title and "3" must be complete.
    EXPECT_EQ(cut < 25 ? -1 : 0, rc) << "cut at " << cut;
    EXPECT_LE(lib.count(), 3u);
  }
  for (size_t i = 0; i < good.size(); ++i) {
    for (char flip : {'\0', '\n', '"', ',', '9', '\xff'}) {
      std::string bad = good;
      bad[i] = flip;
      if (lib.parse(bad.data(), bad.size()) == 0) {
        EXPECT_LE(lib.count(), 3u);
        for (size_t k = 0; k < lib.count(); ++k) EXPECT_FALSE(lib.entry(k)->name.empty());
      }
    }
  }
}

