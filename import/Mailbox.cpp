// Mailboxes, compressed single files and messages as containers.
#include "import/Mailbox.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

#include "import/ExtractedViewer.h"

namespace {

bool startsNoCase(std::string_view s, std::string_view what) {
  if (s.size() < what.size()) return false;
  for (size_t i = 0; i < what.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(what[i]))) return false;
  return true;
}

std::string_view lineAt(std::string_view s, size_t at) {
  size_t end = s.find('\n', at);
  return s.substr(at, (end == std::string_view::npos ? s.size() : end) - at);
}

}  // namespace

namespace mailbox {

namespace {

// The date of a "From sender date" line ("Mon Jun  1 09:56:31 2009"), as a DOS date; 0 when
// it has none that can be read.
dosdate::DosDateTime fromLineDate(std::string_view line) {
  size_t space = line.find(' ', 5);
  if (space == std::string_view::npos) return 0;
  std::string rest(line.substr(space + 1));
  struct tm t{};
  const char* end = strptime(rest.c_str(), "%a %b %d %H:%M:%S %Y", &t);
  if (!end) return 0;
  return dosdate::fromTime(timegm(&t));
}

}  // namespace

bool looksLikeMbox(std::string_view head) {
  if (head.compare(0, 5, "From ") != 0) return false;
  std::string_view line = lineAt(head, 0);
  // "From sender weekday month day hh:mm:ss year": an address or name, then a time.
  size_t colon = line.find(':', 5);
  bool time = colon != std::string_view::npos && colon >= 2 && colon + 2 < line.size() &&
              std::isdigit(static_cast<unsigned char>(line[colon - 1])) &&
              std::isdigit(static_cast<unsigned char>(line[colon + 1]));
  return line.size() > 10 && line[5] != ' ' && time && looksLikeMessage(head.substr(std::min(head.size(), line.size() + 1)));
}

bool looksLikeMessage(std::string_view head) {
  static const char* const kKnown[] = {"from:", "date:", "subject:", "received:", "message-id:", "mime-version:",
                                       "to:", "return-path:", "delivered-to:"};
  int headers = 0, known = 0;
  size_t at = 0;
  if (head.compare(0, 5, "From ") == 0) at = lineAt(head, 0).size() + 1;
  for (int lines = 0; at < head.size() && lines < 40; ++lines) {
    std::string_view line = lineAt(head, at);
    bool whole = at + line.size() < head.size();
    at += line.size() + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;  // the end of the header
    if (line[0] == ' ' || line[0] == '\t') continue;  // a folded header's next line
    size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) {
      if (!whole) break;  // cut by the end of the head
      return false;
    }
    for (size_t i = 0; i < colon; ++i) {
      auto c = static_cast<unsigned char>(line[i]);
      if (c <= 32 || c >= 127) return false;
    }
    ++headers;
    for (const char* k : kKnown)
      if (startsNoCase(line, k)) ++known;
  }
  return headers >= 3 && known >= 2;
}

std::vector<ExtractedMember> split(std::string_view bytes, int64_t maxTotalBytes, bool* cut) {
  std::vector<ExtractedMember> out;
  *cut = false;
  int64_t total = 0;
  std::string* body = nullptr;
  bool previousEmpty = true;
  for (size_t at = 0; at < bytes.size();) {
    std::string_view line = lineAt(bytes, at);
    size_t next = at + line.size() + 1;
    std::string_view bare = line;
    if (!bare.empty() && bare.back() == '\r') bare.remove_suffix(1);
    if (previousEmpty && line.compare(0, 5, "From ") == 0) {
      if (static_cast<int32_t>(out.size()) >= kMaxMessages) {
        *cut = true;
        break;
      }
      char name[32];
      std::snprintf(name, sizeof name, "message-%05zu.eml", out.size() + 1);
      // The envelope date keeps a message's date when others are added to the mailbox.
      dosdate::DosDateTime date = fromLineDate(line);
      out.push_back({name, {}, dosdate::datePart(date), dosdate::timePart(date)});
      body = &out.back().bytes;
    } else if (body) {
      if (total + static_cast<int64_t>(line.size()) + 1 > maxTotalBytes) {
        *cut = true;
        break;
      }
      // ">From " and ">>From " lose one ">".
      size_t gt = 0;
      while (gt < line.size() && line[gt] == '>') ++gt;
      size_t from = gt > 0 && line.compare(gt, 5, "From ") == 0 ? 1 : 0;
      body->append(line.substr(from));
      if (next <= bytes.size()) body->push_back('\n');
      total += static_cast<int64_t>(line.size()) + 1;
    }
    previousEmpty = bare.empty();
    at = next;
  }
  // The empty line before the next "From " belongs to the mailbox, not to the message.
  for (ExtractedMember& m : out) {
    if (m.bytes.size() >= 2 && m.bytes.compare(m.bytes.size() - 2, 2, "\n\n") == 0) m.bytes.pop_back();
  }
  return out;
}

}  // namespace mailbox

namespace compressed {

bool recognize(std::string_view head, Kind* kind) {
  if (head.size() >= 3 && static_cast<unsigned char>(head[0]) == 0x1F && static_cast<unsigned char>(head[1]) == 0x8B &&
      head[2] == 8) {
    *kind = Kind::kGzip;
    return true;
  }
  if (head.size() >= 10 && head.compare(0, 3, "BZh") == 0 && head[3] >= '1' && head[3] <= '9' &&
      head.compare(4, 6, "\x31\x41\x59\x26\x53\x59") == 0) {
    *kind = Kind::kBzip2;
    return true;
  }
  if (head.size() >= 6 && head.compare(0, 6, std::string_view("\xFD" "7zXZ\x00", 6)) == 0) {
    *kind = Kind::kXz;
    return true;
  }
  return false;
}

namespace {

constexpr size_t kChunk = 64 * 1024;

// The bound on the expanded size of `packed` bytes: a clear error when it is passed.
bool withinBounds(int64_t expanded, int64_t packed, const ZipLimits& limits, std::string* error) {
  if (expanded > limits.maxMemberBytes) {
    *error = "the file inside is larger than " + std::to_string(limits.maxMemberBytes) + " bytes";
    return false;
  }
  if (expanded > limits.ratioFreeBytes && expanded > limits.maxRatio * std::max<int64_t>(packed, 1)) {
    *error = "the file inside expands more than " + std::to_string(limits.maxRatio) + " times its packed size";
    return false;
  }
  return true;
}

int expandGzip(std::string_view packed, const ZipLimits& limits, std::string* out, std::string* error) {
  z_stream z{};
  if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return *error = "zlib could not start", -1;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  int rc = Z_OK;
  char buffer[kChunk];
  for (;;) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = kChunk;
    rc = inflate(&z, Z_NO_FLUSH);
    out->append(buffer, kChunk - z.avail_out);
    if (!withinBounds(static_cast<int64_t>(out->size()), static_cast<int64_t>(packed.size()), limits, error)) {
      inflateEnd(&z);
      return -1;
    }
    if (rc == Z_STREAM_END) {
      // Concatenated members are one file; trailing zeros are padding.
      const char* rest = reinterpret_cast<const char*>(z.next_in);
      size_t left = z.avail_in;
      while (left > 0 && *rest == 0) ++rest, --left;
      if (left < 2 || static_cast<unsigned char>(rest[0]) != 0x1F || static_cast<unsigned char>(rest[1]) != 0x8B) break;
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(rest));
      z.avail_in = static_cast<uInt>(left);
      inflateReset(&z);
      continue;
    }
    if (rc != Z_OK && !(rc == Z_BUF_ERROR && z.avail_in > 0)) break;
    if (z.avail_in == 0 && z.avail_out != 0) break;
  }
  inflateEnd(&z);
  if (rc != Z_STREAM_END) return *error = "the compressed data is damaged or cut short", -1;
  return 0;
}

int expandBzip2(std::string_view packed, const ZipLimits& limits, std::string* out, std::string* error) {
  size_t offset = 0;
  char buffer[kChunk];
  while (offset < packed.size()) {
    bz_stream b{};
    if (BZ2_bzDecompressInit(&b, 0, 0) != BZ_OK) return *error = "bzip2 could not start", -1;
    b.next_in = const_cast<char*>(packed.data() + offset);
    b.avail_in = static_cast<unsigned>(packed.size() - offset);
    int rc = BZ_OK;
    while (rc == BZ_OK) {
      b.next_out = buffer;
      b.avail_out = kChunk;
      rc = BZ2_bzDecompress(&b);
      out->append(buffer, kChunk - b.avail_out);
      if (!withinBounds(static_cast<int64_t>(out->size()), static_cast<int64_t>(packed.size()), limits, error)) {
        BZ2_bzDecompressEnd(&b);
        return -1;
      }
      if (rc == BZ_OK && b.avail_in == 0 && b.avail_out != 0) rc = BZ_UNEXPECTED_EOF;
    }
    size_t used = packed.size() - offset - b.avail_in;
    BZ2_bzDecompressEnd(&b);
    if (rc != BZ_STREAM_END) return *error = "the compressed data is damaged or cut short", -1;
    offset += used;
    // Another stream follows only when it starts as one.
    if (packed.size() - offset < 4 || packed.compare(offset, 3, "BZh") != 0) break;
  }
  return 0;
}

int expandXz(std::string_view packed, const ZipLimits& limits, std::string* out, std::string* error) {
  lzma_stream x = LZMA_STREAM_INIT;
  // The decoder's own memory is bounded too (a hostile header can ask for gigabytes).
  if (lzma_stream_decoder(&x, uint64_t{256} << 20, LZMA_CONCATENATED) != LZMA_OK) return *error = "xz could not start", -1;
  x.next_in = reinterpret_cast<const uint8_t*>(packed.data());
  x.avail_in = packed.size();
  uint8_t buffer[kChunk];
  lzma_ret rc = LZMA_OK;
  while (rc == LZMA_OK) {
    x.next_out = buffer;
    x.avail_out = kChunk;
    rc = lzma_code(&x, x.avail_in == 0 ? LZMA_FINISH : LZMA_RUN);
    out->append(reinterpret_cast<const char*>(buffer), kChunk - x.avail_out);
    if (!withinBounds(static_cast<int64_t>(out->size()), static_cast<int64_t>(packed.size()), limits, error)) {
      lzma_end(&x);
      return -1;
    }
  }
  lzma_end(&x);
  if (rc == LZMA_MEMLIMIT_ERROR) return *error = "the xz file asks for too much memory", -1;
  if (rc != LZMA_STREAM_END) return *error = "the compressed data is damaged or cut short", -1;
  return 0;
}

}  // namespace

int expand(Kind kind, std::string_view packed, const ZipLimits& limits, std::string* out, std::string* error) {
  out->clear();
  int rc = kind == Kind::kGzip ? expandGzip(packed, limits, out, error)
           : kind == Kind::kBzip2 ? expandBzip2(packed, limits, out, error)
                                  : expandXz(packed, limits, out, error);
  if (rc < 0) out->clear();
  return rc;
}

std::string gzipName(std::string_view packed) {
  if (packed.size() < 10 || !(static_cast<unsigned char>(packed[3]) & 8)) return "";
  size_t at = 10;
  if (static_cast<unsigned char>(packed[3]) & 4) {  // FEXTRA
    if (packed.size() < 12) return "";
    at = 12 + (static_cast<unsigned char>(packed[10]) | static_cast<unsigned char>(packed[11]) << 8);
  }
  if (at >= packed.size()) return "";
  size_t end = packed.find('\0', at);
  if (end == std::string_view::npos || end - at > 255) return "";
  return std::string(packed.substr(at, end - at));
}

std::string memberName(Kind kind, std::string_view packed, const std::string& fileName) {
  std::string base = fileName.substr(fileName.find_last_of("/\\") == std::string::npos ? 0 : fileName.find_last_of("/\\") + 1);
  std::string stored;
  if (kind == Kind::kGzip) {
    // ISO 8859-1 by the format; kept only when it is a plain, safe name.
    stored = gzipName(packed);
    bool safe = !stored.empty() && stored != "." && stored != "..";
    for (unsigned char c : stored)
      if (c < 32 || c >= 127 || c == '/' || c == '\\') safe = false;
    if (safe) return stored;
  }
  auto ends = [&](const char* suffix) {
    size_t n = std::strlen(suffix);
    return base.size() > n && strcasecmp(base.c_str() + base.size() - n, suffix) == 0;
  };
  for (const char* s : {".gz", ".bz2", ".xz", ".z"})
    if (ends(s)) return base.substr(0, base.size() - std::strlen(s));
  for (const char* s : {".tgz", ".tbz2", ".tbz", ".txz"})
    if (ends(s)) return base.substr(0, base.size() - std::strlen(s)) + ".tar";
  return base.empty() ? "contents" : base + ".out";
}

}  // namespace compressed

namespace {

// The one member of a compressed file, expanded when asked.
class CompressedContainer : public MemberContainer {
 public:
  CompressedContainer(compressed::Kind kind, std::string packed, const std::string& fileName,
                      dosdate::DosDateTime date, const ZipLimits& limits)
      : kind_(kind), packed_(std::move(packed)), limits_(limits) {
    ContainerMember m;
    m.index = 0;
    // The expanded size is known only by expanding: the packed size stands for it, so a
    // changed file is indexed again.
    m.sizeBytes = static_cast<int64_t>(packed_.size());
    m.packedBytes = m.sizeBytes;
    m.name = compressed::memberName(kind, packed_, fileName);
    m.date = date;
    if (kind == compressed::Kind::kGzip && packed_.size() >= 8) {
      uint32_t t = 0;
      for (int k = 7; k >= 4; --k) t = t << 8 | static_cast<unsigned char>(packed_[static_cast<size_t>(k)]);
      if (t != 0) m.date = dosdate::fromTime(static_cast<std::time_t>(t));
    }
    list_.push_back(m);
  }

 protected:
  int fetch(int32_t, std::string* bytes) override {
    std::string error;
    if (compressed::expand(kind_, packed_, limits_, bytes, &error) < 0) return fail(error);
    return 0;
  }

 private:
  compressed::Kind kind_;
  std::string packed_;
  ZipLimits limits_;
};

}  // namespace

Viewer* makeMboxViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info) {
  std::string bytes;
  if (!readWhole(source, &bytes)) return nullptr;
  bool cut = false;
  std::vector<ExtractedMember> messages = mailbox::split(bytes, settings.zipLimits.maxTotalBytes, &cut);
  // A mailbox of one message (a message saved with its "From " line) is that message.
  if (messages.size() == 1 && !cut) {
    MemorySource message(source.name(), std::move(messages[0].bytes), source.date());
    return makeMailViewer(settings, message, info);
  }
  auto* viewer = new MemberContainer(nullptr, std::move(messages), 0);
  viewer->fileInfo().type = 240;
  return viewer;
}

Viewer* makeCompressedViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo&) {
  std::string bytes;
  compressed::Kind kind;
  if (!readWhole(source, &bytes) || !compressed::recognize(bytes, &kind)) return nullptr;
  auto* viewer = new CompressedContainer(kind, std::move(bytes), source.name(), source.date(), settings.zipLimits);
  viewer->fileInfo().type = kind == compressed::Kind::kGzip ? 241 : kind == compressed::Kind::kBzip2 ? 242 : 243;
  return viewer;
}

Viewer* makeMailViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info) {
  auto text = std::make_unique<ExtractedViewer>(settings, source, "mail", info.blockSize);
  std::vector<ExtractedMember> members = text->takeMembers();
  return new MemberContainer(std::move(text), std::move(members), source.date());
}
