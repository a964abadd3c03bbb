// Writing a search report from a results file.
#include "api/SearchReport.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "api/LexaurumInstance.h"
#include "import/ImportFile.h"
#include "import/ScreenLine.h"
#include "platform/Platform.h"
#include "search/ResultsFile.h"

namespace searchreport {

namespace {

constexpr int kLineWidth = 76;

std::string timeText(int32_t t) {
  std::tm tm{};
  if (!platform::localTime(static_cast<std::time_t>(t), &tm)) return "";
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

// The lines of the document that hold one of `hits` (ascending word numbers).
void writeHitLines(const LexaurumInstance& engine, std::FILE* out, const ResultsItem& item) {
  if (item.hits.empty()) return;
  ImportFile file(engine.viewers(), &engine.alphabet());
  if (file.open(item.doc.fileName) < 0) {
    std::fprintf(out, "   (the document cannot be read: %s)\n", file.errorText().c_str());
    return;
  }
  ScreenLine line;
  size_t next = 0;  // the first hit not yet shown
  int32_t lineNumber = 0;
  while (next < item.hits.size() && file.nextLine(&line, kLineWidth) == 1) {
    ++lineNumber;
    const int32_t end = line.firstWord + line.wordCount;
    while (next < item.hits.size() && item.hits[next] < line.firstWord) ++next;
    if (next < item.hits.size() && item.hits[next] < end) {
      std::fprintf(out, "*%6d  %s\n", lineNumber, ImportFile::lineText(line).c_str());
      while (next < item.hits.size() && item.hits[next] < end) ++next;
    }
  }
}

}  // namespace

int write(const LexaurumInstance& engine, const std::string& resultsName, const std::string& outputName, bool append,
          int maxDocuments, std::string* error) {
  ResultsFile results;
  if (results.open(resultsName) < 0) {
    *error = "Unable to open the search results " + resultsName;
    return -1;
  }
  ResultsHeader header;
  if (results.readHeader(&header) < 0) {
    *error = "Unable to read the search results " + resultsName;
    results.close();
    return -1;
  }
  std::FILE* out = std::fopen(outputName.c_str(), append ? "ab" : "wb");
  if (!out) {
    *error = "Unable to write file " + outputName;
    results.close();
    return -1;
  }
  results.mapWhole();
  const int32_t count = results.count();
  const int32_t shown = std::max(0, std::min<int32_t>(count, maxDocuments));
  std::fprintf(out, "%s\n", kFirstLine);
  std::fprintf(out, "Request:   \"%s\"\n", header.request.c_str());
  std::fprintf(out, "Performed: %s\n", timeText(header.searchTime).c_str());
  std::fprintf(out, "Retrieved %d documents containing %d hits; %d shown\n", header.documents,
               header.totalHits, shown);
  int rc = 0;
  for (int32_t i = 0; i < shown; ++i) {
    ResultsItem item;
    if (results.read(i, &item) < 0) {
      *error = "Unable to read the search results " + resultsName;
      rc = -1;
      break;
    }
    std::fprintf(out, "%s\n%s\n", kSeparator, item.doc.fileName.c_str());
    if (!item.doc.title.empty()) std::fprintf(out, "   Title: %s\n", item.doc.title.c_str());
    std::fprintf(out, "   Hits: %d   Score: %d\n", item.doc.hitCount, item.doc.score);
    writeHitLines(engine, out, item);
  }
  if (rc == 0) std::fprintf(out, "%s\n", kSeparator);
  if (std::fclose(out) != 0 && rc == 0) {
    *error = "Unable to write file " + outputName;
    rc = -1;
  }
  results.close();
  return rc;
}

}  // namespace searchreport
