// The error log: open, append one line, close, so that every line is on disk at once.
#include "objects/ErrorLog.h"

#include <cstdio>
#include <mutex>

#include "platform/Platform.h"

namespace errorlog {

namespace {
std::mutex gMutex;
std::string& folderPath() {
  static std::string* p = new std::string;
  return *p;
}
}  // namespace

void setFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(gMutex);
  folderPath() = folder.empty() ? std::string() : folder + "/ERROR.LOG";
}

const std::string& path() { return folderPath(); }

int append(const std::string& line) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (folderPath().empty()) return -1;
  FILE* f = platform::openStream(folderPath().c_str(), "a");
  if (!f) return -1;
  std::fputs(line.c_str(), f);
  std::fputc('\n', f);
  return std::fclose(f) == 0 ? 0 : -1;
}

}  // namespace errorlog
