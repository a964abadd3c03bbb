// Tests of LockFile: the text it leaves, the flags of a failed lock, release versus
// release-and-delete, a lock whose file was deleted under it, and the lock held by another process, also after that process is
// killed.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "io/FileMode.h"
#include "io/LockFile.h"
#include "tests/io/IoFixture.h"

namespace {

using namespace filemode;

// An index writer's lock: readers may come, other writers may not.
constexpr int kWriterLock = kRead | kWrite | kCreate | kShareRead;
// A reader's lock: lets the writer go on writing.
constexpr int kReaderLock = kRead | kDenyNone;

class LockFileTest : public IoFixture {
 protected:
  std::string lockPath() { return dir_.file("IN_USE.TMP"); }
};

TEST_F(LockFileTest, WriterLeavesTitleAndUserName) {
  testsupport::writeFile(lockPath(), "an older and much longer lock text\n");
  {
    LockFile lock("maria", lockPath().c_str(), kWriterLock);
    ASSERT_TRUE(lock.isLocked());
    EXPECT_EQ("Lexaurum Lock File\nmaria\n", testsupport::readFile(lockPath()));
  }
  {
    LockFile lock("", lockPath().c_str(), kWriterLock);
    ASSERT_TRUE(lock.isLocked());
  }
  EXPECT_EQ("Lexaurum Lock File\nNo user specified\n", testsupport::readFile(lockPath()));
  LockFile reader(nullptr, lockPath().c_str(), kReaderLock);
  ASSERT_TRUE(reader.isLocked());
  EXPECT_EQ("Lexaurum Lock File\nNo user specified\n", testsupport::readFile(lockPath()));
}

TEST_F(LockFileTest, SecondWriterIsDeniedAndReleaseKeepsTheFile) {
  LockFile first("a", lockPath().c_str(), kWriterLock);
  ASSERT_TRUE(first.isLocked());
  LockFile second("b", lockPath().c_str(), kWriterLock);
  EXPECT_FALSE(second.isLocked());
  EXPECT_EQ(platform::kErrAccessDenied, second.error());
  EXPECT_TRUE(second.accessDenied());
  EXPECT_FALSE(second.notFound());
  EXPECT_EQ("Lexaurum Lock File\na\n", testsupport::readFile(lockPath()));
  LockFile reader("c", lockPath().c_str(), kReaderLock);
  EXPECT_TRUE(reader.isLocked());

  EXPECT_EQ(0, first.release());
  EXPECT_TRUE(testsupport::exists(lockPath()));
  EXPECT_EQ(0, reader.releaseAndDelete());
  EXPECT_FALSE(testsupport::exists(lockPath()));

  LockFile missing("d", lockPath().c_str(), kReaderLock);
  EXPECT_FALSE(missing.isLocked());
  EXPECT_TRUE(missing.notFound());
  EXPECT_FALSE(missing.accessDenied());
  LockFile noFolder("d", dir_.file("gone/IN_USE.TMP").c_str(), kWriterLock);
  EXPECT_EQ(platform::kErrPathNotFound, noFolder.error());
  EXPECT_FALSE(noFolder.notFound() || noFolder.accessDenied());
}

// The race of the private folder's lock: a lock whose file was deleted under it (its holder
// let go after this open found the file) keeps no one out, and says so; the next lock makes
// a new file and holds its name.
TEST_F(LockFileTest, ALockOnADeletedFileDoesNotHoldItsName) {
  LockFile stale("a", lockPath().c_str(), kWriterLock);
  ASSERT_TRUE(stale.isLocked());
  EXPECT_TRUE(stale.holdsName());
  ASSERT_EQ(0, platform::removeFile(lockPath().c_str()));
  EXPECT_FALSE(stale.holdsName());
  LockFile fresh("b", lockPath().c_str(), kWriterLock);
  ASSERT_TRUE(fresh.isLocked()) << "the deleted file keeps no one out";
  EXPECT_TRUE(fresh.holdsName());
  EXPECT_EQ(0, fresh.releaseAndDelete());
  EXPECT_FALSE(testsupport::exists(lockPath()));
}

TEST_F(LockFileTest, UnwritableLockTextStillHoldsTheLock) {
  platform::FaultPlan plan;
  plan.failWriteAt = 1;
  platform::setFaultPlan(plan);
  LockFile lock("a", lockPath().c_str(), kWriterLock);
  EXPECT_TRUE(lock.isLocked());
  EXPECT_TRUE(lock.textFailed());
  LockFile second("b", lockPath().c_str(), kWriterLock);
  EXPECT_TRUE(second.accessDenied());
}

// A lock held by another process keeps writers out but lets readers in, and goes away with
// that process even when it is killed.
TEST_F(LockFileTest, LockOfAnotherProcessHoldsUntilItIsKilled) {
  int ready[2];
  ASSERT_EQ(0, ::pipe2(ready, O_CLOEXEC));
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ready[0]);
    LockFile lock("holder", lockPath().c_str(), kWriterLock);
    char state = lock.isLocked() ? 'L' : 'F';
    if (::write(ready[1], &state, 1) != 1) ::_exit(2);
    for (;;) ::pause();  // held until killed
  }
  ::close(ready[1]);
  char state = 0;
  ASSERT_EQ(1, ::read(ready[0], &state, 1));
  ::close(ready[0]);
  ASSERT_EQ('L', state);

  {
    LockFile writer("second", lockPath().c_str(), kWriterLock);
    EXPECT_FALSE(writer.isLocked());
    EXPECT_TRUE(writer.accessDenied());
    EXPECT_EQ(platform::kErrAccessDenied, writer.error());
    LockFile reader("reader", lockPath().c_str(), kReaderLock);
    EXPECT_TRUE(reader.isLocked());
    EXPECT_EQ("Lexaurum Lock File\nholder\n", testsupport::readFile(lockPath()));
  }

  ASSERT_EQ(0, ::kill(child, SIGKILL));
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  EXPECT_TRUE(WIFSIGNALED(status));

  LockFile after("after", lockPath().c_str(), kWriterLock);
  EXPECT_TRUE(after.isLocked());
  EXPECT_EQ("Lexaurum Lock File\nafter\n", testsupport::readFile(lockPath()));
}

}  // namespace
