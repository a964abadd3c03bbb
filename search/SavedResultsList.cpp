#include "search/SavedResultsList.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/Platform.h"
#include "search/ResultsFile.h"

SavedResultsList::SavedResultsList(const std::string& folder, int kind) {
  const std::string prefix = kind == kResultsKind ? "SRCH" : "RPT";
  std::vector<platform::DirEntry> listing;
  platform::listDirectory(folder.c_str(), &listing);
  std::sort(listing.begin(), listing.end(),
            [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.name < b.name; });
  for (const platform::DirEntry& e : listing) {
    if (e.isDirectory || e.name.size() <= prefix.size() + 4 || e.name.compare(0, prefix.size(), prefix) != 0 ||
        e.name.compare(e.name.size() - 4, 4, ".DAT") != 0)
      continue;
    ResultsFile f;
    ResultsHeader h;
    std::string path = folder + "/" + e.name;
    if (f.open(path) < 0) continue;
    bool ok = f.readHeader(&h) == 0;
    f.close();
    if (ok) entries_.push_back(Entry{path, h.request, h.documents, h.searchTime});
  }
}

std::string SavedResultsList::heading() {
  char text[96];
  std::snprintf(text, sizeof text, "%-39.39s %6s %8s %11s", " Request", "Files", "Search", "Performed");
  return text;
}

std::string SavedResultsList::line(int i, bool tabs) const {
  const Entry& e = entries_[static_cast<size_t>(i)];
  std::string request = "\"" + e.request.substr(0, 37) + "\"";
  std::tm tm{};
  char date[16] = "?", time[16] = "?";
  if (platform::localTime(static_cast<std::time_t>(e.time), &tm)) {
    std::strftime(date, sizeof date, "%d/%m/%y", &tm);
    std::strftime(time, sizeof time, "%H:%M:%S", &tm);
  }
  char text[160];
  if (tabs)
    std::snprintf(text, sizeof text, "%s\t%ld\t%8s\t%11s", request.c_str(), e.documents, date, time);
  else
    std::snprintf(text, sizeof text, "%-39.39s %6ld %8s %11s", request.c_str(), e.documents, date, time);
  return text;
}
