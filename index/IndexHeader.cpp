// The index header's field-by-field encoding and the index options file.
#include "index/IndexHeader.h"

#include <cstring>

#include "io/TableFile.h"
#include "io/WholeFile.h"
#include "platform/Platform.h"

using namespace indexformat;

namespace {

void putShort(char* out, int32_t pos, int16_t v) {
  auto u = static_cast<uint16_t>(v);
  out[pos] = static_cast<char>(u & 0xFF);
  out[pos + 1] = static_cast<char>(u >> 8);
}

void putLong(char* out, int32_t pos, int32_t v) {
  auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out[pos + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

// Zero-pads the field and copies at most width - 1 bytes, so the stored text always ends.
void putText(char* out, int32_t pos, int32_t width, const std::string& text) {
  std::memset(out + pos, 0, static_cast<size_t>(width));
  size_t n = text.size() < static_cast<size_t>(width - 1) ? text.size() : width - 1;
  std::memcpy(out + pos, text.data(), n);
}

int16_t getShort(const unsigned char* p, int32_t pos) {
  return static_cast<int16_t>(p[pos] | (p[pos + 1] << 8));
}

int32_t getLong(const unsigned char* p, int32_t pos) {
  uint32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | p[pos + i];
  return static_cast<int32_t>(u);
}

// The text up to the first NUL, at most width - 1 bytes (the last byte is the terminator's).
std::string getText(const unsigned char* p, int32_t pos, int32_t width) {
  const char* s = reinterpret_cast<const char*>(p + pos);
  size_t n = 0;
  while (n < static_cast<size_t>(width - 1) && s[n] != '\0') ++n;
  return std::string(s, n);
}

}  // namespace

bool IndexHeader::ignoreAccents() const {
  return flags[kFlagValid] == 0 || flags[kFlagIgnoreAccents] != 0;
}

bool IndexHeader::ignoreCase() const {
  return flags[kFlagValid] == 0 || flags[kFlagIgnoreCase] != 0;
}

bool IndexHeader::relativePaths() const {
  return flags[kFlagValid] == 0 || flags[kFlagRelativePaths] != 0;
}

void IndexHeader::setFlags(bool ignoreAccentsFlag, bool ignoreCaseFlag, bool relativePathsFlag) {
  flags[kFlagIgnoreAccents] = ignoreAccentsFlag ? 1 : 0;
  flags[kFlagIgnoreCase] = ignoreCaseFlag ? 1 : 0;
  flags[kFlagRelativePaths] = relativePathsFlag ? 1 : 0;
  flags[kFlagValid] = 1;
}

void IndexHeader::initNew() {
  *this = IndexHeader();
  version = kVersion;
  formatMark = kFormatMark;
  writeCount = 1;
  versionTag = kVersionTag;
}

void IndexHeader::encode(char* out) const {
  std::memset(out, 0, kHeaderBytes);
  putShort(out, kVersionPos, version);
  putLong(out, kFormatMarkPos, formatMark);
  putLong(out, kDocumentCountPos, documentCount);
  putLong(out, kPathCountPos, pathCount);
  putLong(out, kObsoleteCountPos, obsoleteCount);
  putLong(out, kSegmentCountPos, segmentCount);
  putLong(out, kWordCountPos, wordCount);
  putText(out, kDocRootPos, kDocRootBytes, docRoot);
  putText(out, kIndexNamePos, kIndexNameBytes, indexName);
  putLong(out, kCreatedPos, created);
  putLong(out, kUpdatedPos, updated);
  putLong(out, kCompressedPos, compressed);
  out[kInUsePos] = static_cast<char>(inUse);
  putText(out, kWriterPos, kWriterBytes, writer);
  putText(out, kVersionTagPos, kVersionTagBytes, versionTag);
  std::memcpy(out + kFlagsPos, flags, kFlagsBytes);
  putLong(out, kWriteCountPos, writeCount);
  putLong(out, kPendingDictionaryPos, pendingDictionary);
}

int IndexHeader::decode(const char* begin, const char* end) {
  if (!begin || !end || end - begin < kHeaderBytes) return -1;
  const auto* p = reinterpret_cast<const unsigned char*>(begin);
  IndexHeader h;
  h.version = getShort(p, kVersionPos);
  h.formatMark = getLong(p, kFormatMarkPos);
  h.documentCount = getLong(p, kDocumentCountPos);
  h.pathCount = getLong(p, kPathCountPos);
  h.obsoleteCount = getLong(p, kObsoleteCountPos);
  h.segmentCount = getLong(p, kSegmentCountPos);
  h.wordCount = getLong(p, kWordCountPos);
  h.docRoot = getText(p, kDocRootPos, kDocRootBytes);
  h.indexName = getText(p, kIndexNamePos, kIndexNameBytes);
  h.created = getLong(p, kCreatedPos);
  h.updated = getLong(p, kUpdatedPos);
  h.compressed = getLong(p, kCompressedPos);
  h.inUse = p[kInUsePos];
  h.writer = getText(p, kWriterPos, kWriterBytes);
  h.versionTag = getText(p, kVersionTagPos, kVersionTagBytes);
  std::memcpy(h.flags, p + kFlagsPos, kFlagsBytes);
  h.writeCount = getLong(p, kWriteCountPos);
  h.pendingDictionary = getLong(p, kPendingDictionaryPos);
  *this = h;
  return 0;
}

int IndexHeader::problem(std::string* reason) const {
  auto say = [reason](const char* text) {
    if (reason) *reason = text;
    return 1;
  };
  if (formatMark != kFormatMark) return say("not an index header");
  if (version / kVersionFamilyDivisor != kVersionFamily) return 5;
  if (!versionTag.empty() && versionTag[0] != '%' && versionTag != kVersionTag) return 2;
  // Counts that no update can produce would send readers past their tables.
  if (documentCount < 0 || pathCount < 0 || obsoleteCount < 0 || wordCount < 0 ||
      obsoleteCount > documentCount || pendingDictionary < 0 || writeCount < 0)
    return say("the index header is damaged");
  return 0;
}

namespace indexoptions {

int apply(const char* data, size_t size, IndexHeader* header) {
  TableFile table(kOptionsTitle);
  if (table.parse(data, size) < 0) return -1;
  std::string text;
  if (table.getString(kOptName, &text, kIndexNameBytes - 1) == 0) header->indexName = text;
  if (table.getString(kOptDocRoot, &text, kDocRootBytes - 1) == 0) header->docRoot = text;
  bool ignoreAccents = header->ignoreAccents();
  bool ignoreCase = header->ignoreCase();
  bool relative = header->relativePaths();
  int32_t v = 0;
  if (table.getInt32(kOptRelativePaths, &v) == 0) relative = v != 0;
  if (table.getInt32(kOptCaseSensitive, &v) == 0) ignoreCase = v == 0;
  if (table.getInt32(kOptAccentSensitive, &v) == 0) ignoreAccents = v == 0;
  header->setFlags(ignoreAccents, ignoreCase, relative);
  return 0;
}

int applyFile(const std::string& path, IndexHeader* header) {
  if (!platform::fileExists(path.c_str())) return 1;
  std::string data;
  if (wholefile::read(path, &data, TableFile::kMaxFileBytes) < 0) return -1;
  return apply(data.data(), data.size(), header);
}

std::string text(const IndexHeader& header) {
  TableFile table(kOptionsTitle);
  table.putString(kOptName, header.indexName);
  table.putInt(kOptRelativePaths, header.relativePaths() ? 1 : 0);
  table.putInt(kOptCaseSensitive, header.ignoreCase() ? 0 : 1);
  table.putInt(kOptAccentSensitive, header.ignoreAccents() ? 0 : 1);
  return table.toFileText();
}

int writeFile(const std::string& path, const IndexHeader& header) {
  return wholefile::write(path, text(header));
}

}  // namespace indexoptions
