// lxr explain: argument reading, the engine's settings for the parser, printing, and each
// word's expansions in the indexes named.
#include "tools/ExplainCommand.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "api/DllInterface.h"
#include "api/LexaurumInstance.h"
#include "api/OptionSettings.h"
#include "import/Alphabet.h"
#include "lexaurum/lexaurum.h"
#include "platform/Platform.h"
#include "search/MacroTable.h"
#include "search/RequestExplainer.h"
#include "search/RequestSettings.h"
#include "search/SearchTree.h"
#include "tools/ExitCodes.h"
#include "tools/ToolSupport.h"

namespace explaincommand {

namespace {

constexpr int kMaxWordsShown = 50;  // per request word and index; the rest is counted

LexaurumInstance* engine() {
  DllInterface* dll = DllInterface::current();
  return dll ? dll->instance() : nullptr;
}

// The engine's parser settings with its stemmer, thesaurus and macros. `macros` must
// outlive the settings.
RequestSettings settingsOf(LexaurumInstance& e, MacroTable* macros) {
  RequestSettings settings = optionsettings::requestSettings(e.setup());
  settings.alphabet = &e.alphabet();
  if (settings.macroChar != '\0') {
    std::string path = e.privateFile(MacroTable::kFileName);
    if (!platform::fileExists(path.c_str())) path = e.homeFile(MacroTable::kFileName);
    macros->load(path);  // a missing table leaves every macro unknown
  }
  settings.stemmer = &e.stemmer();
  settings.thesaurus = &e.thesaurus();
  settings.macros = macros;
  return settings;
}

struct Expansions {
  std::vector<std::string> lines;
  int count = 0;
};

int addExpansion(uintptr_t data, const char* word, int32_t, int32_t documents) {
  auto* x = reinterpret_cast<Expansions*>(data);
  if (++x->count > kMaxWordsShown) return 0;
  char line[512];
  std::snprintf(line, sizeof line, "    %-32s %8d document%s", requestexplainer::asUtf8(word).c_str(), documents,
                documents == 1 ? "" : "s");
  x->lines.push_back(line);
  return 0;
}

// What each word of `request` stands for in the index in `folder`. The exit code.
int printExpansions(const std::string& request, const RequestSettings& settings, const std::string& name,
                    const std::string& folder) {
  if (int rc = toolsupport::checkIndexFolder(folder); rc != exitcodes::kDone) return rc;
  RequestSettings quiet = settings;
  quiet.showMessages = false;
  SearchTree tree;
  // The request in the index's text model.
  lxrIndexInfo info;
  LXR_INIT_RECORD(info);
  int16_t infoResult = 0;
  const bool unicode = lxrsGetIndexInfo(folder.c_str(), &info, &infoResult) == 0 && info.textModel == LXR_TEXT_UNICODE;
  const Alphabet base = settings.alphabet ? *settings.alphabet : Alphabet::builtIn();
  const Alphabet folded = unicode ? base.asUnicode() : base;  // the index folds the words
  if (unicode) quiet.alphabet = &folded;
  if (tree.parse(unicode ? request : requestexplainer::toEngineText(request), "", quiet) < 0) return exitcodes::kUsage;
  std::printf("In the index %s:\n", name.c_str());
  for (const SearchNode* n : tree.simpleNodes()) {
    if (!n->hasOwnWord()) continue;
    Expansions x;
    int16_t result = 0;
    if (lxrsListWords(folder.c_str(), n->lookupText().c_str(), 0, addExpansion, reinterpret_cast<uintptr_t>(&x), &result) < 0)
      return exitcodes::kIoError;
    std::string word = requestexplainer::asUtf8(n->lookupText());
    if (x.count == 0) {
      std::printf("  %s: no word of the index\n", word.c_str());
      continue;
    }
    std::printf("  %s: %d word%s\n", word.c_str(), x.count, x.count == 1 ? "" : "s");
    for (const std::string& line : x.lines) std::printf("%s\n", line.c_str());
    if (x.count > kMaxWordsShown) std::printf("    ... and %d more\n", x.count - kMaxWordsShown);
  }
  return exitcodes::kDone;
}

}  // namespace

int run(const std::vector<std::string>& args) {
  LexaurumInstance* e = engine();
  if (!e) {
    std::fprintf(stderr, "lxr: the engine is not initialised\n");
    return exitcodes::kIoError;
  }
  MacroTable macros;
  RequestSettings settings = settingsOf(*e, &macros);
  std::string request;
  std::vector<std::string> indexes;
  bool optionsDone = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!optionsDone && a == "--") {
      optionsDone = true;
    } else if (!optionsDone && (a == "--fuzzy" || a == "--index")) {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "lxr explain: %s needs a value\n", a.c_str());
        return kBadArguments;
      }
      const std::string& v = args[++i];
      if (a == "--index") {
        indexes.push_back(v);
        continue;
      }
      char* end = nullptr;
      long level = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end || level < 0 || level > 9) {
        std::fprintf(stderr, "lxr explain: --fuzzy takes a level from 0 to 9\n");
        return kBadArguments;
      }
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
      std::fprintf(stderr, "lxr explain: unknown option '%s'\n", a.c_str());
      return kBadArguments;
    } else {
      if (!request.empty()) request += ' ';
      request += a;
    }
  }
  if (request.empty()) {
    std::fprintf(stderr, "lxr explain: no request\n");
    return kBadArguments;
  }
  std::string out;
  int rc = requestexplainer::explain(request, settings, &out);
  std::fputs(out.c_str(), rc == requestexplainer::kUnderstood ? stdout : stderr);
  if (rc != requestexplainer::kUnderstood) return exitcodes::kUsage;
  for (const std::string& index : indexes) {
    int shown = printExpansions(request, settings, index, toolsupport::indexFolder(index));
    if (shown != exitcodes::kDone) return shown;
  }
  return exitcodes::kDone;
}

int checkPattern(const std::string& pattern, std::string* out) {
  LexaurumInstance* e = engine();
  if (!e) return -1;
  MacroTable macros;
  RequestSettings settings = settingsOf(*e, &macros);
  return requestexplainer::explain(pattern, settings, out) == requestexplainer::kUnderstood ? 0 : -1;
}

}  // namespace explaincommand
