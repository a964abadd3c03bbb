// lxr explain: argument reading, then the engine's explanation (lxrsExplainRequest) printed.
#include "tools/ExplainCommand.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lexaurum/lexaurum.h"
#include "search/RequestExplainer.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: lxr explain [--fuzzy N] [--phonic] [--stemming] [--synonyms] "
               "[--natural] [--] REQUEST...\n");
  return 2;
}

}  // namespace

int runExplainCommand(int argc, char** argv) {
  int16_t flags = 0, fuzziness = 0;
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
      flags |= LXR_SEARCH_FUZZY;
      fuzziness = static_cast<int16_t>(level);
    } else if (!optionsDone && a == "--phonic") {
      flags |= LXR_SEARCH_PHONIC;
    } else if (!optionsDone && a == "--stemming") {
      flags |= LXR_SEARCH_STEMMING;
    } else if (!optionsDone && a == "--synonyms") {
      flags |= LXR_SEARCH_SYNONYMS;
    } else if (!optionsDone && a == "--natural") {
      flags |= LXR_SEARCH_NATURAL;
    } else if (!optionsDone && a.size() > 2 && a.compare(0, 2, "--") == 0) {
      return usage();
    } else {
      optionsDone = true;
      if (!request.empty()) request += ' ';
      request += a;
    }
  }
  if (request.empty()) return usage();

  const std::string engineRequest = requestexplainer::toEngineText(request);
  int32_t needed = 0;
  int16_t result = 0;
  lxrsExplainRequest(engineRequest.c_str(), flags, fuzziness, nullptr, 0, &needed, &result);
  if (needed <= 0) {
    std::fprintf(stderr, "lxr: the engine is not initialised\n");
    return 1;
  }
  std::vector<char> text(static_cast<size_t>(needed));
  lxrsExplainRequest(engineRequest.c_str(), flags, fuzziness, text.data(), needed, &needed, &result);
  std::fputs(requestexplainer::toUtf8(text.data()).c_str(), stdout);
  return result < 0 ? 1 : 0;
}
