// Whole-file reads and crash-safe whole-file replacement.
#include "io/WholeFile.h"

#include "objects/Trace.h"
#include "platform/Platform.h"

namespace wholefile {

int read(const std::string& path, std::string* out, size_t maxBytes) {
  platform::OpenRequest req;
  req.read = true;
  req.shareRead = true;
  req.shareWrite = true;
  platform::FileHandle h = platform::openFile(path.c_str(), req);
  if (h == platform::kInvalidHandle) return -1;
  int64_t length = platform::fileLength(h);
  if (length < 0 || static_cast<uint64_t>(length) > maxBytes) {
    platform::closeFile(h);
    platform::setLastError(length < 0 ? platform::kErrReadFault : platform::kErrFileTooLarge);
    return -1;
  }
  std::string data(static_cast<size_t>(length), '\0');
  int64_t done = 0;
  while (done < length) {
    int64_t n = platform::readAt(h, data.data() + done, length - done, done);
    if (n < 0) {
      platform::closeFile(h);
      return -1;
    }
    if (n == 0) break;  // the file shrank meanwhile
    done += n;
  }
  data.resize(static_cast<size_t>(done));
  platform::closeFile(h);
  *out = std::move(data);
  return 0;
}

int write(const std::string& path, const std::string& data, bool sync) {
  std::string temp = path + ".new";
  platform::OpenRequest req;
  req.write = true;
  req.disposition = platform::Disposition::CreateFresh;
  platform::FileHandle h = platform::openFile(temp.c_str(), req);
  if (h == platform::kInvalidHandle) {
    trace::line("wholefile::write -- cannot create %s: %s", temp.c_str(),
                platform::errorText(platform::lastError()).c_str());
    return -1;
  }
  int64_t n = data.empty() ? 0
                           : platform::writeAt(h, data.data(), static_cast<int64_t>(data.size()), 0);
  int rc = (n == static_cast<int64_t>(data.size())) ? (sync ? platform::syncFile(h) : 0) : -1;
  int err = platform::lastError();
  if (platform::closeFile(h) < 0) rc = -1;
  if (rc == 0) rc = platform::renameFile(temp.c_str(), path.c_str());
  if (rc < 0) {
    err = platform::lastError() ? platform::lastError() : err;
    platform::removeFile(temp.c_str());
    platform::setLastError(err);
    trace::line("wholefile::write -- cannot write %s: %s", path.c_str(),
                platform::errorText(err).c_str());
    return -1;
  }
  return 0;
}

}  // namespace wholefile
