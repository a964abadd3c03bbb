// The WordPerfect character map and its file.
#include "import/WPCharMap.h"

#include <cstring>

#include "io/WholeFile.h"
#include "objects/ByteCodec.h"
#include "objects/Trace.h"

namespace {

constexpr int kAsciiCount = 128;

}  // namespace

WPCharMap::WPCharMap() {
  std::memset(table_, 0, sizeof table_);
  for (int c = 0; c < kAsciiCount; ++c) table_[0][c] = static_cast<unsigned char>(c);
}

int WPCharMap::readFile(const std::string& path) {
  trace::line("Reading WPCharMap from %s", path.c_str());
  std::string bytes;
  if (wholefile::read(path, &bytes, 2 * kFileBytes) < 0) return -1;
  return readBytes(bytes);
}

int WPCharMap::readBytes(const std::string& bytes) {
  if (bytes.size() < static_cast<size_t>(kFileBytes)) return -1;
  if (std::memcmp(bytes.data(), kMagic, kMagicBytes) != 0) return -1;
  codePage_ = bytecodec::loadU16(bytes.data() + kCodePagePos);
  std::memcpy(table_, bytes.data() + kTablePos, kTableBytes);
  return 0;
}

std::string WPCharMap::toBytes() const {
  std::string out(kMagic, kMagicBytes);
  bytecodec::appendU16(&out, codePage_);
  out.append(reinterpret_cast<const char*>(table_), kTableBytes);
  return out;
}

unsigned char WPCharMap::map(int set, int character) const {
  if (set < 0 || set >= kSetCount || character < 0 || character >= kCharCount) return 0;
  return table_[set][character];
}

void WPCharMap::set(int set, int character, unsigned char windowsChar) {
  if (set < 0 || set >= kSetCount || character < 0 || character >= kCharCount) return;
  table_[set][character] = windowsChar;
}

