// Pointer probes and the Windows-1252 character classes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include <gtest/gtest.h>

#include "platform/Platform.h"

namespace {

// Two pages: the first readable and writable, the second as `secondProt`.
class TwoPages {
 public:
  explicit TwoPages(int secondProt) {
    page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* p = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base_ = static_cast<char*>(p);
    mprotect(base_ + page_, page_, secondProt);
  }
  ~TwoPages() { munmap(base_, 2 * page_); }
  char* first() { return base_; }
  char* second() { return base_ + page_; }
  size_t page() const { return page_; }

 private:
  char* base_;
  size_t page_;
};

TEST(ProbeTest, ReadableAndWritableFollowTheMapping) {
  TwoPages none(PROT_NONE);
  EXPECT_TRUE(platform::isReadable(none.first(), none.page()));
  EXPECT_FALSE(platform::isReadable(none.first(), none.page() + 1));
  EXPECT_FALSE(platform::isReadable(none.second(), 1));
  EXPECT_FALSE(platform::isReadable(nullptr, 4));
  EXPECT_FALSE(platform::isReadable(reinterpret_cast<void*>(16), 4));

  TwoPages readOnly(PROT_READ);
  std::memset(readOnly.first(), 'a', readOnly.page());
  EXPECT_TRUE(platform::isWritable(readOnly.first(), readOnly.page()));
  EXPECT_FALSE(platform::isWritable(readOnly.second(), 8));
  EXPECT_FALSE(platform::isWritable(readOnly.first() + readOnly.page() - 4, 8));
  EXPECT_EQ('a', readOnly.first()[readOnly.page() - 1]) << "probing leaves the bytes as they were";
  // A probe that failed leaves nothing behind that spoils the next one.
  EXPECT_TRUE(platform::isReadable(readOnly.second(), 8));
}

TEST(ProbeTest, StringProbeStopsAtTheNulAndAtTheLimit) {
  TwoPages pages(PROT_NONE);
  char* end = pages.second();
  std::memcpy(end - 4, "abc", 4);  // NUL in the last byte before the unreadable page
  EXPECT_TRUE(platform::isReadableString(end - 4, 3));
  EXPECT_FALSE(platform::isReadableString(end - 4, 2)) << "longer than allowed";
  std::memcpy(end - 3, "xyz", 3);  // no NUL before the unreadable page
  EXPECT_FALSE(platform::isReadableString(end - 3, 100));
  EXPECT_TRUE(platform::isReadableString("", 0));
  EXPECT_FALSE(platform::isReadableString(nullptr, 10));
}

void someFunction() {}

TEST(ProbeTest, CodePointersLieInExecutableMappings) {
  EXPECT_TRUE(platform::isCode(reinterpret_cast<const void*>(&someFunction)));
  int onStack = 0;
  EXPECT_FALSE(platform::isCode(&onStack));
  EXPECT_FALSE(platform::isCode(nullptr));
}

TEST(CharClassTest, Windows1252LettersAndCases) {
  EXPECT_TRUE(platform::isCharUpper(0xC9));  // E acute
  EXPECT_EQ(0xE9, platform::charLower(0xC9));
  EXPECT_EQ(0xC9, platform::charUpper(0xE9));
  EXPECT_EQ(0x9F, platform::charUpper(0xFF));  // y diaeresis
  EXPECT_EQ(0x8A, platform::charUpper(0x9A));  // s caron
  EXPECT_TRUE(platform::isCharLower(0xDF));    // sharp s: lower, no upper partner
  EXPECT_EQ(0xDF, platform::charUpper(0xDF));
  for (unsigned char sign : {0xD7, 0xF7, 0xA9, 0x80, 0x20, 0x2D}) {
    EXPECT_FALSE(platform::isCharAlphaNumeric(sign)) << int(sign);
    EXPECT_EQ(sign, platform::charUpper(sign));
  }
  EXPECT_TRUE(platform::isCharAlphaNumeric('7'));
  EXPECT_FALSE(platform::isCharAlpha('7'));
  int letters = 0;
  for (int c = 0; c < 256; ++c) letters += platform::isCharAlpha(static_cast<unsigned char>(c));
  EXPECT_EQ(52 + 8 + 30 + 30 + 5, letters);  // ASCII, four pairs, Latin-1, five lone lower-case
}

}  // namespace
