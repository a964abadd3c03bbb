// CRC-32, eight bytes per step from eight tables ("slicing by 8"), so that summing a whole
// index costs little beside reading it.
#include "objects/Crc32.h"

#include <array>

#include "objects/ByteCodec.h"

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;
constexpr int kTableCount = 8;

using Tables = std::array<std::array<uint32_t, 256>, kTableCount>;

constexpr Tables makeTables() {
  Tables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? kPolynomial ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i)
    for (int k = 1; k < kTableCount; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  return t;
}

constexpr Tables kTables = makeTables();

}  // namespace

namespace crc32 {

uint32_t update(uint32_t crc, const void* data, size_t bytes) {
  const auto* p = static_cast<const unsigned char*>(data);
  uint32_t c = ~crc;
  while (bytes >= 8) {
    // Little-endian loads keep the step independent of the machine's byte order.
    uint32_t lo = c ^ bytecodec::loadU32(p);
    uint32_t hi = bytecodec::loadU32(p + 4);
    c = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
        kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^
        kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
    p += 8;
    bytes -= 8;
  }
  while (bytes-- > 0) c = kTables[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  return ~c;
}

}  // namespace crc32
