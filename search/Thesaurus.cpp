// Thesaurus: the file reader and writer, and the sorted entries.
#include "search/Thesaurus.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "io/WholeFile.h"
#include "objects/Trace.h"

namespace {

// Splits a set line at blanks, carriage returns and line feeds; double quotes group blanks
// into a word and are not part of it.
std::vector<std::string> splitWords(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == '\r' || c == '\n' || (!quoted && c == ' ')) {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

bool isBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

bool parseNumber(std::string_view s, int32_t* out) {
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

void Thesaurus::clear() {
  pendingPath_.clear();
  sets_.clear();
  entries_.clear();
}

void Thesaurus::loadOnFirstUse(const std::string& path) {
  clear();
  pendingPath_ = path;
}

void Thesaurus::settle() const {
  if (pendingPath_.empty()) return;
  std::string path = std::move(pendingPath_);
  pendingPath_.clear();
  // The object itself is never const: reading the file named earlier is part of using it.
  if (const_cast<Thesaurus*>(this)->load(path) < 0)
    trace::line("Thesaurus: %s not read -- no synonyms", path.c_str());
}

int Thesaurus::entryCount() const {
  settle();
  return static_cast<int>(entries_.size());
}

int Thesaurus::setCount() const {
  settle();
  return static_cast<int>(sets_.size());
}

const std::string& Thesaurus::wordOf(const ThesaurusEntry& e) const {
  return sets_[static_cast<size_t>(e.setIndex)][static_cast<size_t>(e.position)];
}

int Thesaurus::load(const std::string& path) {
  clear();
  std::string data;
  if (wholefile::read(path, &data, kMaxFileBytes) < 0) return -1;
  return parse(data.data(), data.size());
}

int Thesaurus::parse(const char* data, size_t size) {
  clear();
  std::string_view text(data, size);
  size_t pos = 0;
  auto nextLine = [&](std::string_view* line) {
    if (pos >= text.size()) return false;
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    *line = text.substr(pos, end - pos);
    pos = end + 1;
    return true;
  };
  std::string_view line;
  if (!nextLine(&line)) return -1;
  size_t lead = line.find_first_not_of(' ');
  line = lead == std::string_view::npos ? std::string_view() : line.substr(lead);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  if (line != kTitle) return -1;

  while (nextLine(&line) && !isBlankLine(line)) {
    std::vector<std::string> words = splitWords(line);
    if (!words.empty()) sets_.push_back(std::move(words));
  }
  bool entriesOk = true;
  while (entriesOk && nextLine(&line) && !isBlankLine(line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    size_t blank = line.find(' ');
    ThesaurusEntry e;
    if (blank == std::string_view::npos || !parseNumber(line.substr(0, blank), &e.setIndex) ||
        !parseNumber(line.substr(blank + 1), &e.position)) {
      entriesOk = false;
      break;
    }
    entries_.push_back(e);
  }
  if (!entriesOk || !entriesValid()) rebuildEntries();
  return 0;
}

// The entries name every word of every set once and stand in word order.
bool Thesaurus::entriesValid() const {
  size_t total = 0;
  for (const auto& s : sets_) total += s.size();
  if (entries_.size() != total) return false;
  std::vector<std::vector<bool>> seen(sets_.size());
  for (size_t s = 0; s < sets_.size(); ++s) seen[s].assign(sets_[s].size(), false);
  for (size_t i = 0; i < entries_.size(); ++i) {
    const ThesaurusEntry& e = entries_[i];
    if (e.setIndex < 0 || static_cast<size_t>(e.setIndex) >= sets_.size()) return false;
    auto& flags = seen[static_cast<size_t>(e.setIndex)];
    if (e.position < 0 || static_cast<size_t>(e.position) >= flags.size()) return false;
    if (flags[static_cast<size_t>(e.position)]) return false;
    flags[static_cast<size_t>(e.position)] = true;
    if (i > 0 && wordOf(entries_[i - 1]).compare(wordOf(e)) > 0) return false;
  }
  return true;
}

void Thesaurus::rebuildEntries() {
  entries_.clear();
  for (size_t s = 0; s < sets_.size(); ++s)
    for (size_t p = 0; p < sets_[s].size(); ++p)
      entries_.push_back({static_cast<int32_t>(s), static_cast<int32_t>(p)});
  std::stable_sort(entries_.begin(), entries_.end(),
                   [this](const ThesaurusEntry& a, const ThesaurusEntry& b) {
                     return wordOf(a).compare(wordOf(b)) < 0;
                   });
}

int Thesaurus::addSet(const std::vector<std::string>& words) {
  settle();
  if (words.empty()) return -1;
  for (const std::string& w : words)
    if (w.empty() || w.find_first_of("\"\r\n") != std::string::npos ||
        w.find_first_not_of(' ') == std::string::npos)
      return -1;
  sets_.push_back(words);
  int32_t s = static_cast<int32_t>(sets_.size() - 1);
  for (size_t p = 0; p < words.size(); ++p) {
    ThesaurusEntry e{s, static_cast<int32_t>(p)};
    auto at = std::upper_bound(entries_.begin(), entries_.end(), e,
                               [this](const ThesaurusEntry& a, const ThesaurusEntry& b) {
                                 return wordOf(a).compare(wordOf(b)) < 0;
                               });
    entries_.insert(at, e);
  }
  return 0;
}

const ThesaurusEntry* Thesaurus::entry(int i) const {
  if (i < 0 || i >= entryCount()) return nullptr;
  return &entries_[static_cast<size_t>(i)];
}

const std::string* Thesaurus::entryWord(int i) const {
  const ThesaurusEntry* e = entry(i);
  return e ? &wordOf(*e) : nullptr;
}

const std::vector<std::string>* Thesaurus::entrySet(int i) const {
  const ThesaurusEntry* e = entry(i);
  return e ? &sets_[static_cast<size_t>(e->setIndex)] : nullptr;
}

const std::string* Thesaurus::setWord(int i, int j) const {
  const std::vector<std::string>* s = entrySet(i);
  if (!s || j < 0 || static_cast<size_t>(j) >= s->size()) return nullptr;
  return &(*s)[static_cast<size_t>(j)];
}

const std::vector<std::string>* Thesaurus::set(int s) const {
  if (s < 0 || s >= setCount()) return nullptr;
  return &sets_[static_cast<size_t>(s)];
}

int Thesaurus::findFirstAtOrAbove(const std::string& key) const {
  settle();
  auto at = std::lower_bound(entries_.begin(), entries_.end(), key,
                             [this](const ThesaurusEntry& e, const std::string& k) {
                               return wordOf(e).compare(k) < 0;
                             });
  return static_cast<int>(at - entries_.begin());
}

namespace {
std::string setLine(const std::vector<std::string>& words) {
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i) out += ' ';
    bool quote = words[i].find_first_of(" \t") != std::string::npos;
    if (quote) out += '"';
    out += words[i];
    if (quote) out += '"';
  }
  return out;
}
}  // namespace

std::string Thesaurus::fileText() const {
  settle();
  std::string out = std::string(kTitle) + "\n";
  for (const auto& s : sets_) out += setLine(s) + "\n";
  out += "\n";
  for (const auto& e : entries_)
    out += std::to_string(e.setIndex) + " " + std::to_string(e.position) + "\n";
  out += "\n";
  return out;
}

int Thesaurus::save(const std::string& path) const { return wholefile::write(path, fileText()); }

std::string Thesaurus::dump() const {
  settle();
  std::string out = "Synonym Sets: \n";
  for (size_t s = 0; s < sets_.size(); ++s)
    out += std::to_string(s) + ".\t" + setLine(sets_[s]) + "\n";
  out += "Words: \n";
  for (const auto& e : entries_)
    out += wordOf(e) + " set=" + std::to_string(e.setIndex) + " pos=" +
           std::to_string(e.position) + "\n";
  return out;
}
