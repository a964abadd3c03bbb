// Stemmer: the rules file reader, suffix stripping and the root of a word.
#include "search/Stemmer.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "io/WholeFile.h"

namespace {

std::string trimmed(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return std::string(s.substr(b, e - b));
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

size_t commonPrefix(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size()), i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// Reads one rule line; false when it is not a rule.
bool parseRule(std::string_view line, StemRule* rule) {
  size_t arrow = line.find("->");
  if (arrow == std::string_view::npos) return false;
  std::string left = trimmed(line.substr(0, arrow));
  std::string right = trimmed(line.substr(arrow + 2));
  // An optional minimum length: digits followed by '+'.
  size_t digits = 0;
  while (digits < left.size() && left[digits] >= '0' && left[digits] <= '9') ++digits;
  uint32_t minLength = 0;
  if (digits > 0 && digits < left.size() && left[digits] == '+') {
    if (digits > 5) return false;
    for (size_t i = 0; i < digits; ++i) minLength = minLength * 10 + (left[i] - '0');
    if (minLength > UINT16_MAX) return false;
    left = trimmed(std::string_view(left).substr(digits + 1));
  }
  rule->minLength = static_cast<uint16_t>(minLength);
  rule->suffix = left;
  rule->replacement = right;
  return true;
}

}  // namespace

void Stemmer::clear() {
  rules_.clear();
  tableBuilt_ = false;
}

int Stemmer::addRule(const StemRule& rule) {
  if (rule.suffix.empty() || rule.suffix.size() > StemRule::kMaxPart ||
      rule.replacement.size() > StemRule::kMaxPart)
    return -1;
  rules_.push_back(rule);
  rebuildTable();
  return 0;
}

int Stemmer::load(const std::string& path) {
  clear();
  std::string data;
  if (wholefile::read(path, &data, kMaxFileBytes) < 0) return -1;
  return parse(data.data(), data.size());
}

int Stemmer::parse(const char* data, size_t size) {
  clear();
  std::string_view text(data, size);
  size_t pos = 0;
  int rc = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, std::min(end - pos, kMaxLineBytes));
    pos = end + 1;
    if (line.find("-----") != std::string_view::npos) break;
    if (line.size() < 5 || line[0] == '*') continue;
    StemRule rule;
    if (!parseRule(line, &rule) || rule.suffix.empty() ||
        rule.suffix.size() > StemRule::kMaxPart || rule.replacement.size() > StemRule::kMaxPart) {
      rc = -1;
      break;
    }
    rules_.push_back(rule);
  }
  rebuildTable();
  return rc;
}

void Stemmer::rebuildTable() {
  std::fill(std::begin(shortest_), std::end(shortest_), SIZE_MAX);
  for (const StemRule& r : rules_) {
    unsigned char last = static_cast<unsigned char>(r.suffix.back());
    shortest_[last] = std::min(shortest_[last], size_t{r.minLength} + r.suffix.size());
  }
  tableBuilt_ = true;
}

void Stemmer::stem(std::string* word) const {
  if (rules_.empty() || !tableBuilt_ || word->empty()) return;
  if (word->size() < shortest_[static_cast<unsigned char>(word->back())]) return;
  std::vector<int> applied(rules_.size(), 0);
  for (;;) {
    bool changed = false;
    for (size_t i = 0; i < rules_.size(); ++i) {
      const StemRule& r = rules_[i];
      if (!endsWith(*word, r.suffix) || word->size() - r.suffix.size() < r.minLength) continue;
      if (word->size() - r.suffix.size() + r.replacement.size() > kMaxStemBytes) return;
      word->replace(word->size() - r.suffix.size(), r.suffix.size(), r.replacement);
      changed = true;
      if (++applied[i] > kMaxApplications) return;
      break;
    }
    if (!changed) return;
  }
}

std::string Stemmer::root(const std::string& word) const {
  std::string stemmed = word;
  stem(&stemmed);
  size_t length = commonPrefix(word, stemmed);
  for (const StemRule& r : rules_) {
    if (r.replacement.empty() || !endsWith(stemmed, r.replacement)) continue;
    size_t kept = stemmed.size() - r.replacement.size();
    if (kept < r.minLength) continue;
    std::string undone = stemmed.substr(0, kept) + r.suffix;
    length = std::min(length, commonPrefix(word, undone));
  }
  return word.substr(0, length);
}

std::string Stemmer::format(const StemRule& rule) {
  std::string out;
  if (rule.minLength != 0) out += std::to_string(rule.minLength) + "+";
  return out + rule.suffix + " -> " + rule.replacement;
}
