// A reader of compound files (the structured storage of Word 97, Excel and other programs:
// a FAT file system inside one file). It reads the header, the sector allocation tables, the
// directory and the streams of the root storage, from a buffer holding the whole file. The
// bytes are hostile: every chain is followed at most as many steps as the file has sectors,
// every sector number is checked against the file, and a stream is cut at its stated size.
// Depends on nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace compoundfile {

// The eight bytes every compound file starts with.
extern const char kSignature[8];

// True when `head` (the first bytes of a file) starts with the compound file signature.
bool hasSignature(std::string_view head);

class File {
 public:
  // Reads the header, allocation tables and directory of the compound file in `bytes`, which
  // must outlive this object. False, with `error()` saying why, when they cannot be read.
  bool open(std::string_view bytes);
  const std::string& error() const { return error_; }

  // True when the root storage has a stream of that name (ASCII, case-blind).
  bool hasStream(std::string_view name) const;
  // The stream of the root storage of that name into `out`; false (with error()) when it is
  // missing or its sector chain is broken. At most `maxBytes` are read.
  bool readStream(std::string_view name, std::string* out, size_t maxBytes = SIZE_MAX);

 private:
  struct Entry {
    std::u16string name;
    uint8_t type = 0;  // 1 storage, 2 stream, 5 root
    uint32_t left = 0, right = 0, child = 0;
    uint32_t start = 0;
    uint64_t size = 0;
  };
  bool readChain(const std::vector<uint32_t>& fat, uint32_t start, uint64_t size, bool mini, std::string* out);
  bool sector(uint32_t index, std::string_view* out) const;
  int findRootStream(std::string_view name) const;
  bool fail(std::string why);

  std::string_view bytes_;
  uint32_t sectorBytes_ = 512;
  uint32_t miniSectorBytes_ = 64;
  uint32_t miniCutoff_ = 4096;
  uint32_t sectorCount_ = 0;  // whole or partial sectors after the header
  std::vector<uint32_t> fat_, miniFat_;
  std::vector<Entry> entries_;
  std::vector<int> rootStreams_;  // indexes into entries_ of the root storage's streams
  std::string miniStream_;
  bool miniStreamRead_ = false;
  std::string error_;
};

}  // namespace compoundfile
