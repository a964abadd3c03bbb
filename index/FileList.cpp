#include "index/FileList.h"

#include "objects/ByteCodec.h"
#include "platform/Platform.h"

namespace {

// A record: name length (4 bytes), size (4), modification date (4), the name's bytes.
constexpr size_t kHeadBytes = 12;
constexpr uint32_t kMaxNameBytes = 65536;

}  // namespace

FileList::~FileList() { remove(); }

int FileList::create(const std::string& name) {
  remove();
  name_ = name;
  file_ = platform::openStream(name.c_str(), "w+b");  // made fresh: nothing planted is followed
  failed_ = file_ == nullptr;
  return file_ ? 0 : -1;
}

int FileList::append(const FoundFile& file) {
  if (!file_ || failed_ || file.name.size() > kMaxNameBytes) return -1;
  unsigned char head[kHeadBytes];
  bytecodec::storeU32(head, static_cast<uint32_t>(file.name.size()));
  bytecodec::storeU32(head + 4, static_cast<uint32_t>(file.size));
  bytecodec::storeU32(head + 8, file.modDate);
  if (std::fwrite(head, 1, kHeadBytes, file_) != kHeadBytes ||
      std::fwrite(file.name.data(), 1, file.name.size(), file_) != file.name.size()) {
    failed_ = true;
    return -1;
  }
  ++count_;
  return 0;
}

int FileList::rewind() {
  if (!file_ || failed_) return -1;
  if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) {
    failed_ = true;
    return -1;
  }
  return 0;
}

int FileList::next(FoundFile* file) {
  if (!file_ || failed_) return -1;
  unsigned char head[kHeadBytes];
  size_t got = std::fread(head, 1, kHeadBytes, file_);
  if (got == 0 && std::feof(file_)) return 0;
  uint32_t length = got == kHeadBytes ? bytecodec::loadU32(head) : kMaxNameBytes + 1;
  if (length > kMaxNameBytes) {
    failed_ = true;
    return -1;
  }
  *file = FoundFile();
  file->name.resize(length);
  if (std::fread(file->name.data(), 1, length, file_) != length) {
    failed_ = true;
    return -1;
  }
  file->size = static_cast<int32_t>(bytecodec::loadU32(head + 4));
  file->modDate = bytecodec::loadU32(head + 8);
  file->foundDate = file->modDate;
  return 1;
}

void FileList::remove() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!name_.empty()) platform::removeFile(name_.c_str());
  name_.clear();
  count_ = 0;
  failed_ = false;
}
