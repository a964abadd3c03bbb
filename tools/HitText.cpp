#include "tools/HitText.h"

#include <algorithm>
#include <cstdio>

namespace hittext {

namespace {

// The length of the valid UTF-8 sequence at s[i], or 0 when none begins there (overlong
// forms, surrogates and code points above U+10FFFF are not valid).
size_t utf8Length(const std::string& s, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = byte(i);
  size_t n;
  unsigned int cp;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) n = 2, cp = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF) n = 3, cp = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4) n = 4, cp = c & 0x07;
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = utf8Length(text, i);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (n > 1) {
      out.append(text, i, n);
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
    i += n;
  }
  return out + "\"";
}

std::string highlight(const std::string& marked, const std::string& on, const std::string& off) {
  std::string out;
  bool inHit = false;
  for (char c : marked) {
    if (c == kHitMark) {
      out += inHit ? off : on;
      inHit = !inHit;
    } else {
      out += c;
    }
  }
  if (inHit) out += off;
  return out;
}

void ContextCollector::addLine(const std::string& marked, int lineNumber) {
  size_t i = 0;
  while (i < marked.size()) {
    while (i < marked.size() && isBlank(marked[i])) ++i;
    size_t start = i;
    while (i < marked.size() && !isBlank(marked[i])) ++i;
    if (i == start) break;
    words_.push_back(marked.substr(start, i - start));
    if (words_.back().find(kHitMark) != std::string::npos) {
      lastHit_ = static_cast<int>(words_.size()) - 1;
      hitWords_.push_back(lastHit_);
      hitLines_.push_back(lineNumber);
    }
  }
}

std::vector<int> ContextCollector::snippetLines() const {
  std::vector<int> out;
  size_t h = 0;
  while (h < hitWords_.size()) {
    out.push_back(hitLines_[h]);
    int to = hitWords_[h] + context_;
    while (h + 1 < hitWords_.size() && hitWords_[h + 1] - context_ <= to + 1) to = hitWords_[++h] + context_;
    ++h;
  }
  return out;
}

std::vector<std::string> ContextCollector::snippets() const {
  std::vector<std::string> out;
  const int count = static_cast<int>(words_.size());
  size_t h = 0;
  while (h < hitWords_.size()) {
    int from = std::max(0, hitWords_[h] - context_);
    int to = std::min(count - 1, hitWords_[h] + context_);
    // Join the following hits whose context overlaps or touches this one's.
    while (h + 1 < hitWords_.size() && hitWords_[h + 1] - context_ <= to + 1) {
      ++h;
      to = std::min(count - 1, hitWords_[h] + context_);
    }
    ++h;
    std::string s = from > 0 ? "..." : "";
    for (int w = from; w <= to; ++w) s += (w > from ? " " : "") + words_[static_cast<size_t>(w)];
    if (to < count - 1) s += "...";
    out.push_back(s);
  }
  return out;
}

}  // namespace hittext
