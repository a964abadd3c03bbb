// One search job for the lxr commands, through the engine interface: the job record filled
// from the options, a results file in the private folder read back document by document
// and removed, and the outcome told apart (found, none, faulty request).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/SearchOptions.h"

namespace searchrun {

// A document found. Its name is in bytes as the file system has it; its title in
// Windows-1252, as the importers deliver titles.
struct Found {
  std::string name, title, date;
  int32_t size = 0;
  int32_t hitCount = 0;
  int32_t score = 0;
  std::vector<int32_t> hits;  // word numbers, ascending
};

enum class Outcome { kFound, kNone, kFaultyRequest, kFailed };

struct Results {
  Outcome outcome = Outcome::kFailed;
  std::vector<std::string> errors;  // the engine's error messages during the search
  std::vector<Found> documents;  // in the job's order
  int32_t totalDocuments = 0;
  int32_t totalHits = 0;
  bool utf8Lines = false;  // every index searched is a Unicode one: lay documents out so
};

// The exit codes of lxr search and lxr show besides those of tools/ExitCodes.h.
constexpr int kFound = 0;
constexpr int kNoneFound = 1;
constexpr int kRequestError = 2;   // a faulty request; the engine has shown its echo
constexpr int kBadArguments = -1;  // the caller prints the usage and exits with 2

// The exit code for `results` of a search of `o`: found, none, a faulty request (said so on
// standard error), or the kind of the engine's failure.
int exitCode(const Results& results, const searchoptions::SearchOptions& o);

// Runs the search `o` asks for (documents in the order asked, the first --max of them); `filesList` (may be empty) names a file listing the files of
// an unindexed scan. The engine shows its own messages (the request echo of a faulty
// request, "no documents") through the tool's call-backs.
Results run(const searchoptions::SearchOptions& o, const std::string& privateDir,
            const std::string& filesList = "");

}  // namespace searchrun
