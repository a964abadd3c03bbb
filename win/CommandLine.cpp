#include "win/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

char upperOf(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a.find_first_of(" \t") != std::string::npos)
      append("\"" + a + "\"");
    else
      append(a);
  }
}

void CommandLine::append(const std::string& line) {
  if (line.empty()) return;
  std::string piece = text_.empty() ? "" : " ";
  for (char c : line) piece += (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
  if (text_.size() >= kMaxBytes) return;
  piece.resize(std::min(piece.size(), kMaxBytes - text_.size()));
  text_ += piece;
  for (char c : piece) upper_ += upperOf(c);
}

int CommandLine::appendFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return -1;
  std::string data(kMaxFileBytes, '\0');
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  data.resize(static_cast<size_t>(in.gcount()));
  int count = 0;
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    append(line);
    ++count;
    start = end + 1;
  }
  return count;
}

size_t CommandLine::find(const char* name) const {
  if (!name || !*name) return std::string::npos;
  std::string key(1, kSwitchChar);
  for (const char* p = name; *p; ++p) key += upperOf(*p);
  char quote = '\0';
  for (size_t i = 0; i < upper_.size(); ++i) {
    char c = upper_[i];
    if (quote) {
      if (c == quote) quote = '\0';
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
      continue;
    }
    // A switch begins a word: a '-' inside a path or a value is not one. "--name" is found
    // at its second '-'.
    bool wordStart = i == 0 || isBlank(upper_[i - 1]) ||
                     (upper_[i - 1] == kSwitchChar && (i == 1 || isBlank(upper_[i - 2])));
    if (wordStart && upper_.compare(i, key.size(), key) == 0) return i;
  }
  return std::string::npos;
}

bool CommandLine::has(const char* name) const { return find(name) != std::string::npos; }

bool CommandLine::value(const char* name, std::string* out, size_t maxBytes) const {
  size_t pos = find(name);
  if (pos == std::string::npos) return false;
  size_t i = pos + 1 + std::strlen(name);
  while (i < text_.size() && !isBlank(text_[i]) && text_[i] != '=') ++i;  // the rest of the word
  if (i < text_.size() && text_[i] == '=') {
    ++i;
  } else {
    while (i < text_.size() && isBlank(text_[i])) ++i;
  }
  if (i >= text_.size() || text_[i] == kSwitchChar) return false;
  std::string v;
  if (text_[i] == '"' || text_[i] == '\'') {
    char quote = text_[i++];
    size_t end = text_.find(quote, i);
    v = text_.substr(i, end == std::string::npos ? std::string::npos : end - i);
  } else {
    size_t end = i;
    while (end < text_.size() && !isBlank(text_[end])) ++end;
    v = text_.substr(i, end - i);
  }
  if (v.empty()) return false;
  v.resize(std::min(v.size(), maxBytes));
  *out = v;
  return true;
}
