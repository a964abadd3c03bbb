// The file type table.
#include "api/FileTypeTable.h"

#include "io/TableFile.h"
#include "import/ViewerTable.h"
#include "import/Wildcard.h"

namespace {

// What the table file form can hold of a pattern list: the patterns joined by blanks, cut at
// a whole pattern so that no pattern is read back shortened.
std::string joinPatterns(const std::vector<std::string>& patterns) {
  std::string out;
  for (const std::string& p : patterns) {
    size_t need = out.empty() ? p.size() : out.size() + 1 + p.size();
    if (need > FileTypeTable::kMaxPatternChars) break;
    if (!out.empty()) out += ' ';
    out += p;
  }
  return out;
}

}  // namespace

FileTypeTable::Entry FileTypeTable::makeEntry(const std::string& name, const std::string& patterns) {
  Entry e;
  // A name is one line of text: control characters become blanks, outer blanks go.
  std::string clean = name.substr(0, kMaxNameBytes);
  for (char& c : clean)
    if (static_cast<unsigned char>(c) < ' ' || c == 127) c = ' ';
  size_t first = clean.find_first_not_of(' ');
  e.name = first == std::string::npos ? "" : clean.substr(first, clean.find_last_not_of(' ') - first + 1);
  e.patterns = wildcard::splitPatterns(patterns, ViewerTable::kMaxPatterns);
  return e;
}

int FileTypeTable::add(const std::string& name, const std::string& patterns) {
  if (count() >= kMaxEntries) return -1;
  entries_.push_back(makeEntry(name, patterns));
  return count();
}

int FileTypeTable::set(int index, const std::string& name, const std::string& patterns) {
  if (index < 0 || index >= count()) return -1;
  entries_[static_cast<size_t>(index)] = makeEntry(name, patterns);
  return 0;
}

int FileTypeTable::remove(int index, ViewerTable* table) {
  if (index < 0 || index >= count()) return -1;
  if (table) table->assignPatterns(entries_[static_cast<size_t>(index)].name, {}, 0);
  entries_.erase(entries_.begin() + index);
  return 0;
}

int FileTypeTable::apply(ViewerTable& table) const {
  int found = 0;
  for (const Entry& e : entries_)
    if (table.assignPatterns(e.name, e.patterns, kAppliedConfidence) > 0) ++found;
  return found;
}

void FileTypeTable::reset(ViewerTable& table) {
  for (const Entry& e : entries_) table.assignPatterns(e.name, {}, 0);
  entries_.clear();
}

int FileTypeTable::parse(const char* data, size_t size) {
  entries_.clear();
  TableFile t(kTitle);
  if (t.parse(data, size) < 0) return -1;
  int32_t n = 0;
  if (t.getInt32("Count", &n) < 0) n = 0;
  if (n > kMaxEntries) n = kMaxEntries;
  for (int32_t i = 0; i < n; ++i) {
    if (t.selectRecord(i) < 0) continue;
    std::string name, patterns;
    if (t.getString("Type", &name, kMaxNameBytes) < 0) continue;
    t.getString("Pattern", &patterns, kMaxPatternChars);
    Entry e = makeEntry(name, patterns);
    if (!e.name.empty()) entries_.push_back(std::move(e));
  }
  return 0;
}

int FileTypeTable::read(const std::string& path) {
  entries_.clear();
  TableFile t(kTitle);
  if (t.read(path) < 0) return -1;
  std::string text = t.toFileText();
  return parse(text.data(), text.size());
}

std::string FileTypeTable::toFileText() const {
  TableFile t(kTitle);
  t.putInt("Count", count());
  for (int i = 0; i < count(); ++i) {
    t.selectRecordForWriting(i);
    t.putString("Type", entries_[static_cast<size_t>(i)].name);
    t.putString("Pattern", joinPatterns(entries_[static_cast<size_t>(i)].patterns));
  }
  return t.toFileText();
}

int FileTypeTable::write(const std::string& path) const {
  TableFile t(kTitle);
  std::string text = toFileText();
  if (t.parse(text.data(), text.size()) < 0) return -1;
  return t.write(path);
}
