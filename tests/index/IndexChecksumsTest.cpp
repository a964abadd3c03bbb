// The checksum file INDEX_C.IX: the drawn layout byte for byte, every truncation and flipped
// byte of it refused, a grown reference file summed from where it was, and a comparison that
// names the file that differs.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "index/IndexChecksums.h"
#include "tests/support/TempDir.h"

using namespace checksumformat;

namespace {

std::string fromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

class IndexChecksumsTest : public ::testing::Test {
 protected:
  std::vector<std::string> paths() const {
    std::vector<std::string> p;
    for (const char* name : kCoveredNames) p.push_back(dir_.file(name));
    return p;
  }
  std::string path(int entry) const { return dir_.file(kCoveredNames[entry]); }

  testsupport::TempDir dir_;
};

}  // namespace

// The example of docs/formats/index-checksums.md: INDEX_I.IX holds "123456789", INDEX_R.IX
// is empty and no other covered file exists.
TEST_F(IndexChecksumsTest, EncodesTheDrawnLayout) {
  testsupport::writeFile(path(0), "123456789");
  testsupport::writeFile(path(kRefEntry), "");
  IndexChecksums sums;
  ASSERT_EQ(0, sums.compute(paths()));
  const std::string golden = fromHex(
      "4c58524353554d010100000009000000494e4445585f492e49580000090000002639f4cb494e4445585f4f2e"
      "49580000ffffffff00000000494e4445585f4e2e49580000ffffffff00000000494e4445585f532e49580000"
      "ffffffff00000000494e4445585f4c2e49580000ffffffff00000000494e4445585f442e49580000ffffffff"
      "00000000494e4445585f44492e495800ffffffff00000000494e4445585f4b2e49580000ffffffff00000000"
      "494e4445585f522e495800000000000000000000455879a9");
  EXPECT_EQ(golden, sums.encode());
  ASSERT_EQ(0, sums.write(dir_.file(kFileName)));
  IndexChecksums back;
  std::string reason;
  ASSERT_EQ(1, back.read(dir_.file(kFileName), &reason)) << reason;
  EXPECT_EQ(9, back.entry(0).length);
  EXPECT_EQ(0xCBF43926u, back.entry(0).crc);
  EXPECT_EQ(kAbsentLength, back.entry(1).length);
  EXPECT_EQ(0, back.read(dir_.file("nothing"), &reason));
}

TEST_F(IndexChecksumsTest, EveryTruncationAndFlippedByteIsRefused) {
  testsupport::writeFile(path(0), "header");
  IndexChecksums sums;
  ASSERT_EQ(0, sums.compute(paths()));
  const std::string good = sums.encode();
  IndexChecksums out;
  std::string reason;
  ASSERT_EQ(0, out.decode(good.data(), good.data() + good.size(), &reason));
  std::mt19937 rng(7);
  for (size_t n = 0; n < good.size(); ++n) {
    std::string cut = good.substr(0, n);
    EXPECT_EQ(-1, out.decode(cut.data(), cut.data() + cut.size(), &reason)) << "cut at " << n;
    std::string flipped = good;
    flipped[n] ^= static_cast<char>(1 + rng() % 255);
    EXPECT_EQ(-1, out.decode(flipped.data(), flipped.data() + flipped.size(), &reason)) << "byte " << n;
    EXPECT_FALSE(reason.empty());
  }
  EXPECT_EQ(6, out.entry(0).length);  // refusals left the entries as they were
  std::string longer = good + "x";
  EXPECT_EQ(-1, out.decode(longer.data(), longer.data() + longer.size(), &reason));
}

TEST_F(IndexChecksumsTest, GrownReferenceFileIsSummedFromWhereItWas) {
  testsupport::writeFile(path(kRefEntry), std::string(70000, 'r'));
  IndexChecksums before;
  ASSERT_EQ(0, before.compute(paths()));
  testsupport::writeFile(path(kRefEntry), std::string(70000, 'r') + std::string(300000, 's'));
  IndexChecksums whole, grown;
  ASSERT_EQ(0, whole.compute(paths()));
  ASSERT_EQ(0, grown.compute(paths(), &before, 70000));
  EXPECT_EQ(whole.encode(), grown.encode());
  // The sums continue the recorded ones: a change below the old length the recorded sum
  // did not see stays visible.
  testsupport::writeFile(path(kRefEntry), "R" + std::string(69999, 'r') + std::string(300000, 's'));
  ASSERT_EQ(0, grown.compute(paths(), &before, 70000));
  std::string fault;
  EXPECT_EQ(-1, grown.check(paths(), &fault));
  // Records of another length, or a file now shorter, are summed whole.
  ASSERT_EQ(0, whole.compute(paths()));
  ASSERT_EQ(0, grown.compute(paths(), &before, 60000));
  EXPECT_EQ(whole.encode(), grown.encode());
  testsupport::writeFile(path(kRefEntry), "short");
  ASSERT_EQ(0, whole.compute(paths()));
  ASSERT_EQ(0, grown.compute(paths(), &before, 70000));
  EXPECT_EQ(whole.encode(), grown.encode());
}

TEST_F(IndexChecksumsTest, ComparisonNamesTheFileThatDiffers) {
  testsupport::writeFile(path(5), "documents");
  IndexChecksums sums;
  ASSERT_EQ(0, sums.compute(paths()));
  std::string fault;
  EXPECT_EQ(0, sums.check(paths(), &fault));
  testsupport::writeFile(path(5), "Documents");
  EXPECT_EQ(-1, sums.check(paths(), &fault));
  EXPECT_NE(std::string::npos, fault.find("INDEX_D.IX does not match its checksum")) << fault;
  testsupport::writeFile(path(5), "documents.");
  EXPECT_EQ(-1, sums.check(paths(), &fault));
  EXPECT_NE(std::string::npos, fault.find("INDEX_D.IX is 10 bytes")) << fault;
  std::remove(path(5).c_str());
  EXPECT_EQ(-1, sums.check(paths(), &fault));
  EXPECT_NE(std::string::npos, fault.find("INDEX_D.IX is missing")) << fault;
  testsupport::writeFile(path(5), "documents");
  testsupport::writeFile(path(3), "");
  EXPECT_EQ(-1, sums.check(paths(), &fault));
  EXPECT_NE(std::string::npos, fault.find("INDEX_S.IX exists")) << fault;
}
