// Tests of the block buffers through IOFile and InputFile: little-endian values across block
// edges, seeks that stay in the block, write-back before a block change, the partial last
// block, reads past the end, block copies, and failures of the file underneath.
#include <gtest/gtest.h>

#include <cstring>

#include "io/FileMode.h"
#include "io/IOFile.h"
#include "io/InputFile.h"
#include "tests/io/IoFixture.h"

namespace {

using namespace filemode;

constexpr int kRW = kRead | kWrite | kCreate;

std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
  return s;
}

class IOBufferTest : public IoFixture {
 protected:
  std::string path(const char* name = "buf.bin") { return dir_.file(name); }
};

TEST_F(IOBufferTest, TypedValuesAreLittleEndianAcrossBlockEdges) {
  IOFile f;
  ASSERT_EQ(0, f.open(path().c_str(), kRW));
  ASSERT_EQ(0, f.seek(510));  // the long straddles the first block edge
  ASSERT_EQ(0, f.writeLong(0x11223344));
  ASSERT_EQ(0, f.writeShort(-2));
  ASSERT_EQ(0, f.writeByte(0xAB));
  EXPECT_EQ(517, f.tell());
  EXPECT_EQ(517, f.getLength());
  ASSERT_EQ(0, f.close());

  std::string data = testsupport::readFile(path());
  ASSERT_EQ(517u, data.size());
  EXPECT_EQ(std::string(510, '\0'), data.substr(0, 510));
  EXPECT_EQ(std::string("\x44\x33\x22\x11\xFE\xFF\xAB", 7), data.substr(510));

  InputFile in;
  ASSERT_EQ(0, in.open(path().c_str()));
  ASSERT_EQ(0, in.seek(510));
  EXPECT_EQ(0x11223344, in.readLong());
  EXPECT_EQ(-2, in.readShort());
  EXPECT_EQ(0xAB, in.readByte());
  EXPECT_FALSE(in.atEnd());
  EXPECT_EQ(0, in.readLong());  // nothing left: zeros and the end flag
  EXPECT_TRUE(in.atEnd());
  EXPECT_EQ(517, in.tell());
  EXPECT_EQ(0, in.close());
}

TEST_F(IOBufferTest, ReadPastTheEndGivesTheRestAndZeros) {
  testsupport::writeFile(path(), pattern(1030));
  InputFile in;
  ASSERT_EQ(0, in.open(path().c_str()));
  ASSERT_EQ(0, in.seek(1020));
  char buf[16];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(10, in.read(buf, 16));
  EXPECT_EQ(pattern(1030).substr(1020) + std::string(6, '\0'), std::string(buf, 16));
  EXPECT_TRUE(in.atEnd());
  in.close();
}

TEST_F(IOBufferTest, SeekWithinTheHeldBlockReadsNothing) {
  testsupport::writeFile(path(), pattern(2000));
  InputFile in;
  ASSERT_EQ(0, in.open(path().c_str()));
  ASSERT_EQ(0, in.seek(10));
  platform::resetIoCounters();
  ASSERT_EQ(0, in.seek(100));
  EXPECT_EQ(pattern(2000)[100], static_cast<char>(in.readByte()));
  ASSERT_EQ(0, in.seek(511));
  EXPECT_EQ(pattern(2000)[511], static_cast<char>(in.readByte()));
  EXPECT_EQ(0, platform::ioCounters().reads);
  ASSERT_EQ(0, in.seek(512));  // the next block
  EXPECT_EQ(1, platform::ioCounters().reads);
  in.close();
}

TEST_F(IOBufferTest, ChangingBlockWritesTheDirtyBlockBackFirst) {
  testsupport::writeFile(path(), pattern(2000));
  IOFile f;
  ASSERT_EQ(0, f.open(path().c_str(), kRead | kWrite));
  ASSERT_EQ(0, f.seek(600));
  ASSERT_EQ(0, f.writeLong(0x30303030));
  EXPECT_EQ(pattern(2000), testsupport::readFile(path()));  // still in the buffer
  platform::resetIoCounters();
  ASSERT_EQ(0, f.seek(1500));
  EXPECT_EQ(1, platform::ioCounters().writes);
  std::string expected = pattern(2000).replace(600, 4, "0000");
  EXPECT_EQ(expected, testsupport::readFile(path()));
  ASSERT_EQ(0, f.close());
  EXPECT_EQ(expected, testsupport::readFile(path()));
}

TEST_F(IOBufferTest, FlushOfThePartialLastBlockWritesOnlyItsBytes) {
  IOFile f;
  ASSERT_EQ(0, f.open(path().c_str(), kRW));
  std::string data = pattern(700);
  ASSERT_EQ(700, f.write(data.data(), 700));
  ASSERT_EQ(0, f.flush());
  EXPECT_EQ(data, testsupport::readFile(path()));
  ASSERT_EQ(0, f.close());
  EXPECT_EQ(700, platform::fileSizeByName(path().c_str()));
}

// Sizes around one block, and a small overwrite in the middle that must keep its neighbours.
TEST_F(IOBufferTest, WritesAtBlockBoundariesRoundTrip) {
  for (int size : {0, 1, 511, 512, 513, 1024, 1537}) {
    SCOPED_TRACE(size);
    std::string data = pattern(static_cast<size_t>(size));
    {
      IOFile f;
      ASSERT_EQ(0, f.open(path().c_str(), kRW | kTruncate));
      ASSERT_EQ(size, f.write(data.data(), size));
      ASSERT_EQ(0, f.close());
    }
    EXPECT_EQ(data, testsupport::readFile(path()));
    if (size < 600) continue;
    {
      IOFile f;
      ASSERT_EQ(0, f.open(path().c_str(), kRead | kWrite));
      ASSERT_EQ(0, f.seek(508));
      ASSERT_EQ(8, f.write("########", 8));
      ASSERT_EQ(0, f.close());
    }
    EXPECT_EQ(data.replace(508, 8, "########"), testsupport::readFile(path()));
  }
}

TEST_F(IOBufferTest, FailedFlushIsReportedAndKeepsTheBlockDirty) {
  IOFile f;
  ASSERT_EQ(0, f.open(path().c_str(), kRW));
  ASSERT_EQ(5, f.write("hello", 5));
  platform::FaultPlan plan;
  plan.failWriteAt = 1;
  platform::setFaultPlan(plan);
  EXPECT_EQ(-1, f.flush());
  EXPECT_TRUE(traced("writeBlock failed!"));
  EXPECT_TRUE(traced("ERROR IOBuffer::flush failed.  name= " + path()));
  platform::setFaultPlan(plan);
  EXPECT_EQ(-1, f.seek(4096));  // the dirty block is not dropped for a seek
  EXPECT_EQ(5, f.tell());
  // The plan fired once: the block goes out now, but the file still counts as failed, so a
  // caller never takes a retried write for a whole one.
  EXPECT_EQ(-1, f.save());
  EXPECT_EQ("hello", testsupport::readFile(path()));
  EXPECT_FALSE(f.status().isOk());
  EXPECT_EQ(-1, f.close());
}

TEST_F(IOBufferTest, NegativeSeekAndMisuseAreTraced) {
  IOFile f;
  EXPECT_EQ(-1, f.save());
  EXPECT_TRUE(traced("ERROR IOFile::save() -- file = NULL!"));
  EXPECT_EQ(-1, f.attach(nullptr));
  EXPECT_TRUE(traced("ERROR IOFile::attach -- attaching NULL"));
  ASSERT_EQ(0, f.open(path().c_str(), kRW));
  EXPECT_EQ(-1, f.open(path().c_str(), kRW));
  EXPECT_EQ(-1, f.seek(-4));
  EXPECT_TRUE(traced("ERROR IOBuffer::seek failed -- negative argument -- file = " + path()));
  File other;
  EXPECT_EQ(-1, f.attach(&other));
  EXPECT_TRUE(traced("ERROR IOFile::attach -- already have a file"));
  ASSERT_EQ(0, f.close());

  InputFile in;
  EXPECT_EQ(-1, in.close());
  EXPECT_TRUE(traced("ERROR InputFile::close -- already closed"));
  EXPECT_EQ(-1, in.attach(nullptr));
  EXPECT_TRUE(traced("ERROR InputFile::attach -- attaching NULL"));
}

TEST_F(IOBufferTest, CopyBlockCopiesOrSkipsAndChecksTheSource) {
  std::string data = pattern(1500);
  testsupport::writeFile(path("src.bin"), data);
  InputFile in;
  ASSERT_EQ(0, in.open(path("src.bin").c_str()));
  IOFile out;
  ASSERT_EQ(0, out.open(path("dst.bin").c_str(), kRW));
  ASSERT_EQ(0, in.seek(100));
  ASSERT_EQ(0, out.copyBlock(in, 1000, false, "words"));
  EXPECT_TRUE(traced("IOBuffer::copyBlock -- \"words\" 1000 bytes..."));
  EXPECT_TRUE(traced("IOBuffer::copyBlock done"));
  EXPECT_EQ(1100, in.tell());
  ASSERT_EQ(0, out.copyBlock(in, 300, true, "skip"));
  EXPECT_EQ(1400, in.tell());
  EXPECT_EQ(-1, out.copyBlock(in, 101, false, "too long"));
  ASSERT_EQ(0, out.copyBlock(in, 100, false, "tail"));
  ASSERT_EQ(0, out.close());
  EXPECT_EQ(data.substr(100, 1000) + data.substr(1400), testsupport::readFile(path("dst.bin")));
  in.close();
}

// An attached File outlives the buffers that share it; the last release closes it.
TEST_F(IOBufferTest, AttachedFileIsSharedAndClosedByItsLastRelease) {
  testsupport::writeFile(path(), pattern(600));
  File shared;
  ASSERT_EQ(0, shared.open(path().c_str(), kRead | kWrite));
  IOFile a;
  InputFile b;
  ASSERT_EQ(0, a.attach(&shared));
  ASSERT_EQ(0, b.attach(&shared));
  ASSERT_EQ(0, a.seek(0));
  ASSERT_EQ(0, a.writeByte('Z'));
  ASSERT_EQ(0, a.setLength(300));
  EXPECT_EQ(300, shared.getLength());
  ASSERT_EQ(0, a.close());
  EXPECT_TRUE(shared.isOpen());
  ASSERT_EQ(0, b.seek(0));
  EXPECT_EQ('Z', b.readByte());
  ASSERT_EQ(0, b.close());
  EXPECT_FALSE(shared.isOpen());
}

}  // namespace
