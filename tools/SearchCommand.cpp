#include "tools/SearchCommand.h"

#include <unistd.h>

#include <cstdio>

#include "lexaurum/lexaurum.h"
#include "search/RequestExplainer.h"
#include "tools/HitText.h"
#include "tools/SearchOptions.h"
#include "tools/SearchRun.h"

namespace searchcommand {

namespace {

using requestexplainer::toUtf8;
using searchrun::Found;

constexpr int32_t kContextLineWidth = 512;  // as wide as the indexer's lines
constexpr const char* kBoldOn = "\x1b[1m";
constexpr const char* kBoldOff = "\x1b[0m";

struct ContextRead {
  hittext::ContextCollector collector;
  int32_t lastHit;
};

int addContextLine(uintptr_t data, int32_t, int32_t firstWord, int32_t, const char* text) {
  auto* read = reinterpret_cast<ContextRead*>(data);
  if (firstWord > read->lastHit && read->collector.lastHitComplete()) return 1;
  read->collector.addLine(text);
  return 0;
}

// Each hit of `doc` with `words` words around it, read from the document as it is now; none
// when it cannot be read.
std::vector<std::string> contextOf(const Found& doc, int words) {
  if (doc.hits.empty()) return {};
  ContextRead read{hittext::ContextCollector(words), doc.hits.back()};
  int16_t result = 0;
  lxrsGetDocumentLines(doc.name.c_str(), doc.hits.data(), static_cast<int32_t>(doc.hits.size()),
                       kContextLineWidth, 0, addContextLine, reinterpret_cast<uintptr_t>(&read), &result);
  return read.collector.snippets();
}

void printJson(const Found& doc, const searchoptions::SearchOptions& o) {
  std::string line = "{\"name\":" + hittext::jsonString(doc.name) +
                     ",\"title\":" + hittext::jsonString(toUtf8(doc.title)) +
                     ",\"date\":" + hittext::jsonString(doc.date) +
                     ",\"size\":" + std::to_string(doc.size) +
                     ",\"hitCount\":" + std::to_string(doc.hitCount) +
                     ",\"score\":" + std::to_string(doc.score) + ",\"hits\":[";
  for (size_t i = 0; i < doc.hits.size(); ++i) line += (i ? "," : "") + std::to_string(doc.hits[i]);
  line += "]";
  if (o.context >= 0) {
    line += ",\"context\":[";
    std::vector<std::string> snippets = contextOf(doc, o.context);
    for (size_t i = 0; i < snippets.size(); ++i)
      line += (i ? "," : "") + hittext::jsonString(toUtf8(hittext::highlight(snippets[i], "", "")));
    line += "]";
  }
  std::printf("%s}\n", line.c_str());
}

void printLine(const Found& doc, const searchoptions::SearchOptions& o, bool terminal) {
  std::printf("%7d %6d  %s\n", doc.score, doc.hitCount, doc.name.c_str());
  if (o.hitNumbers) {
    std::string numbers;
    for (int32_t h : doc.hits) numbers += std::to_string(h) + " ";
    std::printf("     {%s}\n", numbers.c_str());
  }
  if (o.context >= 0) {
    for (const std::string& s : contextOf(doc, o.context)) {
      std::string shown = terminal ? hittext::highlight(s, kBoldOn, kBoldOff) : hittext::highlight(s, "", "");
      std::printf("        %s\n", toUtf8(shown).c_str());
    }
  }
}

std::string plural(int32_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

int run(const std::vector<std::string>& args, const std::string& privateDir) {
  searchoptions::SearchOptions o;
  std::string error;
  if (searchoptions::parseSearch(args, &o, &error) < 0) {
    std::fprintf(stderr, "lxr search: %s\n", error.c_str());
    return searchrun::kBadArguments;
  }
  // JSON output holds JSON lines only: what the engine says during the search (such as "No
  // documents were retrieved.") goes to standard error.
  int savedOut = -1;
  if (o.json) {
    std::fflush(stdout);
    savedOut = dup(STDOUT_FILENO);
    if (savedOut >= 0) dup2(STDERR_FILENO, STDOUT_FILENO);
  }
  searchrun::Results r = searchrun::run(o, privateDir);
  if (savedOut >= 0) {
    std::fflush(stdout);
    dup2(savedOut, STDOUT_FILENO);
    close(savedOut);
  }
  if (r.outcome == searchrun::Outcome::kFound) {
    const bool terminal = isatty(STDOUT_FILENO) != 0;
    if (!o.json) std::printf("%7s %6s  %s\n", "score", "hits", "document");
    for (const Found& doc : r.documents) {
      if (o.json) printJson(doc, o);
      else printLine(doc, o, terminal);
    }
    if (!o.json) {
      std::printf("Retrieved %s containing %s", plural(r.totalDocuments, "document").c_str(),
                  plural(r.totalHits, "hit").c_str());
      if (static_cast<int32_t>(r.documents.size()) < r.totalDocuments)
        std::printf(" (the best %zu shown)", r.documents.size());
      std::printf("\n");
    }
  }
  return searchrun::exitCode(r);
}

}  // namespace searchcommand
