#include "api/IndexJobRunner.h"

#include <cstring>
#include <string>

#include "api/ErrorReporter.h"
#include "api/IndexLibrary.h"
#include "api/JobRecords.h"
#include "api/LexaurumInstance.h"
#include "api/OptionSettings.h"
#include "index/IndexJob.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace indexjobs {

namespace {

std::string text(const char* field, size_t capacity) { return std::string(field, strnlen(field, capacity)); }

// A data file of the engine: the private folder's copy when there is one, else the home
// folder's; "" when the name is empty.
std::string dataFile(const LexaurumInstance& engine, const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return name;
  std::string own = engine.privateFile(name);
  return platform::fileExists(own.c_str()) ? own : engine.homeFile(name);
}

}  // namespace

IndexJobSettings settingsFrom(LexaurumInstance& engine) {
  const EngineSetup& setup = engine.setup();
  IndexJobSettings settings;
  settings.maxWordLength = setup.effectiveMaxWordLength();
  settings.indexNumbers = setup.indexNumbers;
  settings.binaryFiles = setup.binaryFiles;
  settings.noiseFile = dataFile(engine, setup.noiseListName);
  settings.maxMergeBytes = setup.extraInt("MergeLimit", 0);
  settings.logLimitBytes = setup.extraInt("IndexLogLimit", static_cast<int>(settings.logLimitBytes));
  settings.mergeSwitches = optionsettings::mergeSwitches(setup, trace::isLogging());
  settings.compressTableBytes = setup.extraInt("cibs", 0);
  settings.diagnose = trace::isLogging() && settings.compressTableBytes > 0;
  settings.libraryName = engine.libraryNames();
  settings.viewers = &engine.viewers();
  settings.alphabet = &engine.alphabet();
  settings.reporter = &engine.reporter();
  IndexLibrary* library = &engine.library();
  settings.forgetIndex = [library](const std::string& folder) { library->removeFolder(folder); };
  return settings;
}

int run(LexaurumInstance& engine, lxrIndexJob* record) {
  std::string name = text(record->indexName, sizeof record->indexName);
  std::string path = text(record->indexPath, sizeof record->indexPath);
  if (path.empty()) {
    int at = name.empty() ? 0 : engine.library().find(name);
    if (at == 0) {
      apierror::report("lxrsDoIndexJob: no index named", "\"" + name + "\"", "in the index library");
      return -1;
    }
    path = engine.library().entry(static_cast<size_t>(at - 1))->path;
  }
  IndexJobSettings settings = settingsFrom(engine);
  jobrecords::IndexProgressRelay relay(&record->base);
  IndexJob indexJob(jobrecords::indexRequestOf(*record), relay.control(), settings, path);
  int rc = indexJob.run();
  if (rc == 0 && record->create && record->addToLibrary && !name.empty() &&
      engine.library().find(name) == 0)
    engine.library().add(name, indexJob.indexFolder());
  return rc;
}

}  // namespace indexjobs
