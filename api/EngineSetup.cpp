// Reading and writing the options file.
#include "api/EngineSetup.h"

#include <cstdlib>
#include <cstring>
#include <set>

#include "io/TableFile.h"

namespace {

// Every key the engine reads itself; other "name = value" lines are kept as extras.
const std::set<std::string>& knownKeys() {
  static const std::set<std::string>* keys = new std::set<std::string>{
      "alphabetName", "hyphens", "maxWordLength", "indexNumbers", "binaryFiles",
      "noiseListName", "relativePaths", "indexFlags.caseSensitive",
      "indexFlags.accentSensitive", "stemmerName", "fuzzyChar", "phoneticChar",
      "stemmingChar", "synonymChar", "macroChar", "searchOptions.fuzzySearching",
      "searchOptions.fuzziness", "searchOptions.phonicSearching",
      "searchOptions.autoStemming", "searchOptions.synonymSearching",
      "searchOptions.natLangSearching", "retrievalLimit", "searchParameter",
      "scriptOutputFolders", "scriptChangesDocuments"};
  return *keys;
}

// The name of a "name = value" line ("" when the line has no "=").
std::string lineName(const std::string& line, std::string* value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return "";
  size_t end = eq;
  while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
  size_t begin = 0;
  while (begin < end && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
  size_t v = eq + 1;
  while (v < line.size() && (line[v] == ' ' || line[v] == '\t')) ++v;
  size_t vend = line.size();
  while (vend > v && (line[vend - 1] == ' ' || line[vend - 1] == '\t' || line[vend - 1] == '\r'))
    --vend;
  *value = line.substr(v, vend - v);
  return line.substr(begin, end - begin);
}

void getBool(const TableFile& t, const char* name, bool* field) { t.getYesNo(name, field); }

void getInt(const TableFile& t, const char* name, int* field) {
  int32_t v;
  if (t.getInt32(name, &v) == 0) *field = v;
}

void getChar(const TableFile& t, const char* name, char* field) {
  std::string s;
  if (t.getString(name, &s) == 0) *field = s.empty() ? '\0' : s[0];
}

void getText(const TableFile& t, const char* name, std::string* field) {
  std::string s;
  if (t.getString(name, &s, 511) == 0 && !s.empty()) *field = s;
}

}  // namespace

int EngineSetup::read(const std::string& path) {
  TableFile t(kTitle);
  if (t.read(path) < 0) return -1;
  load(t);
  return 0;
}

int EngineSetup::setOption(const std::string& name, const std::string& value) {
  if (name.empty() || name.find_first_of("=\r\n[ \t") != std::string::npos ||
      value.find_first_of("\r\n") != std::string::npos)
    return -1;
  // The new line comes first, so that it wins over the current value written after it.
  TableFile t(kTitle);
  t.putString(name.c_str(), value);
  fill(t);
  load(t);
  return 0;
}

void EngineSetup::load(const TableFile& t) {
  getText(t, "alphabetName", &alphabetName);
  getInt(t, "hyphens", &hyphens);
  getInt(t, "maxWordLength", &maxWordLength);
  getBool(t, "indexNumbers", &indexNumbers);
  getInt(t, "binaryFiles", &binaryFiles);
  getText(t, "noiseListName", &noiseListName);
  getBool(t, "relativePaths", &relativePaths);
  getBool(t, "indexFlags.caseSensitive", &indexCaseSensitive);
  getBool(t, "indexFlags.accentSensitive", &indexAccentSensitive);
  getText(t, "stemmerName", &stemmerName);
  getChar(t, "fuzzyChar", &fuzzyChar);
  getChar(t, "phoneticChar", &phoneticChar);
  getChar(t, "stemmingChar", &stemmingChar);
  getChar(t, "synonymChar", &synonymChar);
  getChar(t, "macroChar", &macroChar);
  getBool(t, "searchOptions.fuzzySearching", &searchOptions.fuzzySearching);
  getInt(t, "searchOptions.fuzziness", &searchOptions.fuzziness);
  getBool(t, "searchOptions.phonicSearching", &searchOptions.phonicSearching);
  getBool(t, "searchOptions.autoStemming", &searchOptions.autoStemming);
  getBool(t, "searchOptions.synonymSearching", &searchOptions.synonymSearching);
  getBool(t, "searchOptions.natLangSearching", &searchOptions.natLangSearching);
  getInt(t, "retrievalLimit", &retrievalLimit);
  getInt(t, "searchParameter", &searchParameter);
  std::string folders;
  if (t.getString("scriptOutputFolders", &folders, 1023) == 0) scriptOutputFolders = folders;
  getBool(t, "scriptChangesDocuments", &scriptChangesDocuments);
  if (searchOptions.fuzziness < 0) searchOptions.fuzziness = 0;
  if (searchOptions.fuzziness > 9) searchOptions.fuzziness = 9;

  // Keep the lines of keys this version does not read.
  extras_.clear();
  const std::string& text = t.text();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    std::string line = text.substr(pos, eol - pos);
    std::string value;
    std::string name = lineName(line, &value);
    if (!name.empty() && name.find('\n') == std::string::npos && !knownKeys().count(name))
      extras_.emplace(name, value);
    pos = eol + 1;
  }
}

int EngineSetup::write(const std::string& path) const {
  TableFile t(kTitle);
  fill(t);
  return t.write(path);
}

void EngineSetup::fill(TableFile& t) const {
  auto putChar = [&t](const char* name, char c) { t.putString(name, c ? std::string(1, c) : ""); };
  t.putString("alphabetName", alphabetName);
  t.putInt("hyphens", hyphens);
  t.putInt("maxWordLength", maxWordLength);
  t.putYesNo("indexNumbers", indexNumbers);
  t.putInt("binaryFiles", binaryFiles);
  t.putString("noiseListName", noiseListName);
  t.putYesNo("relativePaths", relativePaths);
  t.putYesNo("indexFlags.caseSensitive", indexCaseSensitive);
  t.putYesNo("indexFlags.accentSensitive", indexAccentSensitive);
  t.putString("stemmerName", stemmerName);
  putChar("fuzzyChar", fuzzyChar);
  putChar("phoneticChar", phoneticChar);
  putChar("stemmingChar", stemmingChar);
  putChar("synonymChar", synonymChar);
  putChar("macroChar", macroChar);
  t.putYesNo("searchOptions.fuzzySearching", searchOptions.fuzzySearching);
  t.putInt("searchOptions.fuzziness", searchOptions.fuzziness);
  t.putYesNo("searchOptions.phonicSearching", searchOptions.phonicSearching);
  t.putYesNo("searchOptions.autoStemming", searchOptions.autoStemming);
  t.putYesNo("searchOptions.synonymSearching", searchOptions.synonymSearching);
  t.putYesNo("searchOptions.natLangSearching", searchOptions.natLangSearching);
  t.putInt("retrievalLimit", retrievalLimit);
  t.putInt("searchParameter", searchParameter);
  t.putString("scriptOutputFolders", scriptOutputFolders);
  t.putYesNo("scriptChangesDocuments", scriptChangesDocuments);
  for (const auto& [name, value] : extras_) t.putString(name.c_str(), value);
}

int EngineSetup::extraInt(const std::string& name, int fallback) const {
  auto it = extras_.find(name);
  if (it == extras_.end() || it->second.empty()) return fallback;
  char* end = nullptr;
  long v = std::strtol(it->second.c_str(), &end, 10);
  if (end == it->second.c_str()) return fallback;
  return static_cast<int>(v);
}

std::string EngineSetup::extraString(const std::string& name) const {
  auto it = extras_.find(name);
  return it == extras_.end() ? std::string() : it->second;
}

void EngineSetup::setExtra(const std::string& name, const std::string& value) {
  extras_[name] = value;
}

int EngineSetup::effectiveMaxWordLength() const {
  if (maxWordLength > 128) return 127;
  if (maxWordLength < 4) return 4;
  return maxWordLength;
}
