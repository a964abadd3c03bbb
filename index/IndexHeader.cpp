// The index header's field-by-field encoding and the index options file.
#include "index/IndexHeader.h"

#include <cstring>

#include "io/TableFile.h"
#include "io/WholeFile.h"
#include "objects/ByteCodec.h"
#include "platform/Platform.h"

using namespace indexformat;

namespace {

// A text field: at most width - 1 bytes of the text, NUL-padded, so the stored text always
// ends.
void putText(char* field, int32_t width, std::string_view text) {
  auto bytes = static_cast<size_t>(width);
  bytecodec::putFixedString(field, field + bytes, bytes, text.substr(0, bytes - 1));
}

// The text of a field up to its first NUL, at most width - 1 bytes (the last byte is the
// terminator's).
int getText(const char* field, const char* end, int32_t width, std::string* out) {
  return bytecodec::getFixedString(field, end, static_cast<size_t>(width - 1), out);
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
  using namespace bytecodec;
  std::memset(out, 0, kHeaderBytes);
  storeI16(out + kVersionPos, version);
  storeI32(out + kFormatMarkPos, formatMark);
  storeI32(out + kDocumentCountPos, documentCount);
  storeI32(out + kPathCountPos, pathCount);
  storeI32(out + kObsoleteCountPos, obsoleteCount);
  storeI32(out + kSegmentCountPos, segmentCount);
  storeI32(out + kWordCountPos, wordCount);
  putText(out + kDocRootPos, kDocRootBytes, docRoot);
  putText(out + kIndexNamePos, kIndexNameBytes, indexName);
  storeI32(out + kCreatedPos, created);
  storeI32(out + kUpdatedPos, updated);
  storeI32(out + kCompressedPos, compressed);
  out[kInUsePos] = static_cast<char>(inUse);
  putText(out + kWriterPos, kWriterBytes, writer);
  putText(out + kVersionTagPos, kVersionTagBytes, versionTag);
  std::memcpy(out + kFlagsPos, flags, kFlagsBytes);
  storeI32(out + kWriteCountPos, writeCount);
  storeI32(out + kPendingDictionaryPos, pendingDictionary);
}

int IndexHeader::decode(const char* begin, const char* end) {
  using namespace bytecodec;
  if (!begin || !end || end - begin < kHeaderBytes) return -1;
  const char* p = begin;
  IndexHeader h;
  h.version = loadI16(p + kVersionPos);
  h.formatMark = loadI32(p + kFormatMarkPos);
  h.documentCount = loadI32(p + kDocumentCountPos);
  h.pathCount = loadI32(p + kPathCountPos);
  h.obsoleteCount = loadI32(p + kObsoleteCountPos);
  h.segmentCount = loadI32(p + kSegmentCountPos);
  h.wordCount = loadI32(p + kWordCountPos);
  if (getText(p + kDocRootPos, end, kDocRootBytes, &h.docRoot) < 0 ||
      getText(p + kIndexNamePos, end, kIndexNameBytes, &h.indexName) < 0 ||
      getText(p + kWriterPos, end, kWriterBytes, &h.writer) < 0 ||
      getText(p + kVersionTagPos, end, kVersionTagBytes, &h.versionTag) < 0)
    return -1;
  h.created = loadI32(p + kCreatedPos);
  h.updated = loadI32(p + kUpdatedPos);
  h.compressed = loadI32(p + kCompressedPos);
  h.inUse = static_cast<uint8_t>(p[kInUsePos]);
  std::memcpy(h.flags, p + kFlagsPos, kFlagsBytes);
  h.writeCount = loadI32(p + kWriteCountPos);
  h.pendingDictionary = loadI32(p + kPendingDictionaryPos);
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
  if (table.getString(kOptTextModel, &text, 64) == 0) header->unicode = text == kTextModelUnicode;
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
  if (header.unicode) table.putString(kOptTextModel, kTextModelUnicode);
  return table.toFileText();
}

int writeFile(const std::string& path, const IndexHeader& header) {
  return wholefile::write(path, text(header));
}

}  // namespace indexoptions
