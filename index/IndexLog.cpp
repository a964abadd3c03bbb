#include "index/IndexLog.h"

#include <ctime>

#include "index/IndexFormat.h"
#include "platform/Platform.h"

int IndexLog::open(const std::string& folder, int64_t limitBytes) {
  close();
  std::string name = folder + "/" + indexformat::kLogName;
  if (limitBytes > 0 && platform::fileSizeByName(name.c_str()) >= limitBytes)
    platform::renameFile(name.c_str(), (folder + "/" + indexformat::kOldLogName).c_str());
  file_ = platform::openStream(name.c_str(), "ab");
  return file_ ? 0 : -1;
}

void IndexLog::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

void IndexLog::line(const std::string& text) {
  if (!file_) return;
  std::fwrite(text.data(), 1, text.size(), file_);
  std::fputc('\n', file_);
}

void IndexLog::docLine(const std::string& text) { line("     " + text); }

void IndexLog::timeLine() {
  line("Time: " + now());
  flush();
}

void IndexLog::flush() {
  if (file_) std::fflush(file_);
}

std::string IndexLog::now() {
  std::tm tm{};
  if (!platform::localTime(platform::now(), &tm)) return "?";
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}
