// The TEST RESULTS and TEST REPORT checks.
#include "api/ScriptChecks.h"

#include <cstdio>
#include <cstdlib>

#include "api/SearchReport.h"
#include "api/TextLines.h"

namespace script {

namespace {

bool isBlankLine(const std::string& line) {
  return line.find_first_not_of(" \t\r") == std::string::npos;
}

// The numbers of a hit line: runs of digits (a minus sign kept) between blanks and braces.
std::vector<std::string> hitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string w;
  for (char c : line) {
    if (c == ' ' || c == '\t' || c == '{' || c == '}' || c == '\r') {
      if (!w.empty()) words.push_back(w);
      w.clear();
    } else {
      w += c;
    }
  }
  if (!w.empty()) words.push_back(w);
  return words;
}

}  // namespace

std::vector<std::string> checkResults(const std::string& listingName, const std::string& item,
                                      const std::vector<int32_t>& expected) {
  std::vector<std::string> lines;
  if (!readTextLines(listingName, &lines)) return {"Unable to open file " + listingName};
  const bool mustNotOccur = !item.empty() && item[0] == '~';
  const std::string wanted = mustNotOccur ? item.substr(1) : item;
  size_t found = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].empty() && lines[i][0] == '*') continue;
    if (lines[i].find(wanted) == std::string::npos) continue;
    if (mustNotOccur) return {"Item should not be retrieved: " + wanted};
    if (found != lines.size()) return {"Duplicate item: " + wanted + " in " + lines[i]};
    found = i;
  }
  if (mustNotOccur) return {};
  if (found == lines.size()) return {"Not retrieved: " + wanted};

  size_t h = found + 1;
  while (h < lines.size() && isBlankLine(lines[h])) ++h;
  const std::string hitLine = h < lines.size() ? lines[h] : "";
  std::vector<std::string> got = hitWords(hitLine);
  std::vector<std::string> failures;
  for (size_t k = 0; k < expected.size(); ++k) {
    std::string want = std::to_string(expected[k]);
    if (k >= got.size()) {
      failures.push_back("Hit not found: " + want + " in " + hitLine);
      break;
    }
    if (got[k] != want) {
      failures.push_back("Hits mismatch: " + got[k] + " != " + want + " in " + hitLine);
      break;
    }
  }
  if (failures.empty() && got.size() > expected.size())
    failures.push_back("Hits mismatch: " + got[expected.size()] + " != (no more hits) in " +
                       hitLine);
  return failures;
}

std::vector<std::string> checkReport(const std::string& reportName, const std::string& document,
                                     const std::string& text) {
  std::vector<std::string> lines;
  if (!readTextLines(reportName, &lines)) return {"Unable to open file " + reportName};
  if (lines.empty() || lines[0] != searchreport::kFirstLine)
    return {"File " + reportName + " is not a Search Report"};
  const bool docMustNotOccur = !document.empty() && document[0] == '~';
  const std::string doc = docMustNotOccur ? document.substr(1) : document;
  const bool textMustNotOccur = !text.empty() && text[0] == '~';
  std::string wanted = textMustNotOccur ? text.substr(1) : text;
  const bool starLine = !wanted.empty() && wanted[0] == '*';
  if (starLine) wanted = wanted.substr(1);

  bool docFound = false;
  bool textFound = false;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] != searchreport::kSeparator) continue;
    if (lines[i + 1].find(doc) == std::string::npos) continue;
    docFound = true;
    for (size_t k = i + 2; k < lines.size() && lines[k] != searchreport::kSeparator; ++k) {
      if (starLine && (lines[k].empty() || lines[k][0] != '*')) continue;
      if (lines[k].find(wanted) != std::string::npos) textFound = true;
    }
    if (textFound) break;
  }
  if (docMustNotOccur) {
    if (docFound) return {"Item should not be retrieved: " + doc};
    return {};
  }
  if (!docFound) return {"Document not retrieved: " + doc};
  if (textMustNotOccur) {
    if (textFound) return {"Item should not be retrieved: " + doc};
    return {};
  }
  if (!textFound) return {"Text not found in report for " + doc + ": \"" + text + "\""};
  return {};
}

}  // namespace script
