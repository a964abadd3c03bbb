// Recognising document packages and making their viewers.
#include "import/PackageViewers.h"

#include <cctype>
#include <string>
#include <string_view>

#include "import/ExtractedViewer.h"
#include "import/ZipArchive.h"

namespace packageviewers {

namespace {

constexpr std::string_view kOdfMime = "application/vnd.oasis.opendocument.";
constexpr std::string_view kEpubMime = "application/epub+zip";
constexpr int64_t kMaxMimeBytes = 256;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// The value of a stored `mimetype` member at the start of the file, as far as the head shows.
std::string_view headMime(const uint8_t* head, int32_t headBytes) {
  if (headBytes < 38 || std::string_view(reinterpret_cast<const char*>(head), 4) != "PK\x03\x04") return {};
  if (le16(head + 8) != 0 || le16(head + 26) != 8) return {};
  if (std::string_view(reinterpret_cast<const char*>(head + 30), 8) != "mimetype") return {};
  int32_t at = 38 + le16(head + 28);
  if (at >= headBytes) return {};
  return std::string_view(reinterpret_cast<const char*>(head + at), static_cast<size_t>(headBytes - at));
}

// True when a local header in the head names a member `name` (or, with `prefix`, one that
// starts with it).
bool headNames(const uint8_t* head, int32_t headBytes, std::string_view name, bool prefix) {
  std::string_view h(reinterpret_cast<const char*>(head), static_cast<size_t>(headBytes));
  for (size_t at = h.find("PK\x03\x04"); at != std::string_view::npos; at = h.find("PK\x03\x04", at + 4)) {
    if (at + 30 > h.size()) break;
    size_t length = le16(head + at + 26);
    std::string_view member = h.substr(at + 30, std::min(length, h.size() - at - 30));
    if (member.size() < length && !prefix) continue;
    if (prefix ? member.starts_with(name) : member == name) return true;
  }
  return false;
}

bool startsNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

int16_t recognizeOdf(const uint8_t* head, int32_t headBytes, std::string_view kind) {
  std::string_view mime = headMime(head, headBytes);
  return mime.starts_with(kOdfMime) && mime.substr(kOdfMime.size()).starts_with(kind) ? 100 : 0;
}

}  // namespace

int16_t recognizeOoxml(const char*, const uint8_t* head, int32_t headBytes) {
  if (!head || headBytes < 30) return 0;
  for (std::string_view n : {"[Content_Types].xml", "word/", "xl/", "ppt/"})
    if (headNames(head, headBytes, n, n.back() == '/')) return 100;
  return 0;
}
int16_t recognizeOdfText(const char*, const uint8_t* head, int32_t headBytes) {
  return head ? recognizeOdf(head, headBytes, "text") : 0;
}
int16_t recognizeOdfSpreadsheet(const char*, const uint8_t* head, int32_t headBytes) {
  return head ? recognizeOdf(head, headBytes, "spreadsheet") : 0;
}
int16_t recognizeOdfPresentation(const char*, const uint8_t* head, int32_t headBytes) {
  if (!head) return 0;
  return std::max(recognizeOdf(head, headBytes, "presentation"), recognizeOdf(head, headBytes, "graphics"));
}
int16_t recognizeEpub(const char*, const uint8_t* head, int32_t headBytes) {
  if (!head || headBytes < 30) return 0;
  if (headMime(head, headBytes).starts_with(kEpubMime)) return 100;
  return headNames(head, headBytes, "META-INF/container.xml", false) ? 100 : 0;
}

Kind kindOf(ByteSource& source) {
  ZipArchive zip;
  if (zip.open(source) < 0) return Kind::kUnreadable;
  ContainerMember m;
  std::string mime;
  if (zip.find("mimetype", &m) == 0 && m.sizeBytes <= kMaxMimeBytes) zip.extract(m, &mime);
  if (std::string_view(mime).starts_with(kOdfMime) && zip.find("content.xml", &m) == 0) return Kind::kOdf;
  if (std::string_view(mime).starts_with(kEpubMime)) return Kind::kEpub;
  if (zip.find("[Content_Types].xml", &m) == 0) {
    for (int32_t i = 0; i < zip.count(); ++i)
      if (zip.itemAt(i, &m) == 0 && (startsNoCase(m.name, "word/") || startsNoCase(m.name, "xl/") || startsNoCase(m.name, "ppt/")))
        return Kind::kOoxml;
  }
  if (zip.find("META-INF/container.xml", &m) == 0) return Kind::kEpub;
  if (zip.find("content.xml", &m) == 0 && zip.find("META-INF/manifest.xml", &m) == 0) return Kind::kOdf;
  return Kind::kNone;
}

namespace {

Viewer* makeIf(Kind wanted, const ImportSettings& s, ByteSource& source, const lxrViewerInfo& info) {
  Kind kind = kindOf(source);
  if (kind == Kind::kUnreadable && wanted != Kind::kNone) kind = wanted;
  if (kind == Kind::kNone || kind == Kind::kUnreadable || (wanted != Kind::kNone && kind != wanted)) return nullptr;
  const char* extractor = kind == Kind::kOoxml ? "ooxml" : kind == Kind::kOdf ? "odf" : "epub";
  return makeExtractedViewer(s, source, info, extractor);
}

}  // namespace

Viewer* makeOoxmlViewer(const ImportSettings& s, ByteSource& source, const lxrViewerInfo& info) {
  return makeIf(Kind::kOoxml, s, source, info);
}
Viewer* makeOdfViewer(const ImportSettings& s, ByteSource& source, const lxrViewerInfo& info) {
  return makeIf(Kind::kOdf, s, source, info);
}
Viewer* makeEpubViewer(const ImportSettings& s, ByteSource& source, const lxrViewerInfo& info) {
  return makeIf(Kind::kEpub, s, source, info);
}
Viewer* makePackageViewer(const ImportSettings& s, ByteSource& source, const lxrViewerInfo& info) {
  return makeIf(Kind::kNone, s, source, info);
}

}  // namespace packageviewers
