// Text the search tools print: JSON strings, hit marks turned into highlighting, and the
// words around each hit. Marked text carries the byte 7 before and after each hit word, as
// lxrsGetDocumentLines hands it out.
#pragma once

#include <string>
#include <vector>

namespace hittext {

constexpr char kHitMark = '\x07';

// `text` as a JSON string, quotes included: quote, backslash and control characters escaped
// (\n, \t, ... or \u00XX); a byte that does not begin a valid UTF-8 sequence becomes \ufffd.
std::string jsonString(const std::string& text);

// Each hit of `marked` wrapped in `on` and `off` (the marks removed).
std::string highlight(const std::string& marked, const std::string& on, const std::string& off);

// The words of a document (blank-separated, in reading order, marks kept) and, for every run
// of hits, the hits with up to `context` words on either side; runs that overlap or touch
// are joined. Each snippet is marked text, with "..." where it cuts the document.
class ContextCollector {
 public:
  explicit ContextCollector(int context) : context_(context) {}
  // Adds one line of marked text, the line `lineNumber` of the document.
  void addLine(const std::string& marked, int lineNumber = 0);
  std::vector<std::string> snippets() const;
  // For each snippet, the number of the line that holds its first hit.
  std::vector<int> snippetLines() const;
  // True once every hit seen so far has its context and one word more (which shows that the
  // text goes on), so a caller that knows no hits follow may stop.
  bool lastHitComplete() const { return lastHit_ >= 0 && words_.size() > static_cast<size_t>(lastHit_ + context_ + 1); }

 private:
  int context_;
  std::vector<std::string> words_;
  std::vector<int> hitWords_;  // indexes into words_
  std::vector<int> hitLines_;  // the line of each of hitWords_
  int lastHit_ = -1;
};

}  // namespace hittext
