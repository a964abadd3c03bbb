// One search from the main window through the engine interface: the job record filled from
// the request and the word options, the documents reported while the search runs, the
// results file read back in the job's order, and a status window with Cancel for the
// duration. Depends on win/JobStatusWindow, win/ResultModel and the engine's public header.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

#include "win/ResultModel.h"

class QWidget;

struct SearchRequest {
  QString request;
  QString alsoRequest;     // an additional request every document must meet; may be empty
  QStringList indexFolders;  // searched unless empty
  QString filesFolder;       // a folder searched without an index; empty: none
  QStringList includes, excludes;  // file name patterns of the unindexed search
  int16_t searchFlags = 0;   // LXR_SEARCH_...
  int16_t fuzziness = 0;
  int16_t sortType = 16;     // LXR_SORT_BY_SCORE
};

struct SearchOutcome {
  enum Kind { kFound, kNone, kFaultyRequest, kStopped, kFailed };
  Kind kind = kFailed;
  int32_t totalFiles = 0;
  int32_t totalHits = 0;
  std::vector<ResultRow> rows;  // in the job's order
  // Every index searched holds Unicode text (unindexed files are searched as such): its
  // documents are laid out as a Unicode index lays them out.
  bool utf8Lines = true;
};

namespace searchrunner {

// Called for every document found while the search runs, with what is known of it by then.
using FoundFn = std::function<void(const ResultRow& row)>;

// Runs the search; the results file is kept in `privateDir`. The engine shows its own
// messages (a faulty request's echo, "no documents") through the call-backs.
SearchOutcome run(const SearchRequest& request, const QString& privateDir, QWidget* parent,
                  const FoundFn& onFound);

// Reads a results file's documents in its order into *rows. 0, or -1 when it cannot be read.
int readResults(const std::string& resultsName, std::vector<ResultRow>* rows);

}  // namespace searchrunner
