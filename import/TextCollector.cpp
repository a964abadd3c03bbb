// Building text blocks within the text limit.
#include "import/TextCollector.h"

#include <algorithm>

namespace {

bool isBlockCode(char c) { return c == '\n' || c == '\v' || c == '\f' || c == '\t'; }

}  // namespace

bool TextCollector::room(size_t bytes) {
  if (full_) return false;
  if (static_cast<int64_t>(text_.size() + bytes) <= limit_) return true;
  full_ = true;
  return false;
}

void TextCollector::code(char c) {
  if (room(1)) text_.push_back(c);
}

void TextCollector::endBlock() {
  if (!text_.empty() && !isBlockCode(text_.back())) code('\n');
}

void TextCollector::spaces(int64_t count) {
  count = std::clamp<int64_t>(count, 0, 80);
  if (room(static_cast<size_t>(count))) text_.append(static_cast<size_t>(count), ' ');
}

void TextCollector::blocks(std::string_view utf8) {
  size_t from = 0;
  for (size_t i = 0; i <= utf8.size() && !full_; ++i) {
    if (i < utf8.size() && !isBlockCode(utf8[i])) continue;
    text(utf8.substr(from, i - from));
    if (i < utf8.size()) code(utf8[i]);
    from = i + 1;
  }
}

void TextCollector::text(std::string_view utf8, bool collapse) {
  if (full_) return;
  size_t n = utf8.size();
  if (static_cast<int64_t>(text_.size() + n) > limit_) {
    n = static_cast<size_t>(limit_ - static_cast<int64_t>(text_.size()));
    while (n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;  // a whole character
    full_ = true;
  }
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 32 || c == 127) {
      c = ' ';
    }
    if (collapse && c == ' ' && (text_.empty() || text_.back() == ' ' || isBlockCode(text_.back()))) continue;
    text_.push_back(static_cast<char>(c));
  }
}
