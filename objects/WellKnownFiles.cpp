// The table of well-known file names, with run-time replacements per kind.
#include "objects/WellKnownFiles.h"

#include <cctype>
#include <cstdio>
#include <map>

#include "objects/Trace.h"

namespace wellknown {

namespace {

struct Entry {
  int kind;
  const char* name;
};

constexpr Entry kTable[] = {
    {1, "IN_USE.TMP"},    {2, "DESKTOP.DAT"},  {4, "SORTTEMP.TMP"},  {5, "SWAPFILE.TMP"},
    {13, "X%d.DAT"},      {14, "SHISTORY.DAT"}, {15, "FILELIST.TMP"}, {16, "SORTLIST.TMP"},
    {17, "SRCH%d.DAT"},   {18, "HITS.TMP"},     {19, "V%5.5x.TMP"},   {21, "PRT%5.5x.TMP"},
    {22, "RPT%d.DAT"},    {23, "LEXAURUM.NOI"}, {24, "DISKTREE.DAT"}, {25, "LEXAURUM.SET"},
    {27, "LEXAURUM.HLP"}, {29, "DIR%d.TMP"},    {30, "IXLIB.ILB"},    {31, "WPCHARS.DAT"},
    {32, "CLIPBD.TMP"},   {33, "KWIC%d.TMP"},   {34, "TOINDEX.TMP"},  {35, "ENGLISH.ABC"},
    {36, "INDEXLOG.DAT"}, {37, "SEARCH.TMP"},   {39, "LEXAURUM.MSG"}, {45, "LXRWIN.HLP"},
    {46, "LEXAURUM.MNU"}, {47, "LXRWIN.MNU"},   {48, "LEXAURUM.CRS"}, {49, "MACROS.DAT"},
    {50, "FILETYPE.DAT"}, {51, "APPS.DAT"},     {52, "OPTIONS.DAT"},  {53, "SRCHDIRS.DAT"},
    {54, "SRCHIX.DAT"},
};

std::map<int, std::string>& overrides() {
  static std::map<int, std::string>* m = new std::map<int, std::string>;
  return *m;
}

// Formats a pattern with one number. Only one conversion of the forms %d, %ld, %x and
// %W.Px is honoured; anything else is copied as it stands, so a replaced name can never
// make the formatter read an argument that is not there.
std::string formatPattern(const std::string& pattern, long number) {
  std::string out;
  bool used = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || used) {
      out += pattern[i];
      continue;
    }
    size_t j = i + 1;
    std::string conversion = "%";
    while (j < pattern.size() && (isdigit(static_cast<unsigned char>(pattern[j])) ||
                                  pattern[j] == '.') && conversion.size() < 8)
      conversion += pattern[j++];
    if (j < pattern.size() && pattern[j] == 'l') ++j;
    if (j < pattern.size() && (pattern[j] == 'd' || pattern[j] == 'x')) {
      conversion += 'l';
      conversion += pattern[j];
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, conversion.c_str(), number);
      out += buffer;
      used = true;
      i = j;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace

std::string name(int kind, long number) {
  auto it = overrides().find(kind);
  if (it != overrides().end()) return formatPattern(it->second, number);
  for (const Entry& e : kTable)
    if (e.kind == kind) return formatPattern(e.name, number);
  trace::line("Unable to find name for type %d", kind);
  return "";
}

void setName(int kind, const std::string& name) {
  if (name.empty())
    overrides().erase(kind);
  else
    overrides()[kind] = name;
}

void resetNames() { overrides().clear(); }

}  // namespace wellknown
