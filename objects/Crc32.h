// CRC-32 (the reflected polynomial 0xEDB88320 of zlib and PNG) over a buffer, continued
// across calls, for the checksums that guard an index's files. Depends on nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace crc32 {

// The CRC-32 of `bytes` bytes at `data`, continuing `crc` (the value for the bytes before
// them; 0 to start). update(update(0, a), b) equals the CRC of a followed by b.
uint32_t update(uint32_t crc, const void* data, size_t bytes);

}  // namespace crc32
