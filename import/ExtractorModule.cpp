// Loading the extractor module on first use.
#include "import/ExtractorModule.h"

#include <map>
#include <mutex>

#include "objects/Trace.h"
#include "platform/Platform.h"

namespace extractormodule {

namespace {

using FindFunction = const extractors::Entry* (*)(const char* name, size_t length);

struct Loaded {
  FindFunction find = nullptr;
  std::string error;
};

// One load per path for the whole process: a loaded module is process-wide by nature.
std::mutex gMutex;
std::map<std::string, Loaded> gLoaded;

const Loaded& load(const std::string& path) {
  std::lock_guard<std::mutex> hold(gMutex);
  auto at = gLoaded.find(path);
  if (at != gLoaded.end()) return at->second;
  Loaded& l = gLoaded[path];
  void* lib = platform::loadLibrary(path.c_str());
  if (!lib) {
    l.error = "the extractor module " + path + " could not be loaded (" + platform::libraryError() + ")";
  } else if (!(l.find = reinterpret_cast<FindFunction>(platform::librarySymbol(lib, "lxr_find_extractor")))) {
    l.error = "the extractor module " + path + " holds no extractors (" + platform::libraryError() + ")";
  }
  trace::line("extractormodule: %s", l.error.empty() ? ("loaded " + path).c_str() : l.error.c_str());
  return l;
}

}  // namespace

const extractors::Entry* find(const std::string& path, std::string_view name, std::string* error) {
  const Loaded& l = load(path);
  if (!l.find) {
    if (error) *error = l.error;
    return nullptr;
  }
  return l.find(name.data(), name.size());
}

}  // namespace extractormodule
