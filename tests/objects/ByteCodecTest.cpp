// The byte codec: the byte order of every width, round trips at the limits of each type,
// and refusal (nothing read, nothing written) when a field is cut at any length.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "objects/ByteCodec.h"

namespace {

using namespace bytecodec;

// One integer type's checked reader and writer, for the tables below.
template <typename T>
struct Codec {
  int (*get)(const void*, const void*, T*);
  int (*put)(void*, const void*, T);
};

// Round trip of the type's limits and neighbours, then every cut of the field.
template <typename T>
void checkIntegers(Codec<T> codec) {
  constexpr size_t kWidth = sizeof(T);
  const T values[] = {0, 1, static_cast<T>(-1), std::numeric_limits<T>::min(), std::numeric_limits<T>::max(),
                      static_cast<T>(std::numeric_limits<T>::max() - 1)};
  for (T v : values) {
    unsigned char b[kWidth + 1];
    std::memset(b, 0xA5, sizeof b);
    ASSERT_EQ(0, codec.put(b, b + kWidth, v));
    EXPECT_EQ(0xA5, b[kWidth]) << "wrote past the field";
    T back = 0;
    ASSERT_EQ(0, codec.get(b, b + kWidth, &back));
    EXPECT_EQ(v, back);
  }
  unsigned char b[kWidth];
  std::memset(b, 0x5A, sizeof b);
  for (size_t cut = 0; cut < kWidth; ++cut) {
    T out = 7;
    EXPECT_EQ(-1, codec.get(b, b + cut, &out)) << "cut at " << cut;
    EXPECT_EQ(T{7}, out);
    EXPECT_EQ(-1, codec.put(b, b + cut, T{0})) << "cut at " << cut;
    for (unsigned char c : b) ASSERT_EQ(0x5A, c) << "wrote into a field too short";
  }
  T out = 7;
  EXPECT_EQ(-1, codec.get(nullptr, b + kWidth, &out));
  EXPECT_EQ(-1, codec.get(b + 1, b, &out)) << "start past the end";
  EXPECT_EQ(T{7}, out);
}

}  // namespace

TEST(ByteCodecTest, StoresLowByteFirstInEveryWidth) {
  std::string s;
  appendU8(&s, 0x12);
  appendU16(&s, 0x1234);
  appendU32(&s, 0x12345678u);
  appendU64(&s, 0x0102030405060708ull);
  EXPECT_EQ(std::string("\x12" "\x34\x12" "\x78\x56\x34\x12" "\x08\x07\x06\x05\x04\x03\x02\x01", 15), s);
  const char* p = s.data();
  const char* end = p + s.size();
  uint16_t u16 = 0;
  uint32_t u32 = 0;
  uint64_t u64 = 0;
  ASSERT_EQ(0, getU16(p + 1, end, &u16));
  ASSERT_EQ(0, getU32(p + 3, end, &u32));
  ASSERT_EQ(0, getU64(p + 7, end, &u64));
  EXPECT_EQ(0x1234, u16);
  EXPECT_EQ(0x12345678u, u32);
  EXPECT_EQ(0x0102030405060708ull, u64);
  EXPECT_EQ(0x3412, loadU16Be(p + 1));
  // A field that ends exactly at the end is whole; one byte further is not.
  EXPECT_EQ(0, getU64(end - 8, end, &u64));
  EXPECT_EQ(-1, getU64(end - 7, end, &u64));
}

TEST(ByteCodecTest, IntegersRoundTripAtTheirLimitsAndRefuseEveryCut) {
  checkIntegers<uint8_t>({getU8, putU8});
  checkIntegers<uint16_t>({getU16, putU16});
  checkIntegers<int16_t>({getI16, putI16});
  checkIntegers<uint32_t>({getU32, putU32});
  checkIntegers<int32_t>({getI32, putI32});
  checkIntegers<uint64_t>({getU64, putU64});
  checkIntegers<int64_t>({getI64, putI64});
  // The unchecked loads agree with the checked readers on signed values.
  char b[4];
  ASSERT_EQ(0, putI32(b, b + 4, -2));
  EXPECT_EQ(-2, loadI32(b));
  EXPECT_EQ(-1, loadI16(b + 2));
}

TEST(ByteCodecTest, FixedStringsStopAtTheFirstNulAndPadWithNuls) {
  char field[6];
  std::memset(field, 'x', sizeof field);
  ASSERT_EQ(0, putFixedString(field, field + 6, 5, "abc"));
  EXPECT_EQ(0, std::memcmp(field, "abc\0\0x", 6));
  std::string out;
  ASSERT_EQ(0, getFixedString(field, field + 6, 5, &out));
  EXPECT_EQ("abc", out);
  // A text as long as the field, or longer, fills it with no NUL.
  ASSERT_EQ(0, putFixedString(field, field + 6, 5, "abcdefg"));
  ASSERT_EQ(0, getFixedString(field, field + 6, 5, &out));
  EXPECT_EQ("abcde", out);
  ASSERT_EQ(0, getFixedString(field, field + 6, 0, &out));
  EXPECT_EQ("", out);
  std::string appended = "#";
  appendFixedString(&appended, 4, "ab");
  EXPECT_EQ(std::string("#ab\0\0", 5), appended);

  out = "kept";
  for (size_t cut = 0; cut < 5; ++cut) {
    EXPECT_EQ(-1, getFixedString(field, field + cut, 5, &out));
    EXPECT_EQ(-1, putFixedString(field, field + cut, 5, "zz"));
  }
  EXPECT_EQ("kept", out);
  EXPECT_EQ(0, std::memcmp(field, "abcde", 5));
}

TEST(ByteCodecTest, PrefixedStringsRoundTripToTheLongestAndRefuseEveryCut) {
  for (size_t length : {size_t{0}, size_t{1}, kMaxString8Bytes}) {
    std::string text(length, 'w');
    std::string field;
    ASSERT_EQ(0, appendString8(&field, text));
    ASSERT_EQ(1 + length, field.size());
    std::string buffer(field.size(), '\0');
    ASSERT_EQ(0, putString8(buffer.data(), buffer.data() + buffer.size(), text));
    EXPECT_EQ(field, buffer);
    std::string back;
    size_t used = 0;
    ASSERT_EQ(0, getString8(field.data(), field.data() + field.size(), &back, &used));
    EXPECT_EQ(text, back);
    EXPECT_EQ(field.size(), used);
  }
  for (size_t length : {size_t{0}, size_t{2}, kMaxString16Bytes}) {
    std::string text(length, 'v');
    std::string field;
    ASSERT_EQ(0, appendString16(&field, text));
    std::string back;
    size_t used = 0;
    ASSERT_EQ(0, getString16(field.data(), field.data() + field.size(), &back, &used));
    EXPECT_EQ(text, back);
    EXPECT_EQ(2 + length, used);
  }
  std::string tooLong(kMaxString8Bytes + 1, 'x');
  std::string field = "#";
  char buffer[300];
  EXPECT_EQ(-1, appendString8(&field, tooLong));
  EXPECT_EQ(-1, putString8(buffer, buffer + sizeof buffer, tooLong));
  EXPECT_EQ(-1, appendString16(&field, std::string(kMaxString16Bytes + 1, 'x')));
  EXPECT_EQ("#", field);

  // Cut anywhere in the prefix or the text: refused, out-parameters kept.
  field.clear();
  ASSERT_EQ(0, appendString16(&field, "hello"));
  for (size_t cut = 0; cut < field.size(); ++cut) {
    std::string out = "kept";
    size_t used = 99;
    EXPECT_EQ(-1, getString16(field.data(), field.data() + cut, &out, &used)) << "cut at " << cut;
    EXPECT_EQ("kept", out);
    EXPECT_EQ(99u, used);
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(-1, putString16(buffer, buffer + cut, "hello"));
    EXPECT_EQ('z', buffer[0]);
  }
}
