// Builds ZIP archives byte by byte for tests: stored or deflated members, flags and Unix
// attributes as given, sizes that lie, and central directory entries that share one member's
// data (the overlapping-entries bomb). Header-only; needs zlib.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class ZipBuilder {
 public:
  struct Entry {
    std::string name;
    std::string data;          // uncompressed
    bool deflate = false;
    uint16_t flags = 0;        // general-purpose flags (1 = encrypted)
    uint32_t unixMode = 0;     // 0: made by DOS; else Unix mode in the external attributes
    int32_t shareWith = -1;    // >= 0: the central entry points at that entry's data
    uint16_t dosDate = 0x5021; // 2020-01-01
    uint16_t dosTime = 0;
  };

  ZipBuilder& add(const std::string& name, const std::string& data, bool deflate = false) {
    Entry e;
    e.name = name;
    e.data = data;
    e.deflate = deflate;
    entries_.push_back(e);
    return *this;
  }
  ZipBuilder& add(const Entry& e) {
    entries_.push_back(e);
    return *this;
  }
  // One more central entry named `name` for the data of entry `index`.
  ZipBuilder& alias(const std::string& name, int32_t index) {
    Entry e;
    e.name = name;
    e.deflate = entries_[static_cast<size_t>(index)].deflate;
    e.shareWith = index;
    entries_.push_back(e);
    return *this;
  }

  std::string build() const {
    std::string out;
    std::string central;
    std::vector<uint32_t> offsets(entries_.size());
    std::vector<uint32_t> crcs(entries_.size());
    std::vector<std::string> packed(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) {
      const Entry& e = entries_[i];
      const Entry& owner = e.shareWith >= 0 ? entries_[static_cast<size_t>(e.shareWith)] : e;
      uint32_t crc = crcs[i] = e.shareWith >= 0 ? crcs[static_cast<size_t>(e.shareWith)]
          : static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                                        static_cast<uInt>(e.data.size())));
      if (e.shareWith >= 0) {
        offsets[i] = offsets[static_cast<size_t>(e.shareWith)];
      } else {
        packed[i] = e.deflate ? deflateRaw(e.data) : e.data;
        offsets[i] = static_cast<uint32_t>(out.size());
        put32(&out, 0x04034b50);
        put16(&out, 20);
        put16(&out, e.flags);
        put16(&out, e.deflate ? 8 : 0);
        put16(&out, e.dosTime);
        put16(&out, e.dosDate);
        put32(&out, crc);
        put32(&out, static_cast<uint32_t>(packed[i].size()));
        put32(&out, static_cast<uint32_t>(e.data.size()));
        put16(&out, static_cast<uint16_t>(e.name.size()));
        put16(&out, 0);
        out += e.name;
        out += packed[i];
      }
      put32(&central, 0x02014b50);
      put16(&central, static_cast<uint16_t>(e.unixMode ? (3 << 8) | 20 : 20));
      put16(&central, 20);
      put16(&central, e.flags);
      put16(&central, e.deflate ? 8 : 0);
      put16(&central, e.dosTime);
      put16(&central, e.dosDate);
      put32(&central, crc);
      const std::string& data = e.shareWith >= 0 ? packed[static_cast<size_t>(e.shareWith)] : packed[i];
      put32(&central, static_cast<uint32_t>(data.size()));
      put32(&central, static_cast<uint32_t>(owner.data.size()));
      put16(&central, static_cast<uint16_t>(e.name.size()));
      put16(&central, 0);
      put16(&central, 0);
      put16(&central, 0);
      put16(&central, 0);
      put32(&central, e.unixMode << 16);
      put32(&central, offsets[i]);
      central += e.name;
    }
    uint32_t centralAt = static_cast<uint32_t>(out.size());
    out += central;
    put32(&out, 0x06054b50);
    put16(&out, 0);
    put16(&out, 0);
    put16(&out, static_cast<uint16_t>(entries_.size()));
    put16(&out, static_cast<uint16_t>(entries_.size()));
    put32(&out, static_cast<uint32_t>(central.size()));
    put32(&out, centralAt);
    put16(&out, 0);
    return out;
  }

  static std::string deflateRaw(const std::string& data) { return deflated(data, -15); }
  // A gzip file of `data`.
  static std::string gzip(const std::string& data) { return deflated(data, 16 + 15); }

 private:
  // zlib's deflate with its window bits: negative for raw deflate, 16 + 15 for gzip.
  static std::string deflated(const std::string& data, int windowBits) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
  }

  static void put16(std::string* s, uint16_t v) {
    s->push_back(static_cast<char>(v & 0xFF));
    s->push_back(static_cast<char>(v >> 8));
  }
  static void put32(std::string* s, uint32_t v) {
    put16(s, static_cast<uint16_t>(v & 0xFFFF));
    put16(s, static_cast<uint16_t>(v >> 16));
  }

  std::vector<Entry> entries_;
};

}  // namespace testsupport
