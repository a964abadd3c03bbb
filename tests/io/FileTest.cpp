// Tests of File: reads at the end, writes and cuts, the 2 GiB limit, suspend and commit
// without re-truncation, sharing between two Files of one process, file times and the
// last-access restoration, and the trace lines of failures.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "io/File.h"
#include "io/FileMode.h"
#include "tests/io/IoFixture.h"

namespace {

using namespace filemode;

class FileTest : public IoFixture {
 protected:
  void SetUp() override {
    IoFixture::SetUp();
    path_ = dir_.file("twenty.bin");
    testsupport::writeFile(path_, "ABCDEFGHIJKLMNOPQRST");
  }
  // Pushes the file's last-access time into the past, where relatime would refresh it.
  void ageAccessTime() {
    ASSERT_EQ(0, platform::setAccessTime(path_.c_str(), kOldAccess));
  }
  int64_t accessSeconds() {
    platform::FileTimes t;
    EXPECT_EQ(0, platform::fileTimesByName(path_.c_str(), &t));
    return t.lastAccess.seconds;
  }
  static constexpr platform::FileTime kOldAccess{978307200, 0};  // 2001-01-01
  std::string path_;
};

TEST_F(FileTest, ReadAcrossTheEndZeroFillsAndAdvancesByTheRequest) {
  File f;
  ASSERT_EQ(0, f.open(path_.c_str(), kRead));
  ASSERT_EQ(0, f.seek(16));
  char buf[10];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(4, f.read(buf, 10));
  EXPECT_EQ(0, std::memcmp(buf, "QRST\0\0\0\0\0\0", 10));
  EXPECT_EQ(26, f.tell());
  // At or past the end a read fails and hands back zeros.
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(-1, f.read(buf, 10));
  EXPECT_EQ(0, std::memcmp(buf, "\0\0\0\0\0\0\0\0\0\0", 10));
  f.release();
}

TEST_F(FileTest, WritesGrowTheLengthAndSetLengthOnlyCuts) {
  File f;
  ASSERT_EQ(0, f.open(path_.c_str(), kRead | kWrite));
  ASSERT_EQ(0, f.seek(18));
  EXPECT_EQ(4, f.write("wxyz", 4));
  EXPECT_EQ(22, f.getLength());
  EXPECT_EQ(-1, f.setLength(30));  // never extends
  ASSERT_EQ(0, f.setLength(5));
  EXPECT_EQ(5, f.tell());
  EXPECT_EQ(5, f.getLength());
  f.release();
  EXPECT_EQ("ABCDE", testsupport::readFile(path_));

  File reader;
  ASSERT_EQ(0, reader.open(path_.c_str(), kRead));
  EXPECT_EQ(-1, reader.write("q", 1));
  EXPECT_EQ(-1, reader.setLength(0));
  reader.release();
}

// The layer counts in signed 32-bit sizes: a longer file is refused rather than wrapped.
TEST_F(FileTest, FilesOf2GiBAreRefusedAndWritesStopBelowIt) {
  std::string big = dir_.file("big.bin");
  int fd = ::open(big.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(0, ::ftruncate(fd, int64_t{INT32_MAX} + 1));  // sparse
  ::close(fd);
  File f;
  EXPECT_EQ(-1, f.open(big.c_str(), kRead));
  EXPECT_EQ(platform::kErrFileTooLarge, platform::lastError());
  EXPECT_FALSE(f.isOpen());

  File g;
  ASSERT_EQ(0, g.open(path_.c_str(), kRead | kWrite));
  ASSERT_EQ(0, g.seek(INT32_MAX - 2));
  EXPECT_EQ(-1, g.write("abcd", 4));
  EXPECT_EQ(20, g.getLength());
  g.release();
}

TEST_F(FileTest, CommitAndResumeOfATruncatingOpenNeverEmptyTheFileAgain) {
  File f;
  ASSERT_EQ(0, f.open(path_.c_str(), kRead | kWrite | kCreate | kTruncate));
  EXPECT_EQ(0, f.getLength());
  ASSERT_EQ(5, f.write("hello", 5));
  ASSERT_EQ(0, f.commit());
  EXPECT_EQ("hello", testsupport::readFile(path_));
  ASSERT_EQ(0, f.suspend());
  EXPECT_EQ(-1, f.suspend());  // already suspended
  ASSERT_EQ(0, f.seek(5));     // resumes
  EXPECT_FALSE(f.isSuspended());
  EXPECT_EQ(5, f.getLength());
  ASSERT_EQ(6, f.write(" world", 6));
  f.release();
  EXPECT_EQ("hello world", testsupport::readFile(path_));
}

TEST_F(FileTest, SuspendAllClosesHandlesAndFilesResumeTransparently) {
  File a, b, idle;
  ASSERT_EQ(0, a.open(path_.c_str(), kRead | kDenyNone));
  ASSERT_EQ(0, b.open(path_.c_str(), kRead | kDenyNone));
  a.addRef();
  b.addRef();
  std::string before = File::listing();
  EXPECT_NE(std::string::npos, before.find("\"" + path_ + "\"\n"));
  EXPECT_NE(std::string::npos, before.find("\"\" [Closed]\n"));  // the idle File

  int fds = testsupport::openDescriptorCount();
  EXPECT_GE(File::suspendAll(), 2);
  EXPECT_EQ(fds - 2, testsupport::openDescriptorCount());
  std::string during = File::listing();
  EXPECT_NE(std::string::npos, during.find("\"" + path_ + "\" [Closed]\n"));
  size_t opens = during.find("\nOpens: "), closes = during.find("\nCloses: ");
  ASSERT_NE(std::string::npos, opens);
  ASSERT_NE(std::string::npos, closes);
  EXPECT_LT(opens, closes);

  char buf[3];
  ASSERT_EQ(0, a.seek(7));
  EXPECT_EQ(3, a.read(buf, 3));
  EXPECT_EQ(0, std::memcmp(buf, "HIJ", 3));
  EXPECT_TRUE(b.isSuspended());
  EXPECT_EQ(0, b.release());
  EXPECT_FALSE(b.isOpen());
  EXPECT_EQ(0, a.release());
}

// Two opens in one process obey the same sharing rules as two processes.
TEST_F(FileTest, SharingIsEnforcedBetweenFilesOfOneProcess) {
  File writer;
  ASSERT_EQ(0, writer.open(path_.c_str(), kRead | kWrite | kShareRead));
  File second;
  EXPECT_EQ(-1, second.open(path_.c_str(), kRead | kWrite | kShareRead));
  EXPECT_EQ(platform::kErrAccessDenied, platform::lastError());
  // A plain reader denies writing, which the writer already does.
  EXPECT_EQ(-1, second.open(path_.c_str(), kRead));
  File lenient;
  EXPECT_EQ(0, lenient.open(path_.c_str(), kRead | kDenyNone));
  lenient.release();
  writer.release();
  EXPECT_EQ(0, second.open(path_.c_str(), kRead | kWrite));
  second.release();
}

TEST_F(FileTest, SetTimeStoresTheDosDateAsWriteTime) {
  File f;
  ASSERT_EQ(0, f.open(path_.c_str(), kRead | kWrite));
  dosdate::DosDateTime date = dosdate::make((21 << 9) | (6 << 5) | 15, (10 << 11) | (30 << 5));
  ASSERT_EQ(0, f.setTime(date));
  f.release();
  File g;
  ASSERT_EQ(0, g.open(path_.c_str(), kRead));
  EXPECT_EQ(date, g.lastWriteTime());
  EXPECT_EQ(-1, g.setTime(0));  // not a date
  EXPECT_TRUE(traced("SetFileTime(" + path_ + ", 0) failed.  GetLastError() = 87"));
  g.release();
}

TEST_F(FileTest, ReadingOpenKeepsTheLastAccessTimeAfterClose) {
  ageAccessTime();
  {
    File f;
    ASSERT_EQ(0, f.open(path_.c_str(), kRead));
    char buf[20];
    EXPECT_EQ(20, f.read(buf, 20));
    f.release();
  }
  EXPECT_EQ(kOldAccess.seconds, accessSeconds());

  // Also through a suspend, which closes the handle in between, and on a read-only file.
  ASSERT_EQ(0, platform::setReadOnly(path_.c_str(), true));
  ageAccessTime();
  {
    File f;
    ASSERT_EQ(0, f.open(path_.c_str(), kRead));
    char buf[20];
    EXPECT_EQ(20, f.read(buf, 20));
    ASSERT_EQ(0, f.suspend());
    ASSERT_EQ(0, f.seek(0));
    EXPECT_EQ(20, f.read(buf, 20));
  }  // the destructor closes
  EXPECT_EQ(kOldAccess.seconds, accessSeconds());
  EXPECT_EQ(1, platform::isReadOnly(path_.c_str()));
  ASSERT_EQ(0, platform::setReadOnly(path_.c_str(), false));

  // A read that leaves the time alone (relatime: it is after the last write) changes nothing,
  // not even the status-change time that backup tools go by.
  platform::FileTimes written;
  ASSERT_EQ(0, platform::fileTimesByName(path_.c_str(), &written));
  ASSERT_EQ(0, platform::setAccessTime(path_.c_str(), platform::FileTime{written.lastWrite.seconds + 60, 0}));
  struct stat before{}, after{};
  ASSERT_EQ(0, ::stat(path_.c_str(), &before));
  usleep(20000);
  {
    File f;
    ASSERT_EQ(0, f.open(path_.c_str(), kRead));
    char buf[20];
    EXPECT_EQ(20, f.read(buf, 20));
  }
  ASSERT_EQ(0, ::stat(path_.c_str(), &after));
  EXPECT_EQ(before.st_atim.tv_sec, after.st_atim.tv_sec);
  EXPECT_EQ(before.st_ctim.tv_nsec, after.st_ctim.tv_nsec) << "the status-change time moved";
}

TEST_F(FileTest, FailedAndShortSystemCallsAreReported) {
  File f;
  ASSERT_EQ(0, f.open(path_.c_str(), kRead | kWrite));
  platform::FaultPlan plan;
  plan.failWriteAt = 1;
  plan.shortReadAt = 1;
  plan.shortReadBytes = 3;
  plan.errorCode = platform::kErrDiskFull;
  platform::setFaultPlan(plan);
  EXPECT_EQ(-1, f.write("abcd", 4));
  EXPECT_TRUE(traced("File::os_write(4) failed.  Errno = 112"));
  EXPECT_EQ(0, f.tell());
  char buf[8];
  EXPECT_EQ(3, f.read(buf, 8));
  EXPECT_EQ(0, std::memcmp(buf, "ABC\0\0\0\0\0", 8));
  EXPECT_EQ(-1, f.seek(-1));
  EXPECT_TRUE(traced("File::seek(-1) failed.  Errno = 87"));
  f.release();

  File missing;
  EXPECT_EQ(-1, missing.open(dir_.file("none.bin").c_str(), kRead));
  EXPECT_EQ(platform::kErrFileNotFound, platform::lastError());
}

}  // namespace
