// Signatures of files without text.
#include "import/NotText.h"

#include <cstring>

namespace nottext {

namespace {

uint32_t le16(std::string_view s, size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8;
}
uint32_t le32(std::string_view s, size_t at) { return le16(s, at) | le16(s, at + 2) << 16; }
uint32_t be16(std::string_view s, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) << 8 | static_cast<unsigned char>(s[at + 1]);
}

bool starts(std::string_view s, std::string_view with) { return s.substr(0, with.size()) == with; }

bool isImage(std::string_view h) {
  if (starts(h, "\x89PNG\r\n\x1A\n") || starts(h, "GIF87a") || starts(h, "GIF89a")) return true;
  if (h.size() >= 4 && starts(h, "\xFF\xD8\xFF")) return true;
  if (starts(h, std::string_view("II*\0", 4)) || starts(h, std::string_view("MM\0*", 4))) return true;
  if (h.size() >= 12 && starts(h, "RIFF") && h.substr(8, 4) == "WEBP") return true;
  if (h.size() >= 18 && starts(h, "BM") && le32(h, 6) == 0) {
    // The reserved words are 0 and the info header has one of its known sizes.
    uint32_t info = le32(h, 14);
    if (info == 12 || info == 40 || info == 52 || info == 56 || info == 64 || info == 108 || info == 124) return true;
  }
  if (h.size() >= 22 && starts(h, std::string_view("\0\0\1\0", 4))) {
    // An icon directory: 1 to 255 images, each entry's reserved byte 0, planes 0 or 1, and
    // the first image's data behind the directory.
    uint32_t n = le16(h, 4);
    uint32_t planes = le16(h, 10);
    uint32_t offset = le32(h, 18);
    if (n >= 1 && n <= 255 && h[9] == 0 && planes <= 1 && offset >= 6 + 16 * n) return true;
  }
  return false;
}

bool isAudio(std::string_view h) {
  if (starts(h, "fLaC") || starts(h, "OggS")) return true;
  if (h.size() >= 12 && starts(h, "RIFF") && h.substr(8, 4) == "WAVE") return true;
  if (h.size() >= 10 && starts(h, "ID3") && static_cast<unsigned char>(h[3]) >= 2 &&
      static_cast<unsigned char>(h[3]) <= 4 && static_cast<unsigned char>(h[4]) != 0xFF)
    return true;
  if (h.size() >= 4 && static_cast<unsigned char>(h[0]) == 0xFF && (static_cast<unsigned char>(h[1]) & 0xE0) == 0xE0) {
    // An MPEG audio frame header: a version, a layer, a bit rate and a sample rate that exist.
    auto b1 = static_cast<unsigned char>(h[1]), b2 = static_cast<unsigned char>(h[2]);
    // FF FE and FF FF begin UTF-16 text (a byte-order mark), never a frame that matters.
    if (b1 >= 0xFE) return false;
    bool version = ((b1 >> 3) & 3) != 1;
    bool layer = ((b1 >> 1) & 3) != 0;
    bool rate = (b2 >> 4) != 15 && (b2 >> 4) != 0;
    bool sample = ((b2 >> 2) & 3) != 3;
    if (version && layer && rate && sample) return true;
  }
  return false;
}

bool isVideo(std::string_view h) {
  if (h.size() >= 12 && h.substr(4, 4) == "ftyp") {
    uint32_t box = be16(h, 0) << 16 | be16(h, 2);
    if (box >= 8 && box <= 4096) return true;
  }
  if (starts(h, "\x1A\x45\xDF\xA3")) return true;
  if (h.size() >= 12 && starts(h, "RIFF") && h.substr(8, 4) == "AVI ") return true;
  return false;
}

bool isProgram(std::string_view h) {
  if (starts(h, "\x7F" "ELF")) return true;
  for (const char* m : {"\xFE\xED\xFA\xCE", "\xFE\xED\xFA\xCF", "\xCE\xFA\xED\xFE", "\xCF\xFA\xED\xFE"})
    if (starts(h, m)) return true;
  if (h.size() >= 0x40 && starts(h, "MZ")) {
    // "MZ" alone is two letters a text may begin with: the PE header must be where it says.
    uint32_t pe = le32(h, 0x3C);
    if (pe >= 0x40 && pe + 4 <= h.size() && h.substr(pe, 4) == std::string_view("PE\0\0", 4)) return true;
  }
  return false;
}

bool isFont(std::string_view h) {
  if (starts(h, "wOFF") || starts(h, "wOF2") || starts(h, "ttcf")) return true;
  if (h.size() >= 12 && (starts(h, std::string_view("\0\1\0\0", 4)) || starts(h, "OTTO") || starts(h, "true"))) {
    // The table count, and the search range that follows from it.
    uint32_t tables = be16(h, 4), range = be16(h, 6);
    uint32_t power = 1;
    while (power * 2 <= tables) power *= 2;
    return tables >= 1 && tables <= 64 && range == power * 16;
  }
  return false;
}

class NotTextViewer : public Viewer {
 public:
  NotTextViewer() { info_.notText = true; }
  int readTextBlock(std::string*) override { return 0; }
  int32_t bookMark() const override { return 0; }
  int gotoBookMark(int32_t mark) override { return mark == 0 ? 0 : -1; }
  int rewind() override { return 0; }
  bool deliverUtf8() override { return true; }
};

}  // namespace

const char* kindOf(std::string_view head) {
  if (isImage(head)) return "image";
  if (isAudio(head)) return "audio";
  if (isVideo(head)) return "video";
  if (isProgram(head)) return "program";
  if (isFont(head)) return "font";
  return nullptr;
}

int16_t recognize(const char*, const uint8_t* head, int32_t headBytes) {
  if (!head || headBytes <= 0) return 0;
  return kindOf(std::string_view(reinterpret_cast<const char*>(head), static_cast<size_t>(headBytes))) ? 100 : 0;
}

Viewer* makeViewer(const ImportSettings&, ByteSource& source, const lxrViewerInfo&) {
  (void)source;
  return new NotTextViewer();
}

}  // namespace nottext
