#include "tools/ShowCommand.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "lexaurum/lexaurum.h"
#include "platform/Platform.h"
#include "search/RequestExplainer.h"
#include "tools/EngineMessages.h"
#include "tools/ExitCodes.h"
#include "tools/HitText.h"
#include "tools/SearchOptions.h"
#include "tools/SearchRun.h"
#include "tools/ToolSupport.h"

namespace showcommand {

namespace {

namespace fs = std::filesystem;

struct Printer {
  std::string on, off;
  std::string heading;  // printed before the first line
};

int printLine(uintptr_t data, int32_t lineNo, int32_t, int32_t flags, const char* text) {
  auto* p = reinterpret_cast<Printer*>(data);
  if (!p->heading.empty()) {
    std::printf("%s\n", p->heading.c_str());
    p->heading.clear();
  }
  std::string shown = requestexplainer::asUtf8(hittext::highlight(text, p->on, p->off));
  shown.erase(shown.find_last_not_of(' ') + 1);
  std::printf("%6d%c%s%s\n", lineNo + 1, (flags & 1) ? '*' : ' ', shown.empty() ? "" : " ", shown.c_str());
  return 0;
}

bool sameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

}  // namespace

int run(const std::vector<std::string>& args, const std::string& privateDir) {
  searchoptions::SearchOptions o;
  std::string error;
  if (int rc = searchoptions::parseShow(args, &o, &error); rc < 0) {
    std::fprintf(stderr, "lxr show: %s\n", error.c_str());
    return rc == searchoptions::kNotAnIndex ? exitcodes::kUsage : searchrun::kBadArguments;
  }
  // Not checked for being a file: "ARCHIVE/MEMBER" names a member of a container.
  const std::string document = toolsupport::absolute(o.document);
  // Without an index, the document alone is searched as an unindexed file.
  std::string filesList;
  if (o.indexes.empty()) {
    filesList = privateDir + "/SHOW" + std::to_string(getpid()) + ".LST";
    std::FILE* list = platform::openStream(filesList.c_str(), "wb");
    if (!list || std::fprintf(list, "%s\n", document.c_str()) < 0 || std::fclose(list) != 0) {
      std::fprintf(stderr, "lxr show: cannot write %s\n", filesList.c_str());
      return exitcodes::kIoError;
    }
  }
  // "No documents were retrieved." is said below in this command's own words.
  enginemessages::setQuietInfo(true);
  searchrun::Results r = searchrun::run(o, privateDir, filesList);
  enginemessages::setQuietInfo(false);
  if (!filesList.empty()) std::remove(filesList.c_str());
  if (r.outcome == searchrun::Outcome::kFaultyRequest || r.outcome == searchrun::Outcome::kFailed)
    return searchrun::exitCode(r, o);
  std::vector<int32_t> hits;
  for (const searchrun::Found& doc : r.documents)
    if (sameFile(doc.name, document)) hits = doc.hits;
  if (hits.empty()) {
    std::error_code ec;
    if (!fs::exists(document, ec) && fs::is_directory(fs::path(document).parent_path(), ec))
      return toolsupport::checkExists(document, false);
    std::fprintf(stderr, "lxr show: %s: no hits for %s\n", o.document.c_str(), o.request.c_str());
    return searchrun::kNoneFound;
  }

  Printer printer;
  if (searchoptions::useColor(o)) {
    printer.on = "\x1b[1;31m";
    printer.off = "\x1b[0m";
  } else {
    printer.on = "[";
    printer.off = "]";
  }
  printer.heading = o.document + ": " + std::to_string(hits.size()) + (hits.size() == 1 ? " hit" : " hits");
  int16_t result = 0;
  if (lxrsGetDocumentLines(document.c_str(), hits.data(), static_cast<int32_t>(hits.size()), o.width,
                           (o.hitLinesOnly ? 1 : 0) | (r.utf8Lines ? LXR_LINES_UTF8 : 0), printLine, reinterpret_cast<uintptr_t>(&printer), &result) < 0) {
    std::fprintf(stderr, "lxr show: %s cannot be read\n", o.document.c_str());
    return exitcodes::kIoError;
  }
  return searchrun::kFound;
}

}  // namespace showcommand
