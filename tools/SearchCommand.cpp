#include "tools/SearchCommand.h"

#include <unistd.h>

#include <cstdio>

#include "lexaurum/lexaurum.h"
#include "search/RequestExplainer.h"
#include "tools/ExitCodes.h"
#include "tools/HitText.h"
#include "tools/SearchOptions.h"
#include "tools/SearchRun.h"

namespace searchcommand {

namespace {

using toUtf8Fn = std::string (*)(const std::string&);
const toUtf8Fn toUtf8 = requestexplainer::asUtf8;
using searchrun::Found;

constexpr int32_t kContextLineWidth = 512;  // as wide as the indexer's lines
// The colours of ripgrep: names magenta, line numbers green, hits bold red.
constexpr const char* kNameOn = "\x1b[35m";
constexpr const char* kNumberOn = "\x1b[32m";
constexpr const char* kHitOn = "\x1b[1;31m";
constexpr const char* kColorOff = "\x1b[0m";

struct ContextRead {
  hittext::ContextCollector collector;
  int32_t lastHit;
};

int addContextLine(uintptr_t data, int32_t lineNo, int32_t firstWord, int32_t, const char* text) {
  auto* read = reinterpret_cast<ContextRead*>(data);
  if (firstWord > read->lastHit && read->collector.lastHitComplete()) return 1;
  read->collector.addLine(text, lineNo + 1);
  return 0;
}

struct Snippet {
  int line;          // of its first hit, from 1
  std::string text;  // marked
};

// Each hit of `doc` with `words` words around it, read from the document as it is now; none
// when it cannot be read.
std::vector<Snippet> contextOf(const Found& doc, int words, bool utf8Lines) {
  if (doc.hits.empty()) return {};
  ContextRead read{hittext::ContextCollector(words), doc.hits.back()};
  int16_t result = 0;
  lxrsGetDocumentLines(doc.name.c_str(), doc.hits.data(), static_cast<int32_t>(doc.hits.size()),
                       kContextLineWidth, utf8Lines ? LXR_LINES_UTF8 : 0, addContextLine, reinterpret_cast<uintptr_t>(&read), &result);
  std::vector<std::string> texts = read.collector.snippets();
  std::vector<int> lines = read.collector.snippetLines();
  std::vector<Snippet> out;
  for (size_t i = 0; i < texts.size(); ++i) out.push_back({i < lines.size() ? lines[i] : 0, texts[i]});
  return out;
}

void printJson(const Found& doc, const searchoptions::SearchOptions& o, bool utf8Lines) {
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
    std::vector<Snippet> snippets = contextOf(doc, o.context, utf8Lines);
    for (size_t i = 0; i < snippets.size(); ++i)
      line += (i ? "," : "") + hittext::jsonString(toUtf8(hittext::highlight(snippets[i].text, "", "")));
    line += "],\"contextLines\":[";
    for (size_t i = 0; i < snippets.size(); ++i) line += (i ? "," : "") + std::to_string(snippets[i].line);
    line += "]";
  }
  std::printf("%s}\n", line.c_str());
}

void printLine(const Found& doc, const searchoptions::SearchOptions& o, bool color, bool utf8Lines) {
  if (color) std::printf("%7d %6d  %s%s%s\n", doc.score, doc.hitCount, kNameOn, doc.name.c_str(), kColorOff);
  else std::printf("%7d %6d  %s\n", doc.score, doc.hitCount, doc.name.c_str());
  std::string title = toUtf8(doc.title);
  title.erase(0, title.find_first_not_of(" \t"));
  title.erase(title.find_last_not_of(" \t") + 1);
  if (!title.empty()) std::printf("%15s \"%s\"\n", "", title.c_str());
  if (o.hitNumbers) {
    std::string numbers;
    for (int32_t h : doc.hits) numbers += std::to_string(h) + " ";
    std::printf("     {%s}\n", numbers.c_str());
  }
  if (o.context >= 0) {
    for (const Snippet& s : contextOf(doc, o.context, utf8Lines)) {
      std::string shown = color ? hittext::highlight(s.text, kHitOn, kColorOff) : hittext::highlight(s.text, "[", "]");
      if (color) std::printf("%8s%s%d%s:%s\n", "", kNumberOn, s.line, kColorOff, toUtf8(" " + shown).c_str());
      else std::printf("%8s%d: %s\n", "", s.line, toUtf8(shown).c_str());
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
  if (int rc = searchoptions::parseSearch(args, &o, &error); rc < 0) {
    std::fprintf(stderr, "lxr search: %s\n", error.c_str());
    return rc == searchoptions::kNotAnIndex ? exitcodes::kUsage : searchrun::kBadArguments;
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
    const bool color = searchoptions::useColor(o);
    if (!o.json) std::printf("%7s %6s  %s\n", "score", "hits", "document");
    for (const Found& doc : r.documents) {
      if (o.json) printJson(doc, o, r.utf8Lines);
      else printLine(doc, o, color, r.utf8Lines);
    }
    if (!o.json) {
      std::printf("Retrieved %s containing %s", plural(r.totalDocuments, "document").c_str(),
                  plural(r.totalHits, "hit").c_str());
      if (static_cast<int32_t>(r.documents.size()) < r.totalDocuments)
        std::printf(searchoptions::sortedByTool(o) ? " (the first %zu shown)" : " (the best %zu shown)", r.documents.size());
      std::printf("\n");
    }
  }
  return searchrun::exitCode(r, o);
}

}  // namespace searchcommand
