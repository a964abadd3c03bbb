// Byte sources of documents.
#include "import/Viewer.h"

#include <algorithm>
#include <cstring>

#include "io/FileMode.h"

int FileSource::open(const std::string& name) {
  if (input_.isOpen()) return -1;
  // Reading documents must not stop their owners from writing them meanwhile.
  if (input_.open(name.c_str(), filemode::kRead | filemode::kDenyNone) < 0) return -1;
  name_ = name;
  return 0;
}

int FileSource::close() {
  if (!input_.isOpen()) return 0;
  return input_.close();
}

int32_t FileSource::readAt(int32_t position, void* into, int32_t n) {
  if (!input_.isOpen() || position < 0 || n < 0) return -1;
  int32_t length = input_.getLength();
  if (position >= length || n == 0) return 0;
  n = std::min(n, length - position);
  if (input_.seek(position) < 0) return -1;
  return input_.read(into, n);
}

int32_t FileSource::size() const { return input_.isOpen() ? input_.getLength() : 0; }

dosdate::DosDateTime FileSource::date() const {
  return input_.isOpen() && input_.file() ? input_.file()->lastWriteTime() : 0;
}

int32_t MemorySource::readAt(int32_t position, void* into, int32_t n) {
  if (position < 0 || n < 0) return -1;
  if (static_cast<size_t>(position) >= bytes_.size()) return 0;
  size_t count = std::min(static_cast<size_t>(n), bytes_.size() - static_cast<size_t>(position));
  std::memcpy(into, bytes_.data() + position, count);
  return static_cast<int32_t>(count);
}

int32_t MemorySource::size() const {
  return static_cast<int32_t>(std::min<size_t>(bytes_.size(), INT32_MAX));
}

bool readWhole(ByteSource& source, std::string* out) {
  out->resize(static_cast<size_t>(std::max<int32_t>(source.size(), 0)));
  int32_t done = 0;
  while (done < static_cast<int32_t>(out->size())) {
    int32_t n = source.readAt(done, out->data() + done, static_cast<int32_t>(out->size()) - done);
    if (n <= 0) {
      out->resize(static_cast<size_t>(done));
      return n == 0;
    }
    done += n;
  }
  return true;
}
