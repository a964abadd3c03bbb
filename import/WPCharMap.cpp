// The WordPerfect character map and its file.
#include "import/WPCharMap.h"

#include <cstring>
#include <memory>

#include "io/WholeFile.h"
#include "objects/ByteCodec.h"
#include "objects/Trace.h"
#include "objects/WellKnownFiles.h"
#include "platform/Platform.h"

namespace {

constexpr int kAsciiCount = 128;

std::string gProcessMapFile;
std::unique_ptr<WPCharMap> gProcessMap;

// The first readable map file among the places a data file of the program lives.
void loadProcessMap(WPCharMap* map) {
  if (!gProcessMapFile.empty()) {
    map->readFile(gProcessMapFile);
    return;
  }
  std::string name = wellknown::name(wellknown::kWpChars);
  std::string dir = platform::executableDirectory();
  if (name.empty() || dir.empty()) return;
  for (const std::string& candidate : {dir + "/" + name, dir + "/../share/lexaurum/" + name})
    if (platform::fileExists(candidate.c_str()) && map->readFile(candidate) == 0) return;
}

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

const WPCharMap& WPCharMap::process() {
  if (!gProcessMap) {
    gProcessMap = std::make_unique<WPCharMap>();
    loadProcessMap(gProcessMap.get());
  }
  return *gProcessMap;
}

void WPCharMap::setProcessMapFile(const std::string& path) {
  gProcessMapFile = path;
  gProcessMap.reset();
}
