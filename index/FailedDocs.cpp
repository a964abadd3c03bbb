// FAILED.DAT: one line per document, five fields separated by tabs: the name, the file's date
// (a DOS date and time as a number), its size, the time of the failure (seconds since 1970)
// and the reason. "%", tab, line feed and carriage return in a field are written as "%25",
// "%09", "%0A" and "%0D".
#include "index/FailedDocs.h"

#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/Platform.h"

namespace {

std::string escaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '%': out += "%25"; break;
      case '\t': out += "%09"; break;
      case '\n': out += "%0A"; break;
      case '\r': out += "%0D"; break;
      default: out += c;
    }
  }
  return out;
}

std::string unescaped(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      std::string hex = s.substr(i + 1, 2);
      char* end = nullptr;
      long v = std::strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2) {
        out += static_cast<char>(v);
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

// A decimal field: true with *out set when all of `s` is digits that fit.
template <typename T>
bool number(const std::string& s, T* out) {
  if (s.empty() || s.size() > 19) return false;
  long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *out = static_cast<T>(v);
  return static_cast<long long>(*out) == v;
}

}  // namespace

int FailedDocs::read(const std::string& folder) {
  docs_.clear();
  changed_ = false;
  const std::string path = folder + "/" + kFileName;
  if (!platform::fileExists(path.c_str())) return 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return -1;
  std::string line;
  while (docs_.size() < kMaxEntries && std::getline(in, line)) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t tab; f.size() < 4 && (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      f.push_back(line.substr(start, tab - start));
    f.push_back(line.substr(start));
    FailedDoc d;
    if (f.size() != 5 || f[0].empty() || !number(f[1], &d.modDate) || !number(f[2], &d.size) ||
        !number(f[3], &d.when))
      continue;
    d.name = unescaped(f[0]);
    d.reason = unescaped(f[4]).substr(0, kMaxReasonBytes);
    docs_[d.name] = std::move(d);
  }
  return 0;
}

int FailedDocs::write(const std::string& folder) const {
  const std::string path = folder + "/" + kFileName;
  if (docs_.empty()) {
    if (platform::fileExists(path.c_str()) && platform::removeFile(path.c_str()) < 0) return -1;
    return 0;
  }
  const std::string fresh = path + ".new";
  std::string text;
  for (const auto& [name, d] : docs_)
    text += escaped(name) + "\t" + std::to_string(d.modDate) + "\t" + std::to_string(d.size) + "\t" +
            std::to_string(static_cast<long long>(d.when)) + "\t" + escaped(d.reason) + "\n";
  platform::OpenRequest request;
  request.read = true;
  request.write = true;
  request.disposition = platform::Disposition::CreateFresh;
  request.noFollow = true;
  platform::FileHandle h = platform::openFile(fresh.c_str(), request);
  if (h == platform::kInvalidHandle) return -1;
  bool ok = platform::writeAt(h, text.data(), static_cast<int64_t>(text.size()), 0) == static_cast<int64_t>(text.size()) &&
            platform::syncFile(h) == 0;
  if (platform::closeFile(h) < 0) ok = false;
  if (!ok || platform::renameFile(fresh.c_str(), path.c_str()) < 0) {
    platform::removeFile(fresh.c_str());
    return -1;
  }
  return 0;
}

const FailedDoc* FailedDocs::unchanged(const std::string& name, dosdate::DosDateTime modDate, int32_t size) const {
  auto it = docs_.find(name);
  if (it == docs_.end() || it->second.modDate != modDate || it->second.size != size) return nullptr;
  return &it->second;
}

void FailedDocs::put(FailedDoc doc) {
  doc.reason = doc.reason.substr(0, kMaxReasonBytes);
  changed_ = true;
  docs_[doc.name] = std::move(doc);
}

std::vector<FailedDoc> FailedDocs::list() const {
  std::vector<FailedDoc> out;
  for (const auto& [name, d] : docs_) out.push_back(d);
  return out;
}
