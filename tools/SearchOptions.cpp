#include "tools/SearchOptions.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "index/IndexFileNames.h"
#include "lexaurum/lexaurum.h"
#include "tools/ToolSupport.h"

namespace searchoptions {

namespace {

// The file every index folder holds: its header.
constexpr const char* kIndexHeaderFile = indexfiles::nameOf(indexformat::kHeaderFile);
constexpr int kMaxFuzziness = 9;
constexpr int kMaxBest = 32767;
constexpr int kMinWidth = 20;   // the line widths the engine lays documents out in
constexpr int kMaxWidth = 512;

std::vector<std::string> split(const std::string& list) {
  std::vector<std::string> parts;
  std::stringstream in(list);
  for (std::string one; std::getline(in, one, ',');)
    if (!one.empty()) parts.push_back(one);
  return parts;
}

bool isIndex(const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(toolsupport::indexFolder(name)) / kIndexHeaderFile, ec);
}

// The value that follows the option at args[*i]; moves *i onto it. False, with *error,
// when the option is last.
bool optionValue(const std::vector<std::string>& args, size_t* i, std::string* v,
                 std::string* error) {
  if (*i + 1 >= args.size()) {
    *error = args[*i] + " needs a value";
    return false;
  }
  *v = args[++*i];
  return true;
}

// A whole number in [low, high], nothing else.
bool number(const std::string& text, int low, int high, int* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || v < low || v > high) return false;
  *out = static_cast<int>(v);
  return true;
}

// Reads one option shared by search and show at args[*i]; moves *i past its value.
// 1 taken, 0 not one of these, -1 bad (with *error).
int sharedOption(const std::vector<std::string>& args, size_t* i, SearchOptions* o, std::string* error) {
  const std::string& a = args[*i];
  auto value = [&](std::string* v) { return optionValue(args, i, v, error); };
  std::string v;
  if (a == "--fuzzy") {
    if (!value(&v)) return -1;
    if (!number(v, 0, kMaxFuzziness, &o->fuzziness)) {
      *error = "--fuzzy takes a level from 0 to 9";
      return -1;
    }
    o->searchFlags |= LXR_SEARCH_FUZZY;
  } else if (a == "--phonic") {
    o->searchFlags |= LXR_SEARCH_PHONIC;
  } else if (a == "--stemming") {
    o->searchFlags |= LXR_SEARCH_STEMMING;
  } else if (a == "--natural") {
    o->searchFlags |= LXR_SEARCH_NATURAL;
  } else if (a == "--synonyms") {
    o->searchFlags |= LXR_SEARCH_SYNONYMS;
  } else if (a == "--also") {
    if (!value(&o->also)) return -1;
  } else if (a == "--color" || a == "--colour" || a.rfind("--color=", 0) == 0) {
    if (a.size() > 8 && a[7] == '=') v = a.substr(8);
    else if (!value(&v)) return -1;
    if (v == "auto") o->color = SearchOptions::Color::kAuto;
    else if (v == "always") o->color = SearchOptions::Color::kAlways;
    else if (v == "never") o->color = SearchOptions::Color::kNever;
    else {
      *error = "--color takes auto, always or never";
      return -1;
    }
  } else {
    return 0;
  }
  return 1;
}

int searchOption(const std::vector<std::string>& args, size_t* i, SearchOptions* o, std::string* error) {
  const std::string& a = args[*i];
  auto value = [&](std::string* v) { return optionValue(args, i, v, error); };
  std::string v;
  if (a == "--sort") {
    if (!value(&v)) return -1;
    int key = v == "hits" || v == "score" ? LXR_SORT_BY_SCORE : v == "name" ? LXR_SORT_BY_NAME
            : v == "date" ? LXR_SORT_BY_DATE : v == "none" ? LXR_SORT_NONE : -1;
    if (key < 0) {
      *error = "--sort takes hits, name, date or none";
      return -1;
    }
    o->sortType = key;
  } else if (a == "--ascending" || a == "--descending") {
    o->direction = a == "--ascending" ? 1 : -1;
  } else if (a == "--max" || a == "--best") {
    if (!value(&v)) return -1;
    if (!number(v, 1, kMaxBest, &o->best)) {
      *error = a + " takes a count from 1 to 32767";
      return -1;
    }
  } else if (a == "--files" || a == "--folder") {
    if (!value(&o->files)) return -1;
  } else if (a == "--include" || a == "--exclude") {
    if (!value(&v)) return -1;
    (a == "--include" ? o->includes : o->excludes).push_back(v);
  } else if (a == "--listing") {
    if (!value(&o->listing)) return -1;
  } else if (a == "--listing-flags") {
    if (!value(&v)) return -1;
    if (!number(v, 0, 0xFFFF, &o->listingFlags)) {
      *error = "--listing-flags takes a number (1 counts, 2 hits, 32 both, 1024 header, 2048 append)";
      return -1;
    }
  } else if (a == "--context") {
    if (!value(&v)) return -1;
    if (!number(v, 0, 1000, &o->context)) {
      *error = "--context takes a number of words";
      return -1;
    }
  } else if (a == "--json") {
    o->json = true;
  } else if (a == "--hits") {
    o->hitNumbers = true;
  } else {
    return sharedOption(args, i, o, error);
  }
  return 1;
}

// The engine's sort code with the direction: by name A to Z, by hits and by date from the
// highest and newest, unless --ascending or --descending says otherwise.
void settleDirection(SearchOptions* o) {
  bool ascending = o->direction > 0 || (o->direction == 0 && o->sortType == LXR_SORT_BY_NAME);
  if (ascending && o->sortType != LXR_SORT_NONE) o->sortType |= LXR_SORT_ASCENDING;
}

int checkRequests(const SearchOptions& o, std::string* error) {
  if (o.request.empty() && o.also.empty()) {
    *error = "no request";
    return -1;
  }
  if (o.request.size() >= LXR_REQUEST_CHARS || o.also.size() >= LXR_REQUEST_CHARS) {
    *error = "a request is longer than " + std::to_string(LXR_REQUEST_CHARS - 1) + " bytes";
    return -1;
  }
  return 0;
}

}  // namespace

bool namesIndexes(const std::string& operand) {
  std::vector<std::string> parts = split(operand);
  if (parts.empty()) return false;
  for (const std::string& p : parts)
    if (!isIndex(p)) return false;
  return true;
}

int parseSearch(const std::vector<std::string>& args, SearchOptions* out, std::string* error) {
  SearchOptions o;
  std::vector<std::string> operands;
  bool optionsDone = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!optionsDone && a == "--") {
      optionsDone = true;
      continue;
    }
    if (!optionsDone && a.size() > 2 && a.compare(0, 2, "--") == 0) {
      int rc = searchOption(args, &i, &o, error);
      if (rc < 0) return -1;
      if (rc == 0) {
        *error = "unknown option " + a;
        return -1;
      }
      continue;
    }
    operands.push_back(a);
  }
  if (operands.empty()) {
    *error = "no request";
    return -1;
  }
  std::vector<std::string> indexes;
  if (operands.size() >= 2 && namesIndexes(operands[0]) && !namesIndexes(operands[1])) {
    indexes = split(operands[0]);  // the earlier order: the request's words follow
    for (size_t i = 1; i < operands.size(); ++i) o.request += (i > 1 ? " " : "") + operands[i];
  } else {
    o.request = operands[0];
    for (size_t i = 1; i < operands.size(); ++i) {
      for (const std::string& name : split(operands[i])) {
        if (!isIndex(name)) {
          *error = name + " is neither an index folder nor an index of the library";
          return kNotAnIndex;
        }
        indexes.push_back(name);
      }
    }
  }
  for (const std::string& name : indexes) o.indexes.push_back(toolsupport::indexFolder(name));
  if (o.indexes.empty() && o.files.empty()) {
    *error = "name an index or give --files FOLDER";
    return -1;
  }
  if (o.files.empty() && (!o.includes.empty() || !o.excludes.empty())) {
    *error = "--include and --exclude go with --files";
    return -1;
  }
  if (o.listing.empty() && o.listingFlags >= 0) {
    *error = "--listing-flags goes with --listing";
    return -1;
  }
  if (checkRequests(o, error) < 0) return -1;
  settleDirection(&o);
  *out = o;
  return 0;
}

bool sortedByTool(const SearchOptions& o) {
  int key = o.sortType & ~LXR_SORT_ASCENDING;
  return key == LXR_SORT_BY_NAME || key == LXR_SORT_BY_DATE;
}

bool useColor(const SearchOptions& o) {
  if (o.color != SearchOptions::Color::kAuto) return o.color == SearchOptions::Color::kAlways;
  const char* noColor = std::getenv("NO_COLOR");
  const char* term = std::getenv("TERM");
  return isatty(STDOUT_FILENO) && !(noColor && *noColor) && !(term && std::string(term) == "dumb");
}

int parseShow(const std::vector<std::string>& args, SearchOptions* out, std::string* error) {
  SearchOptions o;
  std::string index;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* v) { return optionValue(args, &i, v, error); };
    if (a == "--request") {
      if (!value(&o.request)) return -1;
    } else if (a == "--index") {
      if (!value(&index)) return -1;
    } else if (a == "--hit-lines") {
      o.hitLinesOnly = true;
    } else if (a == "--width") {
      std::string v;
      if (!value(&v)) return -1;
      if (!number(v, kMinWidth, kMaxWidth, &o.width)) {
        *error = "--width takes a number of columns from 20 to 512";
        return -1;
      }
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      int rc = sharedOption(args, &i, &o, error);
      if (rc < 0) return -1;
      if (rc == 0) {
        *error = "unknown option " + a;
        return -1;
      }
    } else if (o.document.empty()) {
      o.document = a;
    } else {
      *error = "one document at a time";
      return -1;
    }
  }
  if (o.document.empty()) {
    *error = "no document";
    return -1;
  }
  if (!index.empty()) {
    if (!isIndex(index)) {
      *error = index + " is neither an index folder nor an index of the library";
      return kNotAnIndex;
    }
    o.indexes.push_back(toolsupport::indexFolder(index));
  }
  if (checkRequests(o, error) < 0) return -1;
  *out = o;
  return 0;
}

}  // namespace searchoptions
