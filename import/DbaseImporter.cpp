// dBASE tables to text blocks, read a run of whole records at a time.
#include "import/DbaseImporter.h"

#include <algorithm>

#include "import/BinaryImporter.h"
#include "import/CodePage.h"
#include "import/TextBlock.h"
#include "objects/ByteCodec.h"

namespace {

// Header fields.
constexpr int kVersionPos = 0;
constexpr int kRecordCountPos = 4;
constexpr int kHeaderBytesPos = 8;
constexpr int kRecordBytesPos = 10;
constexpr int kLanguageDriverPos = 29;
// Field descriptor fields.
constexpr int kFieldTypePos = 11;
constexpr int kFieldLengthPos = 16;
constexpr int kFieldDecimalsPos = 17;
constexpr int kMaxFieldCount = 255;
constexpr char kCharacterType = 'C';

// The iconv name of the code page of a language driver byte; null for Windows-1252 (also
// when the byte is 0, the value most programs leave there).
const char* codePageName(uint8_t driver) {
  switch (driver) {
    case 0x01: return "CP437";
    case 0x02: return "CP850";
    case 0x64: return "CP852";
    case 0x65: return "CP866";
    case 0x66: return "CP865";
    case 0x67: return "CP861";
    case 0xC8: return "CP1250";
    case 0xC9: return "CP1251";
    case 0xCA: return "CP1254";
    case 0xCB: return "CP1253";
    case 0x7D: return "CP1255";
    case 0x7E: return "CP1256";
    default: return nullptr;
  }
}

}  // namespace

DbaseImporter::DbaseImporter(ByteSource& source, int32_t blockBytes)
    : source_(source), blockBytes_(std::max<int32_t>(blockBytes, 256)) {
  for (int b = 0; b < 256; ++b) codePage_[b] = static_cast<unsigned char>(b);
  uint8_t header[kHeaderBytes];
  if (source_.readAt(0, header, kHeaderBytes) != kHeaderBytes) return;
  // The low three bits of the version byte give the level: 3 (dBASE III and its successors
  // and clones), 4 or 5; FoxPro's 0x30..0x32 tables too.
  uint8_t version = header[kVersionPos];
  int level = version & 7;
  if (!(level >= 3 && level <= 5) && !(version >= 0x30 && version <= 0x32)) return;
  int64_t claimed = bytecodec::loadU32(header + kRecordCountPos);
  headerBytes_ = bytecodec::loadU16(header + kHeaderBytesPos);
  recordBytes_ = bytecodec::loadU16(header + kRecordBytesPos);
  int32_t size = source_.size();
  if (headerBytes_ < kHeaderBytes + 1 || headerBytes_ > size || recordBytes_ < 2) return;
  if (const char* name = codePageName(header[kLanguageDriverPos]))
    codepage::singleByteTable(name, codePage_);

  // Field descriptors, up to the terminator or the end of the header.
  std::vector<uint8_t> descriptors(static_cast<size_t>(headerBytes_ - kHeaderBytes));
  int32_t got = source_.readAt(kHeaderBytes, descriptors.data(), static_cast<int32_t>(descriptors.size()));
  if (got < 0) return;
  int32_t offset = 0;
  for (int32_t at = 0; at + kFieldBytes <= got && descriptors[static_cast<size_t>(at)] != kFieldsEnd &&
                       at / kFieldBytes < kMaxFieldCount;
       at += kFieldBytes) {
    const uint8_t* d = descriptors.data() + at;
    int32_t length = d[kFieldLengthPos];
    // Character fields longer than 255 bytes keep the high byte of the length in the
    // decimals byte.
    if (d[kFieldTypePos] == kCharacterType) length |= d[kFieldDecimalsPos] << 8;
    if (offset + length > recordBytes_ - 1) break;  // a field past the record's end
    if (d[kFieldTypePos] == kCharacterType && length > 0) fields_.push_back({offset, length});
    offset += length;
  }
  if (fields_.empty()) return;
  int64_t whole = (static_cast<int64_t>(size) - headerBytes_) / recordBytes_;
  recordCount_ = static_cast<int32_t>(std::min(claimed, whole));
  ok_ = true;
}

int DbaseImporter::gotoBookMark(int32_t mark) {
  if (mark < 0 || mark > recordCount_) return -1;
  recordNum_ = mark;
  return 0;
}

int DbaseImporter::readTextBlock(std::string* out) {
  if (!ok_ || recordNum_ >= recordCount_) return 0;
  int32_t records = std::max<int32_t>(1, blockBytes_ / recordBytes_);
  records = std::min(records, recordCount_ - recordNum_);
  std::vector<uint8_t> raw(static_cast<size_t>(records) * static_cast<size_t>(recordBytes_));
  int64_t pos = headerBytes_ + static_cast<int64_t>(recordNum_) * recordBytes_;
  int32_t got = source_.readAt(static_cast<int32_t>(pos), raw.data(), static_cast<int32_t>(raw.size()));
  if (got != static_cast<int32_t>(raw.size())) return -1;
  size_t before = out->size();
  for (int32_t r = 0; r < records; ++r) {
    const uint8_t* record = raw.data() + static_cast<size_t>(r) * static_cast<size_t>(recordBytes_);
    if (record[0] == kDeleted) continue;
    const uint8_t* values = record + 1;
    for (size_t f = 0; f < fields_.size(); ++f) {
      if (f > 0) out->push_back(static_cast<char>(textblock::kTab));
      int32_t length = fields_[f].length;
      const uint8_t* v = values + fields_[f].offset;
      while (length > 0 && (v[length - 1] == ' ' || v[length - 1] == 0)) --length;
      for (int32_t i = 0; i < length; ++i) {
        unsigned char c = codePage_[v[i]];
        out->push_back(static_cast<char>(c < 32 || c == 127 ? ' ' : c));
      }
    }
    out->push_back(static_cast<char>(textblock::kParagraphEnd));
  }
  recordNum_ += records;
  if (out->size() == before) out->push_back(' ');  // only deleted records: never an empty block
  return static_cast<int>(out->size() - before);
}

void* makeDbaseImport(void* source, const lxrViewerInfo* info) {
  if (!source || !info) return nullptr;
  auto* bytes = static_cast<ByteSource*>(source);
  auto* importer = new DbaseImporter(*bytes, info->blockSize);
  if (importer->ok()) return static_cast<Viewer*>(importer);
  delete importer;
  // Named like a table but not one: its readable runs, as for any unknown binary file.
  return static_cast<Viewer*>(new FilteredImporter(*bytes, info->blockSize));
}
