// Members kept in memory.
#include "import/MemberContainer.h"

#include <cstdio>

#include <strings.h>

MemberContainer::MemberContainer(std::unique_ptr<Viewer> text, std::vector<ExtractedMember> members,
                                 dosdate::DosDateTime date)
    : text_(std::move(text)) {
  if (text_) info_ = text_->fileInfo();
  for (ExtractedMember& m : members) {
    ContainerMember c;
    c.index = static_cast<int32_t>(list_.size());
    c.sizeBytes = static_cast<int64_t>(m.bytes.size());
    c.packedBytes = c.sizeBytes;
    c.name = m.name;
    c.date = m.dosDate || m.dosTime ? dosdate::make(m.dosDate, m.dosTime) : date;
    if (m.bytes.empty()) c.flags |= ContainerMember::kNotDocument;
    list_.push_back(c);
    bytes_.push_back(std::move(m.bytes));
  }
}

bool MemberContainer::deliverUtf8() {
  if (!text_) return false;
  bool utf8 = text_->deliverUtf8();
  info_.title = text_->fileInfo().title;
  return utf8;
}

int MemberContainer::fail(const std::string& why) {
  errorText_ = why;
  return -1;
}

int MemberContainer::first(ContainerMember* member) {
  next_ = 0;
  return next(member);
}

int MemberContainer::next(ContainerMember* member) {
  if (!open_ || next_ >= static_cast<int32_t>(list_.size())) return -1;
  *member = list_[static_cast<size_t>(next_++)];
  errorText_ = "OK";
  return 0;
}

int MemberContainer::infoByName(const std::string& name, ContainerMember* member) {
  if (!open_) return -1;
  for (const ContainerMember& m : list_)
    if (m.name == name) return *member = m, errorText_ = "OK", 0;
  for (const ContainerMember& m : list_)
    if (strcasecmp(m.name.c_str(), name.c_str()) == 0) return *member = m, errorText_ = "OK", 0;
  return fail("Item not found");
}

int MemberContainer::infoByIndex(int32_t index, ContainerMember* member) {
  if (!open_ || index < 0 || index >= static_cast<int32_t>(list_.size())) return fail("Index out of bounds");
  *member = list_[static_cast<size_t>(index)];
  errorText_ = "OK";
  return 0;
}

int MemberContainer::fetch(int32_t index, std::string* bytes) {
  *bytes = bytes_[static_cast<size_t>(index)];
  return 0;
}

int MemberContainer::extractToMemory(const ContainerMember& member, std::string* bytes) {
  bytes->clear();
  if (!open_ || member.index < 0 || member.index >= static_cast<int32_t>(list_.size()))
    return fail("Index out of bounds");
  if (fetch(member.index, bytes) < 0) {
    bytes->clear();
    return -1;
  }
  errorText_ = "OK";
  return 0;
}

int MemberContainer::extractToFile(const ContainerMember& member, const std::string& outputName) {
  std::string bytes;
  if (extractToMemory(member, &bytes) < 0) return -1;
  std::FILE* f = std::fopen(outputName.c_str(), "wb");
  if (!f) return fail("Unable to create " + outputName);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    std::remove(outputName.c_str());
    return fail("Unable to write " + outputName);
  }
  return 0;
}
