// The checksum file of an index: summing the covered files, encoding and decoding
// INDEX_C.IX, and comparing it with the files.
#include "index/IndexChecksums.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "io/File.h"
#include "io/FileMode.h"
#include "io/WholeFile.h"
#include "objects/ByteCodec.h"
#include "objects/Crc32.h"
#include "objects/Fail.h"
#include "platform/Platform.h"

using namespace checksumformat;

namespace {

constexpr int32_t kReadChunkBytes = 256 * 1024;
// A file longer than this is not a checksum file (read() refuses it before decoding).
constexpr size_t kMaxFileBytes = 4096;

// Sums `path` from byte `from` on, continuing `crc`. 1 with *out set when the file exists;
// 0 when it does not; -1 when it cannot be read or is shorter than `from`.
int sumFile(const std::string& path, int32_t from, uint32_t crc, IndexChecksums::Entry* out) {
  if (!platform::fileExists(path.c_str())) return 0;
  File f;
  if (f.open(path.c_str(), filemode::kRead | filemode::kDenyNone) < 0) return LXR_FAIL("sumFile: open");
  const int32_t length = f.getLength();
  if (from < 0 || from > length || f.seek(from) < 0) return LXR_FAIL("sumFile: shorter than summed");
  std::vector<char> buffer(static_cast<size_t>(kReadChunkBytes));
  for (int32_t pos = from; pos < length;) {
    int32_t n = std::min(kReadChunkBytes, length - pos);
    if (f.read(buffer.data(), n) != n) return LXR_FAIL("sumFile: read");
    crc = crc32::update(crc, buffer.data(), static_cast<size_t>(n));
    pos += n;
  }
  out->length = length;
  out->crc = crc;
  return 1;
}

// The bare name of a path, for messages.
std::string bareName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int IndexChecksums::compute(const std::vector<std::string>& paths, const IndexChecksums* previous,
                            int32_t refGrownFrom) {
  if (paths.size() != static_cast<size_t>(kCoveredCount)) return LXR_FAIL("IndexChecksums: paths");
  for (int i = 0; i < kCoveredCount; ++i) {
    Entry e;
    int32_t from = 0;
    uint32_t crc = 0;
    if (i == kRefEntry && previous && refGrownFrom >= 0 &&
        previous->entries_[i].length == refGrownFrom) {
      from = refGrownFrom;
      crc = previous->entries_[i].crc;
    }
    int got = sumFile(paths[static_cast<size_t>(i)], from, crc, &e);
    if (got < 0 && from > 0) got = sumFile(paths[static_cast<size_t>(i)], 0, 0, &e);  // cut below
    if (got < 0) return -1;
    entries_[i] = e;
  }
  return 0;
}

std::string IndexChecksums::encode() const {
  std::string out(kMagic, kMagicBytes);
  bytecodec::appendU32(&out, kVersion);
  bytecodec::appendU32(&out, static_cast<uint32_t>(kCoveredCount));
  for (int i = 0; i < kCoveredCount; ++i) {
    bytecodec::appendFixedString(&out, kEntryNameBytes, kCoveredNames[i]);
    bytecodec::appendU32(&out, static_cast<uint32_t>(entries_[i].length));
    bytecodec::appendU32(&out, entries_[i].crc);
  }
  bytecodec::appendU32(&out, crc32::update(0, out.data(), out.size()));
  return out;
}

int IndexChecksums::decode(const char* begin, const char* end, std::string* reason) {
  const int64_t size = end - begin;
  if (size < kHeadBytes || std::memcmp(begin + kMagicPos, kMagic, kMagicBytes) != 0) {
    *reason = "not a checksum file";
    return -1;
  }
  if (size != kFileBytes) {
    *reason = "its length is " + std::to_string(size) + " bytes, not " + std::to_string(kFileBytes);
    return -1;
  }
  const uint32_t crc = crc32::update(0, begin, static_cast<size_t>(size - kTrailerBytes));
  if (crc != bytecodec::loadU32(end - kTrailerBytes)) {
    *reason = "its own checksum does not match";
    return -1;
  }
  if (bytecodec::loadU32(begin + kVersionPos) != kVersion) {
    *reason = "version " + std::to_string(bytecodec::loadU32(begin + kVersionPos)) + " is not known";
    return -1;
  }
  if (bytecodec::loadU32(begin + kEntryCountPos) != static_cast<uint32_t>(kCoveredCount)) {
    *reason = "it lists " + std::to_string(bytecodec::loadU32(begin + kEntryCountPos)) + " files";
    return -1;
  }
  Entry decoded[kCoveredCount];
  for (int i = 0; i < kCoveredCount; ++i) {
    const char* p = begin + kHeadBytes + i * kEntryBytes;
    std::string name;
    bytecodec::appendFixedString(&name, kEntryNameBytes, kCoveredNames[i]);
    if (std::memcmp(p + kEntryNamePos, name.data(), name.size()) != 0) {
      *reason = "entry " + std::to_string(i) + " does not name " + kCoveredNames[i];
      return -1;
    }
    decoded[i].length = bytecodec::loadI32(p + kEntryLengthPos);
    decoded[i].crc = bytecodec::loadU32(p + kEntryCrcPos);
    if (decoded[i].length < kAbsentLength ||
        (decoded[i].length == kAbsentLength && decoded[i].crc != 0)) {
      *reason = std::string("the entry of ") + kCoveredNames[i] + " is impossible";
      return -1;
    }
  }
  for (int i = 0; i < kCoveredCount; ++i) entries_[i] = decoded[i];
  return 0;
}

int IndexChecksums::read(const std::string& path, std::string* reason) {
  if (!platform::fileExists(path.c_str())) return 0;
  std::string data;
  if (wholefile::read(path, &data, kMaxFileBytes) < 0) {
    *reason = "it cannot be read or is too long";
    return -1;
  }
  return decode(data.data(), data.data() + data.size(), reason) < 0 ? -1 : 1;
}

int IndexChecksums::write(const std::string& path) const {
  return wholefile::write(path, encode()) < 0 ? LXR_FAIL("IndexChecksums::write") : 0;
}

int IndexChecksums::check(const std::vector<std::string>& paths, std::string* fault) const {
  if (paths.size() != static_cast<size_t>(kCoveredCount)) {
    *fault = "Checksums: the files to compare are not known";
    return -1;
  }
  for (int i = 0; i < kCoveredCount; ++i) {
    const std::string& path = paths[static_cast<size_t>(i)];
    if (path.empty()) continue;
    const std::string name = bareName(path);
    const Entry& want = entries_[i];
    Entry got;
    int rc = sumFile(path, 0, 0, &got);
    std::string line = "Checksums: " + name;
    if (rc < 0) {
      *fault = line + " cannot be read";
      return -1;
    }
    if (rc == 0 && want.length != kAbsentLength) {
      *fault = line + " is missing; INDEX_C.IX records " + std::to_string(want.length) + " bytes";
      return -1;
    }
    if (rc == 0) continue;
    if (want.length == kAbsentLength) {
      *fault = line + " exists; INDEX_C.IX records it as absent";
      return -1;
    }
    if (got.length != want.length) {
      *fault = line + " is " + std::to_string(got.length) + " bytes; INDEX_C.IX records " +
               std::to_string(want.length);
      return -1;
    }
    if (got.crc != want.crc) {
      char text[64];
      std::snprintf(text, sizeof text, " (CRC-32 %08x, recorded %08x)", got.crc, want.crc);
      *fault = line + " does not match its checksum" + text;
      return -1;
    }
  }
  return 0;
}
