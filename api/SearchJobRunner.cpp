#include "api/SearchJobRunner.h"

#include <cstring>
#include <ctime>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "api/IndexJobRunner.h"
#include "api/ErrorReporter.h"
#include "api/JobRecords.h"
#include "api/LexaurumInstance.h"
#include "api/OptionSettings.h"
#include "io/TableFile.h"
#include "io/WholeFile.h"
#include "import/Alphabet.h"
#include "objects/TextFields.h"
#include "objects/Trace.h"
#include "objects/WellKnownFiles.h"
#include "platform/Platform.h"
#include "search/MacroTable.h"
#include "search/Searcher.h"

namespace searchjobs {

namespace {

// The memory behind an lxrSearcher handle: callers see an opaque block of at least 55 bytes.
struct Handle {
  char tag[8] = "LXRSRCH";
  Searcher* searcher = nullptr;
  char reserved[56] = {};
};

std::set<const lxrSearcher*>& handles() {
  static std::set<const lxrSearcher*> live;
  return live;
}

struct Context {
  MacroTable macros;
  SearcherSettings settings;
};

void fill(LexaurumInstance& engine, Context* c) {
  EngineSetup& setup = engine.setup();
  c->settings.request = optionsettings::requestSettings(setup);
  c->settings.request.showMessages = true;
  c->settings.request.reporter = &engine.reporter();
  c->settings.request.alphabet = &engine.alphabet();
  c->settings.request.thesaurus = &engine.thesaurus();
  c->settings.request.stemmer = &engine.stemmer();
  if (setup.macroChar) {
    std::string path = engine.privateFile(MacroTable::kFileName);
    if (!platform::fileExists(path.c_str())) path = engine.homeFile(MacroTable::kFileName);
    c->macros.load(path);
    c->settings.request.macros = &c->macros;
  }
  c->settings.retrievalLimit = setup.retrievalLimit;
  c->settings.indexing = indexjobs::settingsFrom(engine);
  c->settings.caseSensitive = setup.indexCaseSensitive;
  c->settings.accentSensitive = setup.indexAccentSensitive;
  c->settings.workFolder = engine.privateDir();
  c->settings.libraryName = engine.libraryNames();
  std::string history = engine.privateFile(wellknown::name(wellknown::kSearchHistory));
  c->settings.history = [history](const std::string& request, int32_t documents, int32_t hits) {
    // The newest search first; the oldest give way beyond the limit.
    TableFile old(kHistoryTitle);
    std::vector<std::vector<std::string>> kept;
    if (old.read(history) == 0) {
      for (int n = 1; n <= kMaxHistory - 1 && old.selectRecord(n) == 0; ++n) {
        std::string r, d, h, t;
        old.getString("Request", &r);
        old.getString("Files", &d);
        old.getString("Hits", &h);
        old.getString("Date", &t);
        kept.push_back({r, d, h, t});
      }
    }
    TableFile table(kHistoryTitle);
    char date[32];
    std::tm tm{};
    std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", platform::localTime(now, &tm) ? &tm : std::gmtime(&now));
    kept.insert(kept.begin(), {request, std::to_string(documents), std::to_string(hits), date});
    for (size_t i = 0; i < kept.size(); ++i) {
      table.selectRecordForWriting(static_cast<int>(i + 1));
      table.putString("Request", kept[i][0]);
      table.putString("Files", kept[i][1]);
      table.putString("Hits", kept[i][2]);
      table.putString("Date", kept[i][3]);
    }
    // A search is not worth a sync: the history is renamed into place fully written (a crash
    // leaves the old or the new one) without waiting for the disk.
    if (wholefile::write(history, table.toFileText(), false) < 0)
      trace::line("Search history %s cannot be written", history.c_str());
  };
}

}  // namespace

int run(LexaurumInstance& engine, lxrSearchJob* job) {
  Context c;
  fill(engine, &c);
  SearchJobRequest request = jobrecords::searchRequestOf(*job);
  jobrecords::SearchProgressRelay relay(job);
  SearchOutcome outcome;
  job->totalFiles = 0;
  job->totalHits = 0;
  int rc;
  if (job->searchHandle) {
    trace::text("Searcher::doSearchJob -- using supplied searcher");
    Searcher* s = reinterpret_cast<Handle*>(job->searchHandle)->searcher;
    s->setSettings(c.settings);
    rc = s->doSearch(request, relay.control(), &outcome);
  } else {
    Searcher searcher(c.settings);
    rc = searcher.doSearch(request, relay.control(), &outcome);
  }
  if (!outcome.status.isOk()) apierror::report(outcome.status);
  job->totalFiles = outcome.totalFiles;
  job->totalHits = outcome.totalHits;
  if (!outcome.resultsName.empty()) textfields::copy(job->resultsName, sizeof job->resultsName, outcome.resultsName);
  return rc;
}

lxrSearcher* create(LexaurumInstance& engine) {
  auto* h = new Handle;
  Context c;
  fill(engine, &c);
  c.settings.request.macros = nullptr;  // the macros are loaded again for each job
  h->searcher = new Searcher(c.settings);
  auto* handle = reinterpret_cast<lxrSearcher*>(h);
  handles().insert(handle);
  return handle;
}

bool isSearcher(const lxrSearcher* handle) { return handles().count(handle) != 0; }

void destroy(lxrSearcher* handle) {
  if (!isSearcher(handle)) return;
  handles().erase(handle);
  auto* h = reinterpret_cast<Handle*>(handle);
  delete h->searcher;
  delete h;
}

}  // namespace searchjobs
