// lxr explain: argument reading, the engine's settings for the parser, and printing.
#include "tools/ExplainCommand.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "api/DllInterface.h"
#include "api/LexaurumInstance.h"
#include "api/OptionSettings.h"
#include "platform/Platform.h"
#include "search/MacroTable.h"
#include "search/RequestExplainer.h"
#include "search/RequestSettings.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: lxr explain [--fuzzy N] [--phonic] [--stemming] [--synonyms] "
               "[--natural] [--] REQUEST...\n");
  return 2;
}

}  // namespace

int runExplainCommand(int argc, char** argv) {
  DllInterface* dll = DllInterface::current();
  LexaurumInstance* engine = dll ? dll->instance() : nullptr;
  if (!engine) {
    std::fprintf(stderr, "lxr: the engine is not initialised\n");
    return 1;
  }
  RequestSettings settings = optionsettings::requestSettings(engine->setup());
  settings.alphabet = &engine->alphabet();
  std::string request;
  bool optionsDone = false;
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    if (!optionsDone && a == "--") {
      optionsDone = true;
    } else if (!optionsDone && a == "--fuzzy") {
      if (i + 1 >= argc) return usage();
      char* end = nullptr;
      long level = std::strtol(argv[++i], &end, 10);
      if (!end || *end || level < 0 || level > 9) return usage();
      settings.options.fuzzySearching = level > 0;
      settings.options.fuzziness = static_cast<int>(level);
    } else if (!optionsDone && a == "--phonic") {
      settings.options.phonicSearching = true;
    } else if (!optionsDone && a == "--stemming") {
      settings.options.autoStemming = true;
    } else if (!optionsDone && a == "--synonyms") {
      settings.options.synonymSearching = true;
    } else if (!optionsDone && a == "--natural") {
      settings.options.natLangSearching = true;
    } else if (!optionsDone && a.size() > 2 && a.compare(0, 2, "--") == 0) {
      return usage();
    } else {
      optionsDone = true;
      if (!request.empty()) request += ' ';
      request += a;
    }
  }
  if (request.empty()) return usage();

  MacroTable macros;
  if (settings.macroChar != '\0') {
    std::string path = engine->privateFile(MacroTable::kFileName);
    if (!platform::fileExists(path.c_str())) path = engine->homeFile(MacroTable::kFileName);
    macros.load(path);  // a missing table leaves every macro unknown
  }
  settings.stemmer = &engine->stemmer();
  settings.thesaurus = &engine->thesaurus();
  settings.macros = &macros;
  std::string out;
  int rc = requestexplainer::explain(request, settings, &out);
  std::fputs(out.c_str(), stdout);
  return rc;
}
