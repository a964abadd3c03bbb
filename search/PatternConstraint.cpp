// PathConstraint and NameConstraint.
#include "search/PatternConstraint.h"

#include "import/Wildcard.h"

namespace {

constexpr size_t kMaxPatterns = 64;

}  // namespace

PathConstraint::PathConstraint(const std::string& patterns) : written_(patterns) {
  size_t pos = 0;
  while (pos <= patterns.size() && patterns_.size() < kMaxPatterns) {
    size_t end = patterns.find(';', pos);
    if (end == std::string::npos) end = patterns.size();
    std::string p = patterns.substr(pos, end - pos);
    size_t b = p.find_first_not_of(" \t"), e = p.find_last_not_of(" \t");
    if (b != std::string::npos) patterns_.push_back(p.substr(b, e - b + 1));
    pos = end + 1;
  }
}

bool PathConstraint::matches(const FileFacts& file) const {
  size_t slash = file.fileName.rfind('/');
  std::string folder = slash == std::string::npos ? "" : file.fileName.substr(0, slash);
  for (const std::string& p : patterns_)
    if (wildcard::match(p, folder) || wildcard::match(p, folder + "/")) return true;
  return false;
}

std::string PathConstraint::describe() const { return "path " + written_; }

NameConstraint::NameConstraint(const std::string& patterns)
    : written_(patterns), patterns_(wildcard::splitPatterns(patterns, kMaxPatterns)) {}

bool NameConstraint::matches(const FileFacts& file) const {
  size_t slash = file.fileName.rfind('/');
  std::string name = slash == std::string::npos ? file.fileName : file.fileName.substr(slash + 1);
  for (const std::string& p : patterns_)
    if (wildcard::match(p, name)) return true;
  return false;
}

std::string NameConstraint::describe() const { return "name " + written_; }
