// MacroTable: reading the macros table and finding a macro by name.
#include "search/MacroTable.h"

#include "io/TableFile.h"

namespace {

std::string trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

}  // namespace

std::string MacroTable::key(const std::string& name) {
  std::string k = name.substr(0, TableFile::kMaxNameBytes);
  for (char& c : k)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return k;
}

int MacroTable::load(const std::string& path) {
  TableFile table(kTitle);
  macros_.clear();
  if (table.read(path) < 0) return -1;
  takeLines(table.text());
  return 0;
}

int MacroTable::parse(const char* data, size_t size) {
  TableFile table(kTitle);
  macros_.clear();
  if (table.parse(data, size) < 0) return -1;
  takeLines(table.text());
  return 0;
}

// Names are matched whole: the table file's own lookup would let "ab" find "abc = ...".
void MacroTable::takeLines(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    size_t eq = line.find('=');
    if (eq == std::string::npos || line.empty() || line[0] == '[') continue;
    std::string name = trimmed(line.substr(0, eq));
    if (name.empty()) continue;
    macros_.emplace(key(name), trimmed(line.substr(eq + 1)));
  }
}

void MacroTable::set(const std::string& name, const std::string& expansion) {
  macros_[key(name)] = expansion;
}

const std::string* MacroTable::find(const std::string& name) const {
  auto it = macros_.find(key(name));
  return it == macros_.end() ? nullptr : &it->second;
}
