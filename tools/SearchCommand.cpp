#include "tools/SearchCommand.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "lexaurum/lexaurum.h"
#include "search/RequestExplainer.h"
#include "tools/ToolSupport.h"

namespace searchcommand {

namespace {

namespace fs = std::filesystem;

using toolsupport::copyField;
using toolsupport::indexFolder;

}  // namespace

int run(const std::vector<std::string>& args, const std::string& privateDir) {
  std::vector<std::string> words;
  int16_t sortType = 16, flags = 0, fuzziness = 0, best = 0;
  bool hits = false;
  std::string folder;  // an unindexed scan of this folder
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) return false;
      *out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--sort") {
      if (!value(&v)) return 2;
      sortType = v == "name" ? 4 : v == "date" ? 8 : v == "score" ? 16 : v == "none" ? 1 : -1;
      if (sortType < 0) return 2;
    } else if (a == "--ascending") {
      sortType = static_cast<int16_t>(sortType | 2);
    } else if (a == "--best") {
      if (!value(&v)) return 2;
      best = static_cast<int16_t>(std::atoi(v.c_str()));
    } else if (a == "--fuzzy") {
      if (!value(&v)) return 2;
      flags |= 1;
      fuzziness = static_cast<int16_t>(std::atoi(v.c_str()));
    } else if (a == "--phonic") { flags |= 2; }
    else if (a == "--stemming") { flags |= 4; }
    else if (a == "--natural") { flags |= 8; }
    else if (a == "--synonyms") { flags |= 16; }
    else if (a == "--hits") { hits = true; }
    else if (a == "--folder") { if (!value(&folder)) return 2; }
    else if (a.size() > 1 && a[0] == '-' && a[1] == '-') { return 2; }
    else words.push_back(a);
  }
  // With --folder every word is the request's; otherwise the first names the indexes.
  const size_t first = folder.empty() ? 1 : 0;
  if (words.size() < first + 1) return 2;
  std::string request;
  for (size_t i = first; i < words.size(); ++i) request += (i > first ? " " : "") + words[i];
  request = requestexplainer::toEngineText(request);
  if (request.size() >= LXR_REQUEST_CHARS) {
    std::fprintf(stderr, "lxr: the request is longer than %d bytes\n", LXR_REQUEST_CHARS - 1);
    return 2;
  }

  lxrSearchJob job;
  LXR_INIT_RECORD(job);
  copyField(job.request, sizeof job.request, request);
  job.sortType = sortType;
  job.searchIndexes = folder.empty() ? 1 : 0;
  job.searchFiles = folder.empty() ? 0 : 1;
  if (!folder.empty()) copyField(job.filesToSearch.directory, sizeof job.filesToSearch.directory, toolsupport::absolute(folder));
  job.searchFlags = flags;
  job.fuzziness = fuzziness;
  job.searchParameter = best;
  StringSet* indexes = lxrsNewStringSet();
  std::stringstream list(folder.empty() ? words[0] : "");
  for (std::string one; std::getline(list, one, ',');)
    if (!one.empty()) lxrsStringSetAdd(indexes, indexFolder(one).c_str());
  job.indexesToSearch = indexes;
  std::string listing = privateDir + "/LIST" + std::to_string(getpid()) + ".TMP";
  std::string results = privateDir + "/RESULTS" + std::to_string(getpid()) + ".TMP";
  copyField(job.listingName, sizeof job.listingName, listing);
  copyField(job.resultsName, sizeof job.resultsName, results);
  job.listingFlags = 1024 | 1 | (hits ? 2 : 0);
  int16_t result = 0;
  lxrsDoSearchJob(&job, &result);
  lxrsFreeStringSet(indexes);
  std::FILE* in = std::fopen(listing.c_str(), "rb");
  if (in) {
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, n);
    std::fclose(in);
    std::string utf8 = requestexplainer::toUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  }
  std::remove(listing.c_str());
  std::remove(results.c_str());
  // The results file's record index lies beside it.
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(privateDir, ec))
    if (e.path().filename().string().rfind("RESULTS" + std::to_string(getpid()), 0) == 0)
      fs::remove(e.path(), ec);
  return job.totalFiles > 0 ? 0 : 1;
}

}  // namespace searchcommand
