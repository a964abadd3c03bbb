#include "search/ResultsFile.h"

#include <algorithm>
#include <cstring>

#include "io/FileMode.h"
#include "io/IOFile.h"
#include "objects/ByteCodec.h"

namespace {

constexpr int32_t kHitsPos = ResultsHeader::kRequestBytes;

}  // namespace

void ResultsHeader::encode(char out[kBytes]) const {
  std::memset(out, 0, kBytes);
  // The request keeps a NUL after it.
  bytecodec::putFixedString(out, out + kBytes, kRequestBytes - 1, request);
  bytecodec::storeI32(out + kHitsPos, totalHits);
  bytecodec::storeI32(out + kHitsPos + 4, documents);
  bytecodec::storeI32(out + kHitsPos + 8, highScore);
  bytecodec::storeI32(out + kHitsPos + 12, searchTime);
}

bool ResultsHeader::decode(const char in[kBytes]) {
  bytecodec::getFixedString(in, in + kBytes, kRequestBytes - 1, &request);
  totalHits = bytecodec::loadI32(in + kHitsPos);
  documents = bytecodec::loadI32(in + kHitsPos + 4);
  highScore = bytecodec::loadI32(in + kHitsPos + 8);
  searchTime = bytecodec::loadI32(in + kHitsPos + 12);
  return totalHits >= 0 && documents >= 0;
}

int ResultsFile::create(const std::string& name) {
  table_.setBlockBytes(kBlockBytes);
  if (DocInfo::createTable(table_, name, true) < 0) return -1;
  table_.setTitle(kTitle);
  char header[ResultsHeader::kBytes];
  ResultsHeader().encode(header);
  table_.putHeaderData(header, ResultsHeader::kBytes);
  return 0;
}

int ResultsFile::open(const std::string& name, bool write) {
  int mode = write ? filemode::kRead | filemode::kWrite : filemode::kRead;
  table_.setBlockBytes(kBlockBytes);
  if (table_.open(name.c_str(), mode, true) < 0) return -1;
  if (table_.getTitle() != kTitle || table_.getFieldCount() != DocInfo::kResultFieldCount) {
    table_.close();
    return -1;
  }
  return 0;
}

int ResultsFile::close() { return table_.close(); }

int32_t ResultsFile::add(ResultsItem& item) {
  size_t n = std::min(item.hits.size(), kMaxHits);
  item.doc.hitCount = static_cast<int32_t>(item.hits.size());
  item.doc.hitPtr = 0;
  if (n > 0) {
    std::string bytes(n * 4, '\0');
    for (size_t i = 0; i < n; ++i) bytecodec::storeI32(bytes.data() + 4 * i, item.hits[i]);
    int32_t pos = 0;
    IOFile* out = table_.writeObject(kHitsObject, static_cast<int32_t>(bytes.size()), &pos);
    if (!out || out->write(bytes.data(), static_cast<int32_t>(bytes.size())) != static_cast<int32_t>(bytes.size()) ||
        table_.endObject() < 0)
      return -1;
    item.doc.hitPtr = pos;
  }
  int32_t number = table_.getRecordCount();
  if (item.doc.writeRecord(table_, number, "", false, true) < 0) return -1;
  return number;
}

int ResultsFile::read(int32_t n, ResultsItem* item) {
  item->hits.clear();
  if (item->doc.readRecord(table_, n, 0, "", false, false, true) < 0) return -1;
  if (item->doc.hitPtr <= 0) return 0;
  std::string name;
  int32_t bytes = 0;
  IOFile* in = table_.openObject(item->doc.hitPtr, &name, &bytes);
  if (!in || name != kHitsObject || bytes < 0 || bytes % 4 != 0 ||
      static_cast<size_t>(bytes) > kMaxHits * 4)
    return -1;
  std::string data(static_cast<size_t>(bytes), '\0');
  if (in->read(data.data(), bytes) != bytes) return -1;
  for (int32_t i = 0; i < bytes; i += 4) item->hits.push_back(bytecodec::loadI32(data.data() + i));
  return 0;
}

int ResultsFile::writeHeader(const ResultsHeader& header) {
  char bytes[ResultsHeader::kBytes];
  header.encode(bytes);
  return table_.putHeaderData(bytes, ResultsHeader::kBytes) == ResultsHeader::kBytes ? 0 : -1;
}

int ResultsFile::readHeader(ResultsHeader* header) const {
  char bytes[ResultsHeader::kBytes];
  if (table_.getHeaderData(bytes, ResultsHeader::kBytes) != ResultsHeader::kBytes) return -1;
  return header->decode(bytes) ? 0 : -1;
}
