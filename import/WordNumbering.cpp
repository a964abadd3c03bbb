// List numbering of word processing packages.
#include "import/WordNumbering.h"

#include <cstdlib>

#include "import/XmlReader.h"

namespace {

constexpr size_t kMaxLists = 4096;

int number(const std::string& s) {
  long v = std::strtol(s.c_str(), nullptr, 10);
  return v < 0 ? 0 : v > 1000000 ? 1000000 : static_cast<int>(v);
}

std::string roman(int n, bool upper) {
  if (n <= 0 || n >= 4000) return std::to_string(n);
  static const char* const kDigits[] = {"m", "cm", "d", "cd", "c", "xc", "l", "xl", "x", "ix", "v", "iv", "i"};
  static const int kValues[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
  std::string out;
  for (int i = 0; i < 13; ++i)
    for (; n >= kValues[i]; n -= kValues[i]) out += kDigits[i];
  if (upper)
    for (char& c : out) c = static_cast<char>(c - 32);
  return out;
}

// "a".."z", then "aa".."zz" and so on, as word processors letter lists.
std::string letters(int n, bool upper) {
  if (n <= 0) return std::to_string(n);
  char c = static_cast<char>((upper ? 'A' : 'a') + (n - 1) % 26);
  return std::string(static_cast<size_t>(std::min((n - 1) / 26 + 1, 10)), c);
}

std::string formatted(int n, const std::string& format) {
  if (format == "lowerLetter") return letters(n, false);
  if (format == "upperLetter") return letters(n, true);
  if (format == "lowerRoman") return roman(n, false);
  if (format == "upperRoman") return roman(n, true);
  if (format == "decimalZero" && n < 10) return "0" + std::to_string(n);
  return std::to_string(n);
}

}  // namespace

int WordNumbering::read(std::string_view xml) {
  abstract_.clear();
  lists_.clear();
  counters_.clear();
  XmlReader r(xml);
  Levels* levels = nullptr;
  Level* level = nullptr;
  int list = -1;
  int result;
  while ((result = r.next()) == 1) {
    if (r.node() != XmlReader::Node::kStart) continue;
    std::string_view name = r.localName();
    if (name == "abstractNum" && abstract_.size() < kMaxLists) {
      levels = &abstract_[number(r.attribute("abstractNumId"))];
      level = nullptr;
    } else if (name == "lvl" && levels) {
      int i = number(r.attribute("ilvl"));
      level = i < kLevels ? &(*levels)[static_cast<size_t>(i)] : nullptr;
    } else if (name == "start" && level) {
      level->start = number(r.attribute("val"));
    } else if (name == "numFmt" && level) {
      level->format = r.attribute("val");
    } else if (name == "lvlText" && level) {
      level->text = r.attribute("val");
    } else if (name == "num" && lists_.size() < kMaxLists) {
      levels = nullptr;
      level = nullptr;
      list = number(r.attribute("numId"));
    } else if (name == "abstractNumId" && list >= 0) {
      lists_[list] = number(r.attribute("val"));
      list = -1;
    }
  }
  return result < 0 ? -1 : 0;
}

std::string WordNumbering::next(int numId, int level) {
  auto list = lists_.find(numId);
  if (numId == 0 || level < 0 || level >= kLevels || list == lists_.end()) return "";
  auto def = abstract_.find(list->second);
  if (def == abstract_.end()) return "";
  const Levels& levels = def->second;
  auto [at, fresh] = counters_.try_emplace(numId);
  std::array<int, kLevels>& counts = at->second;
  if (fresh) counts.fill(-1);
  const size_t l = static_cast<size_t>(level);
  counts[l] = counts[l] < 0 ? levels[l].start : counts[l] + 1;
  for (size_t deeper = l + 1; deeper < kLevels; ++deeper) counts[deeper] = -1;
  const Level& mine = levels[l];
  if (mine.format == "bullet" || mine.format == "none") return "";
  std::string label;
  for (size_t i = 0; i < mine.text.size(); ++i) {
    char c = mine.text[i];
    if (c == '%' && i + 1 < mine.text.size() && mine.text[i + 1] >= '1' && mine.text[i + 1] <= '9') {
      size_t k = static_cast<size_t>(mine.text[++i] - '1');
      int n = counts[k] < 0 ? levels[k].start : counts[k];
      label += formatted(n, levels[k].format);
    } else {
      label += c;
    }
  }
  return label;
}
