// Package members by name, part names and package properties.
#include "import/PackageParts.h"

#include "import/Viewer.h"
#include "import/XmlReader.h"

namespace {

constexpr size_t kMaxPropertyBytes = 255;
constexpr int kMaxAuthors = 4;

ZipLimits packageLimits() {
  ZipLimits limits;
  limits.maxTotalBytes = int64_t{512} << 20;
  return limits;
}

// White space and control characters as single blanks, trimmed, bounded.
std::string oneLine(std::string_view s) {
  std::string out;
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 32 || c == 127) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += ch;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  if (out.size() > kMaxPropertyBytes) {
    size_t n = kMaxPropertyBytes;
    while (n > 0 && (static_cast<unsigned char>(out[n]) & 0xC0) == 0x80) --n;
    out.resize(n);
  }
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

PackageParts::PackageParts() { zip_.setLimits(packageLimits()); }
PackageParts::~PackageParts() = default;

int PackageParts::open(std::string_view bytes) {
  zip_.close();
  source_ = std::make_unique<MemorySource>("package", std::string(bytes));
  if (zip_.open(*source_) < 0) {
    error_ = "not a readable ZIP package";
    return -1;
  }
  return 0;
}

bool PackageParts::has(const std::string& name) {
  ContainerMember m;
  return zip_.isOpen() && zip_.find(name, &m) == 0;
}

int PackageParts::read(const std::string& name, std::string* bytes) {
  bytes->clear();
  ContainerMember m;
  if (!zip_.isOpen() || zip_.find(name, &m) < 0) {
    error_ = "the part " + name + " is missing";
    return -1;
  }
  if (zip_.extract(m, bytes) < 0) {
    error_ = "the part " + name + " could not be read";
    return -1;
  }
  return 0;
}

std::vector<std::string> PackageParts::names() {
  std::vector<std::string> out;
  ContainerMember m;
  for (int32_t i = 0; zip_.isOpen() && i < zip_.count(); ++i)
    if (zip_.itemAt(i, &m) == 0) out.push_back(m.name);
  return out;
}

namespace packageparts {

std::string folderOf(std::string_view part) {
  size_t slash = part.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash + 1));
}

std::string resolve(std::string_view from, std::string_view target) {
  size_t hash = target.find('#');
  if (hash != std::string_view::npos) target = target.substr(0, hash);
  std::string decoded;
  for (size_t i = 0; i < target.size(); ++i) {
    if (target[i] == '%' && i + 2 < target.size() + 0 && hexValue(target[i + 1]) >= 0 && hexValue(target[i + 2]) >= 0) {
      decoded += static_cast<char>(hexValue(target[i + 1]) * 16 + hexValue(target[i + 2]));
      i += 2;
    } else {
      decoded += target[i] == '\\' ? '/' : target[i];
    }
  }
  std::string path = !decoded.empty() && decoded[0] == '/' ? decoded : folderOf(from) + decoded;
  std::vector<std::string> steps;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    std::string step = path.substr(start, slash - start);
    if (step == "..") {
      if (!steps.empty()) steps.pop_back();
    } else if (!step.empty() && step != ".") {
      steps.push_back(step);
    }
    start = slash + 1;
  }
  std::string out;
  for (const std::string& s : steps) out += (out.empty() ? "" : "/") + s;
  return out;
}

void readProperties(std::string_view xml, std::string* title, std::string* author) {
  XmlReader r(xml);
  std::string creators, initialCreator, text;
  int authors = 0;
  bool haveTitle = false;
  std::string open;  // the property being read
  while (r.next() == 1) {
    if (r.node() == XmlReader::Node::kStart) {
      std::string_view name = r.localName();
      open = name == "title" || name == "creator" || name == "initial-creator" ? std::string(name) : std::string();
      text.clear();
    } else if (r.node() == XmlReader::Node::kText) {
      if (!open.empty() && text.size() < 4 * kMaxPropertyBytes) text += r.text();
    } else {
      std::string_view name = r.localName();
      if (!open.empty() && name == open) {
        std::string value = oneLine(text);
        if (name == "title" && !haveTitle && !value.empty()) {
          *title = value;
          haveTitle = true;
        } else if (name == "creator" && !value.empty() && authors < kMaxAuthors) {
          creators += (creators.empty() ? "" : "; ") + value;
          ++authors;
        } else if (name == "initial-creator" && initialCreator.empty()) {
          initialCreator = value;
        }
      }
      open.clear();
    }
  }
  *author = oneLine(creators.empty() ? initialCreator : creators);
}

}  // namespace packageparts
