// Entry operations for interactive front ends such as the desktop program: how a request is
// understood, the search history, a job script run that reports QUIT and WINDOW to its host,
// and one line into the trace. Each is a thin door onto an engine part; none opens a window.
// Depends on api/LexaurumInstance, api/ScriptRunner, io/TableFile and search/.
#include <cstdio>
#include <cstring>
#include <string>

#include "api/DllInterface.h"
#include "api/ErrorReporter.h"
#include "api/LexaurumInstance.h"
#include "api/ScriptRunner.h"
#include "api/SearchJobRunner.h"
#include "api/OptionSettings.h"
#include "io/TableFile.h"
#include "api/Validation.h"
#include "lexaurum/lexaurum.h"
#include "objects/Trace.h"
#include "objects/WellKnownFiles.h"
#include "platform/Platform.h"
#include "search/MacroTable.h"
#include "search/RequestExplainer.h"
#include "search/RequestSettings.h"

namespace {

constexpr size_t kPathChars = LXR_PATH_CHARS - 1;
constexpr size_t kMaxExplainRequestChars = 4096;
constexpr size_t kMaxTraceChars = 4096;

// The checks every operation here starts with: a writable result, then (after the caller's
// own argument checks) an initialised engine. Null when the call must fail.
LexaurumInstance* engineFor(const char* name, int16_t* result) {
  trace::line("%s...", name);
  *result = -1;
  DllInterface* dll = DllInterface::current();
  if (dll && dll->instance()) return dll->instance();
  apierror::report("DLL Not Initialized");
  trace::line("%s Failed", name);
  return nullptr;
}

int16_t done(const char* name, int rc, int16_t* result) {
  *result = static_cast<int16_t>(rc < 0 ? -1 : 0);
  trace::line("%s %s", name, rc < 0 ? "Failed" : "Done");
  return *result;
}

bool writable(int16_t* result) {
  if (platform::isWritable(result, sizeof *result)) return true;
  trace::text("Parameter Validation Error: Bad short& Reference");
  return false;
}

int explain(LexaurumInstance& engine, const std::string& request, int16_t flags,
            int16_t fuzziness, std::string* out) {
  RequestSettings settings = optionsettings::requestSettings(engine.setup());
  settings.alphabet = &engine.alphabet();
  SearchOptions& o = settings.options;
  if (flags & LXR_SEARCH_FUZZY) {
    o.fuzzySearching = fuzziness > 0;
    o.fuzziness = fuzziness;
  }
  if (flags & LXR_SEARCH_PHONIC) o.phonicSearching = true;
  if (flags & LXR_SEARCH_STEMMING) o.autoStemming = true;
  if (flags & LXR_SEARCH_SYNONYMS) o.synonymSearching = true;
  if (flags & LXR_SEARCH_NATURAL) o.natLangSearching = true;
  MacroTable macros;
  if (settings.macroChar != '\0') {
    std::string path = engine.privateFile(MacroTable::kFileName);
    if (!platform::fileExists(path.c_str())) path = engine.homeFile(MacroTable::kFileName);
    macros.load(path);  // a missing table leaves every macro unknown
  }
  settings.stemmer = &engine.stemmer();
  settings.thesaurus = &engine.thesaurus();
  settings.macros = &macros;
  std::string utf8;
  int rc = requestexplainer::explain(requestexplainer::toUtf8(request), settings, &utf8);
  *out = requestexplainer::toEngineText(utf8);
  return rc == requestexplainer::kUnderstood ? 0 : -1;
}

void windowFromScript(uintptr_t data, int32_t show) {
  auto* host = reinterpret_cast<lxrScriptHost*>(data);
  host->windowFn(host->windowData, show);
}

}  // namespace

extern "C" {

LXR_API int16_t lxrsExplainRequest(const char* request, int16_t searchFlags, int16_t fuzziness,
                                   char* text, int32_t textBytes, int32_t* neededBytes,
                                   int16_t* result) {
  const char* name = "lxrsExplainRequest";
  if (!writable(result)) return -1;
  if (validation::text(request, kMaxExplainRequestChars, "request") < 0 || textBytes < 0 ||
      (textBytes > 0 && !platform::isWritable(text, static_cast<size_t>(textBytes))) ||
      (neededBytes && !platform::isWritable(neededBytes, sizeof *neededBytes)) || fuzziness < 0 ||
      fuzziness > 9) {
    apierror::report("Parameter Validation Error:", "lxrsExplainRequest arguments");
    return done(name, -1, result);
  }
  LexaurumInstance* engine = engineFor(name, result);
  if (!engine) return -1;
  std::string out;
  int rc = explain(*engine, request, searchFlags, fuzziness, &out);
  if (neededBytes) *neededBytes = static_cast<int32_t>(out.size() + 1);
  if (textBytes > 0) std::snprintf(text, static_cast<size_t>(textBytes), "%s", out.c_str());
  return done(name, rc, result);
}

LXR_API int16_t lxrsGetSearchHistory(lxrHistoryFn fn, uintptr_t data, int16_t* result) {
  const char* name = "lxrsGetSearchHistory";
  if (!writable(result)) return -1;
  if (!fn || validation::callback(reinterpret_cast<const void*>(fn), "fn") < 0)
    return done(name, -1, result);
  LexaurumInstance* engine = engineFor(name, result);
  if (!engine) return -1;
  TableFile table(searchjobs::kHistoryTitle);
  // No history yet (or one that is not a history table) is an empty history.
  if (table.read(engine->privateFile(wellknown::name(wellknown::kSearchHistory))) < 0)
    return done(name, 0, result);
  for (int n = 1; n <= searchjobs::kMaxHistory && table.selectRecord(n) == 0; ++n) {
    std::string request, date;
    int32_t documents = 0, hits = 0;
    table.getString("Request", &request);
    table.getString("Date", &date);
    table.getInt32("Files", &documents);
    table.getInt32("Hits", &hits);
    if (fn(data, request.c_str(), documents, hits, date.c_str()) != 0) break;
  }
  return done(name, 0, result);
}

LXR_API int16_t lxrsRunScriptHost(const char* scriptName, lxrScriptHost* host, int16_t* result) {
  const char* name = "lxrsRunScriptHost";
  if (!writable(result)) return -1;
  if (validation::text(scriptName, kPathChars, "scriptName") < 0 ||
      validation::writableRecord(host, sizeof *host, "lxrScriptHost") < 0 ||
      (host->echo && validation::callback(reinterpret_cast<const void*>(host->echo), "echo") < 0) ||
      (host->windowFn && validation::callback(reinterpret_cast<const void*>(host->windowFn), "windowFn") < 0) ||
      (host->progressFn && validation::callback(reinterpret_cast<const void*>(host->progressFn), "progressFn") < 0) ||
      (host->cancelFlag && !platform::isReadable(const_cast<const int32_t*>(host->cancelFlag), sizeof(int32_t))))
    return done(name, -1, result);
  LexaurumInstance* engine = engineFor(name, result);
  if (!engine) return -1;
  host->quitRequested = 0;
  script::ScriptRunner runner(*engine, scriptName);
  runner.setEcho(host->echo, host->echoData);
  runner.setCancelSource(host->cancelFlag);
  if (host->windowFn) runner.setWindowHandler(windowFromScript, reinterpret_cast<uintptr_t>(host));
  runner.setProgressHandler(host->progressFn, host->progressData);
  int rc = runner.run();
  host->quitRequested = runner.quitRequested() ? 1 : 0;
  return done(name, rc, result);
}

LXR_API void lxrsTrace(const char* line) {
  if (!line || !platform::isReadableString(line, kMaxTraceChars)) return;
  trace::text(line);
}

}  // extern "C"
