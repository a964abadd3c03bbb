// Fuzz target: opening a record file (and its record index) made of the input's bytes and
// walking it: every record and field, every object, findObject by each name; optionally a
// write pass (rewrite, append, named object) and a second walk.
// Input: flag byte (bit 0: an index follows, bit 1: write pass); with an index, a 4-byte
// little-endian length of the record file part, then the record file, then the index.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/FileMode.h"
#include "io/Vlrfile.h"
#include "objects/ByteCodec.h"

namespace {

constexpr int32_t kMaxRecordsWalked = 2048;
constexpr int32_t kMaxObjectsWalked = 4096;

const std::string& folder() {
  static const std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "lxr-vlrfuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return path;
}

void writeBytes(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void walk(vlrFile& v) {
  std::vector<char> buffer(vlrMaxRecordLen);
  v.getTitle();
  for (int32_t i = 0; i < v.getFieldCount(); ++i) {
    std::string name(v.getField(i)->name, strnlen(v.getField(i)->name, sizeof v.getField(i)->name));
    v.findField(name.c_str());
  }
  int32_t count = std::min(v.getRecordCount(), kMaxRecordsWalked);
  for (int32_t k = 0; k < count; ++k) {
    if (v.gotoRecord(k) < 0) continue;
    for (int32_t f = 0; f <= v.record().fieldCount; ++f) {
      v.getBytes(f, buffer.data(), static_cast<int32_t>(buffer.size()));
      v.getLong(f);
    }
  }
  for (int32_t k = count - 1; k >= 0 && k >= count - 8; --k) v.gotoRecord(k);
  v.gotoRecord(count);
  int32_t pos = v.getFirstRecordPos();
  vlrObjectInfo info;
  for (int32_t n = 0; n < kMaxObjectsWalked && v.objectAt(pos, &info) == 0; ++n) {
    if (info.type == 'O') {
      std::string name;
      int32_t dataBytes = 0;
      IOFile* in = v.openObject(pos, &name, &dataBytes);
      if (in) {
        in->read(buffer.data(), std::min<int32_t>(dataBytes, static_cast<int32_t>(buffer.size())));
        v.findObject(name.c_str());
      }
    }
    pos = info.nextPos;
  }
  v.findObject("absent");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  const bool withIndex = (flags & 1) != 0;
  const uint8_t* body = data + 1;
  size_t bodySize = size - 1;
  size_t recordBytes = bodySize;
  if (withIndex) {
    if (bodySize < 4) return 0;
    uint32_t n = bytecodec::loadU32(body);
    body += 4;
    bodySize -= 4;
    recordBytes = std::min<size_t>(n, bodySize);
  }
  const std::string path = folder() + "/F.IX";
  writeBytes(path, body, recordBytes);
  if (withIndex) writeBytes(vlrRecordIndex::nameFor(path), body + recordBytes, bodySize - recordBytes);

  {
    vlrFile v;
    if (v.open(path.c_str(), filemode::kRead, withIndex) == 0) walk(v);
  }
  if (flags & 2) {
    vlrFile v;
    if (v.open(path.c_str(), filemode::kRead | filemode::kWrite, withIndex) == 0) {
      if (v.getRecordCount() > 0 && v.gotoRecord(0) == 0) {
        v.writeRecord(0);
        v.putString(0, "x");
        v.writeRecord(0);
      }
      v.clear();
      v.putString(1, "appended");
      v.appendRecord();
      int32_t pos = 0;
      if (IOFile* out = v.writeObject("fuzz", 4, &pos)) {
        out->write("ab", 2);
        v.endObject();
      }
      v.close();
      if (v.open(path.c_str(), filemode::kRead, withIndex) == 0) walk(v);
    }
  }
  return 0;
}
