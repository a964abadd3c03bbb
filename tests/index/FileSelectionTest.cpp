// The file walk of an index job: patterns, excluded folders, link loops, and files that are
// not plain files.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "index/FileSelection.h"
#include "platform/Platform.h"
#include "tests/support/TempDir.h"

namespace {

std::vector<std::string> walk(const FileSet& fileSet, const std::string& root) {
  FileSelection s(fileSet);
  std::vector<std::string> names;
  EXPECT_EQ(0, s.walk([&](const FoundFile& f) {
    names.push_back(f.name.substr(root.size() + 1));
    return 0;
  }, [] { return false; }));
  return names;
}

}  // namespace

TEST(FileSelectionTest, PatternsExcludedFoldersLinkLoopsAndSpecialFiles) {
  testsupport::TempDir dir;
  std::string root = dir.file("docs");
  platform::makeDirectories((root + "/sub/deeper").c_str());
  platform::makeDirectories((root + "/.git").c_str());
  for (const char* f : {"a.txt", "B.TXT", "c.log", "sub/d.txt", "sub/deeper/e.txt", ".git/f.txt"})
    testsupport::writeFile(root + "/" + f, "x\n");
  ASSERT_EQ(0, symlink(root.c_str(), (root + "/sub/loop").c_str()));  // a loop back to the top
  ASSERT_EQ(0, symlink((root + "/nowhere").c_str(), (root + "/dangling.txt").c_str()));
  ASSERT_EQ(0, mkfifo((root + "/pipe.txt").c_str(), 0600));

  FileSet fileSet;
  fileSet.folders = {root};
  fileSet.includes = {"*.txt"};
  fileSet.excludes = {".git"};
  // Name order, files before subfolders; letters of patterns match either case; the loop,
  // the dangling link and the pipe are left out.
  EXPECT_EQ((std::vector<std::string>{"B.TXT", "a.txt", "sub/d.txt", "sub/deeper/e.txt"}), walk(fileSet, root));

  fileSet.includes.clear();
  fileSet.excludes = {"*.log", "deeper"};
  fileSet.files = {root + "/sub/deeper/e.txt", root + "/c.log"};
  std::vector<std::string> all = walk(fileSet, root);
  // A named file passes the name filters but not the folder ones; c.log stays out.
  EXPECT_EQ((std::vector<std::string>{"B.TXT", "a.txt", ".git/f.txt", "sub/d.txt", "sub/deeper/e.txt"}), all);
}

TEST(FileSelectionTest, ListFilesGiveFoldersAndFilesAndPatternsSplit) {
  testsupport::TempDir dir;
  testsupport::writeFile(dir.file("folders.lst"), "/data/one\r\n\n  /data/two  \n");
  testsupport::writeFile(dir.file("files.lst"), "/data/x.txt\n");
  FileSpec record;
  record.directory = "/data/zero/";
  record.directoryListName = dir.file("folders.lst");
  record.filesListName = dir.file("files.lst");
  FileSet fileSet;
  std::string error;
  ASSERT_EQ(0, fileSetOf(record, &fileSet, &error));
  EXPECT_EQ((std::vector<std::string>{"/data/zero", "/data/one", "/data/two"}), fileSet.folders);
  EXPECT_EQ((std::vector<std::string>{"/data/x.txt"}), fileSet.files);
  record.filesListName = dir.file("missing.lst");
  EXPECT_EQ(-1, fileSetOf(record, &fileSet, &error));
  EXPECT_NE(std::string::npos, error.find("missing.lst"));
}
