// CRC-32: the standard check value, and a sum continued across pieces (of every length the
// eight-byte steps and the byte tail can split) equals the sum of the whole.
#include <gtest/gtest.h>

#include <string>

#include "objects/Crc32.h"

TEST(Crc32Test, MatchesTheCheckValueAndContinuesAcrossPieces) {
  EXPECT_EQ(0xCBF43926u, crc32::update(0, "123456789", 9));
  EXPECT_EQ(0u, crc32::update(0, "", 0));
  std::string text;
  for (int i = 0; i < 100; ++i) text.push_back(static_cast<char>(i * 37 + 11));
  const uint32_t whole = crc32::update(0, text.data(), text.size());
  for (size_t cut = 0; cut <= text.size(); ++cut)
    EXPECT_EQ(whole, crc32::update(crc32::update(0, text.data(), cut), text.data() + cut, text.size() - cut));
}
