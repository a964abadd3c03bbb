// Tests of the platform file layer: sharing modes between opens, error numbers, truncation
// only after the sharing check, the read-only attribute, file times, the fault plan, and the
// folder calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "platform/FaultInjection.h"
#include "platform/Platform.h"
#include "tests/support/TempDir.h"

namespace {

using platform::Disposition;
using platform::FileHandle;
using platform::OpenRequest;

OpenRequest req(bool read, bool write, bool shareRead, bool shareWrite,
                Disposition d = Disposition::OpenExisting) {
  OpenRequest r;
  r.read = read;
  r.write = write;
  r.shareRead = shareRead;
  r.shareWrite = shareWrite;
  r.disposition = d;
  return r;
}

class PosixFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fdsBefore_ = testsupport::openDescriptorCount();
    path_ = dir_.file("data.bin");
    testsupport::writeFile(path_, "0123456789");
  }
  void TearDown() override {
    platform::clearFaultPlan();
    EXPECT_EQ(fdsBefore_, testsupport::openDescriptorCount()) << "descriptor leaked";
  }
  FileHandle open(const OpenRequest& r) { return platform::openFile(path_.c_str(), r); }

  testsupport::TempDir dir_;
  std::string path_;
  int fdsBefore_ = 0;
};

// The Windows rule: the second open succeeds iff its access is allowed by the first's share
// mode and the first's access is allowed by its share mode.
TEST_F(PosixFileTest, SharingMatrixFollowsTheWindowsRule) {
  struct Mode {
    bool read, write, shareRead, shareWrite;
  };
  std::vector<Mode> modes;
  for (int bits = 0; bits < 16; ++bits) {
    Mode m{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
    if (m.read || m.write) modes.push_back(m);
  }
  for (const Mode& a : modes) {
    for (const Mode& b : modes) {
      FileHandle first = open(req(a.read, a.write, a.shareRead, a.shareWrite));
      ASSERT_NE(first, platform::kInvalidHandle);
      bool allowed = (!b.read || a.shareRead) && (!b.write || a.shareWrite) &&
                     (!a.read || b.shareRead) && (!a.write || b.shareWrite);
      FileHandle second = open(req(b.read, b.write, b.shareRead, b.shareWrite));
      SCOPED_TRACE(testing::Message() << "first r" << a.read << " w" << a.write << " sr"
                                      << a.shareRead << " sw" << a.shareWrite << ", second r"
                                      << b.read << " w" << b.write << " sr" << b.shareRead
                                      << " sw" << b.shareWrite);
      EXPECT_EQ(allowed, second != platform::kInvalidHandle);
      if (second != platform::kInvalidHandle) {
        EXPECT_EQ(0, platform::closeFile(second));
      } else {
        EXPECT_EQ(platform::kErrAccessDenied, platform::lastError());
      }
      EXPECT_EQ(0, platform::closeFile(first));
    }
  }
}

TEST_F(PosixFileTest, SharingMarksVanishWithTheHandle) {
  FileHandle writer = open(req(true, true, false, false));
  ASSERT_NE(writer, platform::kInvalidHandle);
  EXPECT_EQ(platform::kInvalidHandle, open(req(true, false, true, true)));
  ASSERT_EQ(0, platform::closeFile(writer));
  FileHandle again = open(req(true, true, false, false));
  ASSERT_NE(again, platform::kInvalidHandle);
  platform::closeFile(again);
}

// A truncating open that the sharing check refuses must not have emptied the file first.
TEST_F(PosixFileTest, RefusedTruncatingOpenLeavesDataAlone) {
  FileHandle reader = open(req(true, false, true, false));
  ASSERT_NE(reader, platform::kInvalidHandle);
  EXPECT_EQ(platform::kInvalidHandle, open(req(false, true, true, true, Disposition::CreateAlways)));
  EXPECT_EQ(platform::kErrAccessDenied, platform::lastError());
  EXPECT_EQ("0123456789", testsupport::readFile(path_));
  platform::closeFile(reader);
}

TEST_F(PosixFileTest, DispositionsAndMissingNames) {
  std::string fresh = dir_.file("fresh.bin");
  EXPECT_EQ(platform::kInvalidHandle, platform::openFile(fresh.c_str(), req(true, false, true, false)));
  EXPECT_EQ(platform::kErrFileNotFound, platform::lastError());
  std::string noFolder = dir_.file("nowhere/file.bin");
  EXPECT_EQ(platform::kInvalidHandle,
            platform::openFile(noFolder.c_str(), req(true, true, true, false, Disposition::OpenAlways)));
  EXPECT_EQ(platform::kErrPathNotFound, platform::lastError());
  // A folder is not a file.
  EXPECT_EQ(platform::kInvalidHandle, platform::openFile(dir_.path().c_str(), req(true, false, true, true)));
  EXPECT_EQ(platform::kErrAccessDenied, platform::lastError());

  FileHandle h = platform::openFile(fresh.c_str(), req(true, true, false, false, Disposition::OpenAlways));
  ASSERT_NE(h, platform::kInvalidHandle);
  EXPECT_EQ(4, platform::writeAt(h, "abcd", 4, 0));
  platform::closeFile(h);
  h = platform::openFile(fresh.c_str(), req(true, true, false, false, Disposition::TruncateExisting));
  ASSERT_NE(h, platform::kInvalidHandle);
  EXPECT_EQ(0, platform::fileLength(h));
  platform::closeFile(h);
}

TEST_F(PosixFileTest, ReadOnlyAttributeRefusesWritersEvenForRoot) {
  ASSERT_EQ(0, platform::setReadOnly(path_.c_str(), true));
  EXPECT_EQ(1, platform::isReadOnly(path_.c_str()));
  EXPECT_EQ(platform::kInvalidHandle, open(req(true, true, true, true)));
  EXPECT_EQ(platform::kErrAccessDenied, platform::lastError());
  FileHandle reader = open(req(true, false, true, true));
  EXPECT_NE(reader, platform::kInvalidHandle);
  platform::closeFile(reader);
  ASSERT_EQ(0, platform::setReadOnly(path_.c_str(), false));
  EXPECT_EQ(0, platform::isReadOnly(path_.c_str()));
  EXPECT_EQ(-1, platform::isReadOnly(dir_.file("missing").c_str()));
}

TEST_F(PosixFileTest, AccessTimeIsPutBackWithoutTouchingWriteTime) {
  platform::FileTime oldWrite{1000000000, 0}, oldAccess{1100000000, 0};
  ASSERT_EQ(0, platform::setWriteTime(path_.c_str(), oldWrite));
  ASSERT_EQ(0, platform::setAccessTime(path_.c_str(), oldAccess));
  platform::FileTimes t;
  ASSERT_EQ(0, platform::fileTimesByName(path_.c_str(), &t));
  EXPECT_EQ(oldWrite.seconds, t.lastWrite.seconds);
  EXPECT_EQ(oldAccess.seconds, t.lastAccess.seconds);
}

TEST_F(PosixFileTest, FaultPlanFailsTheNthWriteAndShortensReads) {
  FileHandle h = open(req(true, true, false, false));
  ASSERT_NE(h, platform::kInvalidHandle);
  platform::FaultPlan plan;
  plan.failWriteAt = 2;
  plan.shortReadAt = 1;
  plan.shortReadBytes = 3;
  plan.errorCode = platform::kErrDiskFull;
  platform::setFaultPlan(plan);
  platform::resetIoCounters();
  char buf[10];
  EXPECT_EQ(3, platform::readAt(h, buf, 10, 0));
  EXPECT_EQ(10, platform::readAt(h, buf, 10, 0));
  EXPECT_EQ(1, platform::writeAt(h, "x", 1, 0));
  EXPECT_EQ(-1, platform::writeAt(h, "y", 1, 1));
  EXPECT_EQ(platform::kErrDiskFull, platform::lastError());
  EXPECT_EQ(1, platform::writeAt(h, "z", 1, 2));
  EXPECT_EQ(2, platform::ioCounters().reads);
  EXPECT_EQ(3, platform::ioCounters().writes);
  platform::closeFile(h);
  EXPECT_EQ("x1z3456789", testsupport::readFile(path_));
}

TEST_F(PosixFileTest, FoldersAreMadeListedAndRemoved) {
  std::string deep = dir_.file("a/b/c");
  ASSERT_EQ(0, platform::makeDirectories(deep.c_str()));
  EXPECT_TRUE(platform::directoryExists(deep.c_str()));
  EXPECT_EQ(0, platform::makeDirectory(deep.c_str()));  // already there
  EXPECT_EQ(-1, platform::makeDirectory(path_.c_str()));  // a file is in the way

  std::vector<platform::DirEntry> entries;
  ASSERT_EQ(0, platform::listDirectory(dir_.path().c_str(), &entries));
  std::sort(entries.begin(), entries.end(),
            [](const auto& x, const auto& y) { return x.name < y.name; });
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ("a", entries[0].name);
  EXPECT_TRUE(entries[0].isDirectory);
  EXPECT_EQ("data.bin", entries[1].name);
  EXPECT_EQ(10, entries[1].size);

  std::string moved = dir_.file("a/moved.bin");
  ASSERT_EQ(0, platform::renameFile(path_.c_str(), moved.c_str()));
  EXPECT_FALSE(platform::fileExists(path_.c_str()));
  EXPECT_EQ(10, platform::fileSizeByName(moved.c_str()));
  EXPECT_EQ(-1, platform::renameFile(moved.c_str(), dir_.file("x/y.bin").c_str()));
  EXPECT_EQ(platform::kErrPathNotFound, platform::lastError());
  EXPECT_EQ(-1, platform::removeDirectory(dir_.file("a").c_str()));  // not empty
  EXPECT_EQ(0, platform::removeFile(moved.c_str()));
  EXPECT_EQ(-1, platform::removeFile(moved.c_str()));
  EXPECT_EQ(platform::kErrFileNotFound, platform::lastError());
  EXPECT_EQ(-1, platform::listDirectory(dir_.file("none").c_str(), &entries));
  EXPECT_EQ(platform::kErrFileNotFound, platform::lastError());

  EXPECT_GT(platform::freeDiskSpace(dir_.file("not-yet-made.bin").c_str()), 0);
  EXPECT_FALSE(platform::executableDirectory().empty());
  // Code and data linked into the test program lie in the program's folder, the C library's
  // code in its own; an address in no loaded file has none.
  EXPECT_EQ(platform::executableDirectory(),
            platform::moduleDirectory(reinterpret_cast<const void*>(&platform::moduleDirectory)));
  std::string libc = platform::moduleDirectory(reinterpret_cast<const void*>(&std::fopen));
  EXPECT_TRUE(!libc.empty() && libc != platform::executableDirectory()) << libc;
  static const char kData[] = "x";
  EXPECT_EQ(platform::executableDirectory(), platform::moduleDirectory(kData));
  EXPECT_EQ("", platform::moduleDirectory(reinterpret_cast<const void*>(uintptr_t{16})));
  EXPECT_TRUE(platform::directoryExists(platform::currentDirectory().c_str()));
}

}  // namespace
