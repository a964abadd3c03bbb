// The alphabet file (reading and writing) and the alphabet listing.
#include <cctype>
#include <cstdio>
#include <string_view>
#include <vector>

#include "import/Alphabet.h"
#include "io/WholeFile.h"
#include "objects/Trace.h"

namespace {

constexpr size_t kMaxFileBytes = 1u << 20;

// The file form of a character: a backslash and two hex digits for the codes that would
// disturb the line structure, the character itself otherwise.
std::string fileForm(unsigned char c) {
  if (c == 0 || c == 8 || c == 9 || c == 10 || c == 12 || c == 13 || c == '\\') {
    char buf[4];
    std::snprintf(buf, sizeof buf, "\\%2.2x", c);
    return buf;
  }
  return std::string(1, static_cast<char>(c));
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

// Decodes the escapes of a line: a backslash and the two characters after it form a hex
// number; a result of 0 adds nothing.
std::string decode(std::string_view line) {
  std::string out;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\') {
      int v = 0;
      for (size_t k = 1; k <= 2 && i + k < line.size(); ++k) v = v * 16 + hexValue(line[i + k]);
      i += 2;
      if (v) out += static_cast<char>(v);
    } else {
      out += line[i];
    }
  }
  return out;
}

bool startsWithNoCase(std::string_view line, std::string_view prefix) {
  if (line.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(line[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

bool equalsNoCase(std::string_view line, std::string_view word) {
  return line.size() == word.size() && startsWithNoCase(line, word);
}

std::vector<std::string_view> splitLines(const char* data, size_t size) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < size) {
    size_t eol = pos;
    while (eol < size && data[eol] != '\n') ++eol;
    size_t end = eol;
    while (end > pos && std::isspace(static_cast<unsigned char>(data[end - 1]))) --end;
    lines.emplace_back(data + pos, end - pos);
    pos = eol + 1;
  }
  return lines;
}

const char* typeName(uint16_t type) {
  switch (type) {
    case 0: return "Ignored";
    case 1: return "Hyphen";
    case 2: return "Space";
    case 4: return "Letter (lower case)";
    case 5: return "Letter (upper case)";
    case 6: return "Letter (lower case, accented)";
    case 7: return "Letter (upper case, accented)";
    default: return "?????";
  }
}

std::string printable(unsigned char c) {
  switch (c) {
    case 8: return "BK";
    case 9: return "TAB";
    case 10: return "LF";
    case 12: return "FF";
    case 13: return "CR";
    case 26: return "EOF";
    case 27: return "ESC";
    default: return std::string("'") + static_cast<char>(c) + "'";
  }
}

}  // namespace

int Alphabet::parse(const char* data, size_t size) {
  setDefaults();
  std::vector<std::string_view> lines = splitLines(data, size);
  if (lines.empty() || !equalsNoCase(lines[0], kFileTitle)) {
    rebuildMap();
    return -1;
  }
  size_t i = 2;  // the second line is passed over
  while (i < lines.size()) {
    std::string_view line = lines[i];
    if (startsWithNoCase(line, "[Letters]")) {
      for (++i; i < lines.size() && !startsWithNoCase(lines[i], "["); ++i) {
        std::string d = decode(lines[i]);
        if (d.size() < 8) continue;  // not a letter line
        unsigned char c = static_cast<unsigned char>(d[1]);
        unsigned char lo = static_cast<unsigned char>(d[3]);
        unsigned char up = static_cast<unsigned char>(d[5]);
        unsigned char un = static_cast<unsigned char>(d[7]);
        upper_[c] = up;
        lower_[c] = lo;
        unaccented_[c] = un;
        setLetter(c);
        if (c == lo)
          setLowerCase(c);
        else
          setUpperCase(c);
        setAccent(c, c != un);
      }
    } else if (equalsNoCase(line, "[Spaces]") || equalsNoCase(line, "[Ignore]") ||
               equalsNoCase(line, "[Hyphens]")) {
      char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(line[1])));
      for (++i; i < lines.size() && !startsWithNoCase(lines[i], "["); ++i) {
        std::string d = decode(lines[i].substr(lines[i].empty() ? 0 : 1));
        for (char ch : d) {
          unsigned char c = static_cast<unsigned char>(ch);
          if (kind == 's') setSpace(c);
          else if (kind == 'i') setIgnored(c);
          else setHyphen(c);
        }
      }
    } else if (equalsNoCase(line, "[End]")) {
      break;
    } else {
      ++i;  // empty lines and lines outside any section are passed over
    }
  }
  type_[0] = 0;
  rebuildMap();
  return 0;
}

int Alphabet::readFile(const std::string& path) {
  std::string data;
  if (wholefile::read(path, &data, kMaxFileBytes) < 0) {
    setDefaults();
    rebuildMap();
    return -1;
  }
  return parse(data.data(), data.size());
}

std::string Alphabet::fileText() const {
  std::string out = std::string(kFileTitle) + "\n\n";
  out += "[Letters] // Original letter, lower case, upper case, unaccented\n";
  for (int i = 1; i < 256; ++i) {
    unsigned char c = static_cast<unsigned char>(i);
    if (!isLetter(c)) continue;
    for (unsigned char form : {c, lower_[c], upper_[c], unaccented_[c]}) {
      out += ' ';
      out += fileForm(form);
    }
    out += '\n';
  }
  auto section = [this, &out](const char* title, auto test) {
    out += std::string(title) + "\n ";
    for (int i = 1; i < 256; ++i)
      if (test(type_[i])) out += fileForm(static_cast<unsigned char>(i));
    out += "\n\n";
  };
  out += "\n";
  section("[Hyphens]", [](uint16_t t) { return !(t & kLetter) && t == kHyphen; });
  section("[Spaces]", [](uint16_t t) { return !(t & kLetter) && t == kSpace; });
  section("[Ignore]", [](uint16_t t) { return !(t & kLetter) && t != kHyphen && t != kSpace; });
  out += "[End]\n";
  return out;
}

int Alphabet::writeFile(const std::string& path) const {
  trace::text("Alphabet::write...");
  int rc = wholefile::write(path, fileText());
  trace::text("Alphabet::write... Done");
  return rc;
}

std::string Alphabet::listing() const {
  std::string out =
      "Character    Type                      Upper case   Without accent\n"
      "----------   -----------------------   ----------   --------------\n";
  for (int i = 1; i < 256; ++i) {
    unsigned char c = static_cast<unsigned char>(i);
    uint16_t t = type_[c];
    bool upperCase = (t & (kLetter | kUpperFlag)) == (kLetter | kUpperFlag);
    char up = (upperCase || !upper_[c]) ? ' ' : static_cast<char>(upper_[c]);
    bool accented = (t & kLetter) && (t & kAccentFlag) && unaccented_[c];
    char un = accented ? static_cast<char>(unaccented_[c]) : ' ';
    char line[128];
    std::snprintf(line, sizeof line, "%3d %2.2X %-3s   %-30s  %c               %c\n", c, c,
                  printable(c).c_str(), typeName(t), up, un);
    out += line;
  }
  return out;
}
