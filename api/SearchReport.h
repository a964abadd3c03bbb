// The search report: a text file that shows what a search retrieved, written from its
// results file. It begins with the line "Lexaurum Search Report" and the request and totals;
// each document follows after a separator line "=================": its name on the next
// line, its title, hit count and score, then every line of its text that holds a hit,
// beginning with "*" and the line's number. Job scripts write it (REPORT) and check it
// (TEST REPORT). Depends on search/ResultsFile and import/ImportFile.
#pragma once

#include <string>

class LexaurumInstance;

namespace searchreport {

constexpr const char* kFirstLine = "Lexaurum Search Report";
constexpr const char* kSeparator = "=================";
constexpr int kDefaultDocuments = 30;

// Writes the report of the results file `resultsName` for its first `maxDocuments`
// documents into `outputName` (appended to when `append`). 0, or -1 with *error set.
int write(const LexaurumInstance& engine, const std::string& resultsName, const std::string& outputName, bool append,
          int maxDocuments, std::string* error);

}  // namespace searchreport
