// The WordPerfect character map: which Windows-1252 character stands for each character of
// the 16 WordPerfect character sets (set, character). Read from WPCHARS.DAT, whose layout
// docs/formats/wp-char-map.md gives; without one, set 0 characters 0..127 map to themselves
// and nothing else maps. Depends on io/ for reading the file.
#pragma once

#include <cstdint>
#include <string>

class WPCharMap {
 public:
  static constexpr int kSetCount = 16;
  static constexpr int kCharCount = 256;
  static constexpr int kTableBytes = kSetCount * kCharCount;
  // "Lexaurum WordPerfect Character Map\n" and a 0 byte.
  static constexpr char kMagic[] = "Lexaurum WordPerfect Character Map\n";
  static constexpr int kMagicBytes = 36;
  static constexpr int kCodePagePos = kMagicBytes;
  static constexpr int kTablePos = kCodePagePos + 2;
  static constexpr int kFileBytes = kTablePos + kTableBytes;
  static constexpr uint16_t kDefaultCodePage = 1252;

  // The default map.
  WPCharMap();

  // Replaces the map with the one in the file at `path` (the well-known WPCHARS.DAT), after
  // tracing "Reading WPCharMap from " and the name. 0; or -1 when the file cannot be read,
  // is shorter than kFileBytes or does not begin with kMagic: the map is then unchanged.
  int readFile(const std::string& path);
  // As readFile, from the file's bytes.
  int readBytes(const std::string& bytes);
  // The file's bytes for this map.
  std::string toBytes() const;

  // The Windows-1252 character of (set, character); 0 when it has none (also for a set
  // beyond the 16).
  unsigned char map(int set, int character) const;
  void set(int set, int character, unsigned char windowsChar);
  uint16_t codePage() const { return codePage_; }


 private:
  uint16_t codePage_ = kDefaultCodePage;
  unsigned char table_[kSetCount][kCharCount];
};
