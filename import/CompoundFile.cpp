// The compound file layout: a 512-byte header, then sectors of 512 (version 3) or 4096
// (version 4) bytes numbered from 0. The FAT gives each sector's successor; its own sectors
// are listed in the header (109) and then in a chain of DIFAT sectors. The directory is a
// chain of 128-byte entries forming red-black trees per storage; small streams live in 64-byte
// mini sectors inside the root entry's stream, chained by the mini FAT.
#include "import/CompoundFile.h"

#include <algorithm>
#include <cstring>

namespace compoundfile {

const char kSignature[8] = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};

namespace {

constexpr uint32_t kMaxRegular = 0xFFFFFFFA;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr size_t kHeaderBytes = 512;
constexpr size_t kEntryBytes = 128;

uint16_t u16(std::string_view b, size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

uint32_t u32(std::string_view b, size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<uint32_t>(u16(b, at)) | static_cast<uint32_t>(u16(b, at + 2)) << 16;
}

char16_t asciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool sameName(const std::u16string& a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (asciiUpper(a[i]) != asciiUpper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// A directory entry's name: UTF-16 in the first 64 bytes, its length in bytes (with the
// terminating NUL) at 64.
std::u16string entryName(std::string_view e) {
  size_t units = std::min<size_t>(u16(e, 64) / 2, 32);
  if (units > 0) --units;
  std::u16string name;
  for (size_t i = 0; i < units; ++i) {
    auto c = static_cast<char16_t>(u16(e, 2 * i));
    if (c == 0) break;
    name.push_back(c);
  }
  return name;
}

}  // namespace

bool hasSignature(std::string_view head) {
  return head.size() >= sizeof kSignature && std::memcmp(head.data(), kSignature, sizeof kSignature) == 0;
}

bool File::fail(std::string why) {
  error_ = std::move(why);
  return false;
}

bool File::sector(uint32_t index, std::string_view* out) const {
  if (index >= sectorCount_) return false;
  size_t at = kHeaderBytes + static_cast<size_t>(index) * sectorBytes_;
  *out = bytes_.substr(at, std::min<size_t>(sectorBytes_, bytes_.size() - at));
  return true;
}

bool File::open(std::string_view bytes) {
  bytes_ = bytes;
  if (!hasSignature(bytes) || bytes.size() < kHeaderBytes) return fail("not a compound file");
  uint16_t shift = u16(bytes, 30), miniShift = u16(bytes, 32);
  if (shift != 9 && shift != 12) return fail("bad sector size");
  if (miniShift != 6) return fail("bad mini sector size");
  sectorBytes_ = uint32_t{1} << shift;
  miniSectorBytes_ = uint32_t{1} << miniShift;
  miniCutoff_ = u32(bytes, 56);
  if (miniCutoff_ == 0 || miniCutoff_ > (1u << 20)) miniCutoff_ = 4096;
  sectorCount_ = static_cast<uint32_t>(
      std::min<size_t>((bytes.size() - kHeaderBytes + sectorBytes_ - 1) / sectorBytes_, kMaxRegular));
  // The FAT's sectors: 109 in the header (from byte 76), then the DIFAT chain, each of whose
  // sectors lists sectorBytes/4 - 1 more and the next DIFAT sector last.
  std::vector<uint32_t> fatSectors;
  for (size_t i = 0; i < 109; ++i) {
    uint32_t s = u32(bytes, 76 + 4 * i);
    if (s <= kMaxRegular) fatSectors.push_back(s);
  }
  uint32_t difat = u32(bytes, 68);
  for (uint32_t steps = 0; difat <= kMaxRegular; ++steps) {
    std::string_view d;
    if (steps >= sectorCount_ || !sector(difat, &d)) return fail("broken DIFAT chain");
    size_t perSector = sectorBytes_ / 4 - 1;
    for (size_t i = 0; i < perSector; ++i) {
      uint32_t s = u32(d, 4 * i);
      if (s <= kMaxRegular) fatSectors.push_back(s);
    }
    difat = u32(d, 4 * perSector);
  }
  // More FAT sectors than the file has sectors are repeats or lies.
  if (fatSectors.size() > sectorCount_) fatSectors.resize(sectorCount_);
  fat_.assign(std::min<size_t>(fatSectors.size() * (sectorBytes_ / 4), sectorCount_), kNoStream);
  for (size_t f = 0; f < fatSectors.size(); ++f) {
    std::string_view s;
    if (!sector(fatSectors[f], &s)) continue;  // past the end: its sectors stay unknown
    for (size_t i = 0; i < sectorBytes_ / 4; ++i) {
      size_t n = f * (sectorBytes_ / 4) + i;
      if (n < fat_.size()) fat_[n] = u32(s, 4 * i);
    }
  }
  // The directory: a chain of sectors of 128-byte entries.
  std::string dir;
  if (!readChain(fat_, u32(bytes, 48), UINT64_MAX, false, &dir)) return fail("broken directory chain: " + error_);
  for (size_t at = 0; at + kEntryBytes <= dir.size(); at += kEntryBytes) {
    std::string_view e(dir.data() + at, kEntryBytes);
    Entry entry;
    entry.name = entryName(e);
    entry.type = static_cast<uint8_t>(e[66]);
    entry.left = u32(e, 68);
    entry.right = u32(e, 72);
    entry.child = u32(e, 76);
    entry.start = u32(e, 116);
    entry.size = u32(e, 120);
    if (sectorBytes_ == 4096) entry.size |= static_cast<uint64_t>(u32(e, 124)) << 32;
    entries_.push_back(std::move(entry));
  }
  if (entries_.empty() || entries_[0].type != 5) return fail("no root entry");
  // The root storage's children: a binary tree from the root's child, each entry met once.
  std::vector<bool> seen(entries_.size(), false);
  std::vector<uint32_t> todo{entries_[0].child};
  seen[0] = true;
  while (!todo.empty()) {
    uint32_t i = todo.back();
    todo.pop_back();
    if (i >= entries_.size() || seen[i]) continue;
    seen[i] = true;
    if (entries_[i].type == 2) rootStreams_.push_back(static_cast<int>(i));
    todo.push_back(entries_[i].left);
    todo.push_back(entries_[i].right);
  }
  // The mini FAT.
  std::string miniFat;
  uint32_t miniFatStart = u32(bytes, 60);
  if (miniFatStart <= kMaxRegular) {
    if (!readChain(fat_, miniFatStart, UINT64_MAX, false, &miniFat)) return fail("broken mini FAT chain: " + error_);
    for (size_t at = 0; at + 4 <= miniFat.size(); at += 4) miniFat_.push_back(u32(miniFat, at));
  }
  error_.clear();
  return true;
}

bool File::readChain(const std::vector<uint32_t>& fat, uint32_t start, uint64_t size, bool mini,
                     std::string* out) {
  out->clear();
  const uint32_t unit = mini ? miniSectorBytes_ : sectorBytes_;
  // Each sector can appear once in a chain: one met again means a cycle.
  std::vector<bool> seen(mini ? miniStream_.size() / unit + 1 : sectorCount_, false);
  uint32_t s = start;
  while (s != kEndOfChain && out->size() < size) {
    if (s > kMaxRegular) return fail("bad sector number in a chain");
    if (s < seen.size()) {
      if (seen[s]) return fail("cyclic sector chain");
      seen[s] = true;
    }
    if (mini) {
      size_t at = static_cast<size_t>(s) * unit;
      if (at >= miniStream_.size()) return fail("mini sector past the mini stream");
      out->append(miniStream_, at, std::min<size_t>(unit, miniStream_.size() - at));
    } else {
      std::string_view bytes;
      if (!sector(s, &bytes)) return fail("sector past the end of the file");
      out->append(bytes);
    }
    if (s >= fat.size()) {
      // Its successor is unknown (a FAT sector was missing): the chain ends here.
      break;
    }
    s = fat[s];
  }
  if (size != UINT64_MAX) {
    if (out->size() < size) return fail("stream shorter than its stated size");
    out->resize(static_cast<size_t>(size));
  }
  return true;
}

int File::findRootStream(std::string_view name) const {
  for (int i : rootStreams_)
    if (sameName(entries_[static_cast<size_t>(i)].name, name)) return i;
  return -1;
}

bool File::hasStream(std::string_view name) const { return findRootStream(name) >= 0; }

bool File::readStream(std::string_view name, std::string* out, size_t maxBytes) {
  int i = findRootStream(name);
  if (i < 0) return fail("no stream " + std::string(name));
  const Entry& e = entries_[static_cast<size_t>(i)];
  // A stated size beyond the file is a lie; the chain read below stops at what exists.
  uint64_t size = std::min<uint64_t>(e.size, std::min<uint64_t>(bytes_.size(), maxBytes));
  if (e.size < miniCutoff_) {
    if (!miniStreamRead_) {
      miniStreamRead_ = true;
      const Entry& root = entries_[0];
      uint64_t rootSize = std::min<uint64_t>(root.size, bytes_.size());
      if (root.start <= kMaxRegular && !readChain(fat_, root.start, rootSize, false, &miniStream_)) miniStream_.clear();
    }
    if (!readChain(miniFat_, e.start, size, true, out)) return fail(std::string(name) + ": " + error_);
    return true;
  }
  if (!readChain(fat_, e.start, size, false, out)) return fail(std::string(name) + ": " + error_);
  return true;
}

}  // namespace compoundfile
