// Loading of external viewer libraries.
#include "import/ExternalViewers.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "import/ViewerTable.h"
#include "import/Wildcard.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace externalviewers {

namespace {

std::vector<void*>& libraries() {
  static std::vector<void*>* libs = new std::vector<void*>;
  return *libs;
}

// An ODBC viewer is of use only where ODBC is set up.
bool odbcInstalled() {
  return platform::fileExists("/etc/odbcinst.ini") || platform::getEnv("ODBCSYSINI") != nullptr;
}

}  // namespace

int loadAll(ViewerTable& table, const std::string& homeDir) {
  std::string folder = homeDir + "/viewers";
  std::vector<platform::DirEntry> entries;
  if (!platform::directoryExists(folder.c_str()) || platform::listDirectory(folder.c_str(), &entries) < 0)
    return 0;
  std::sort(entries.begin(), entries.end(),
            [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.name < b.name; });
  int registered = 0;
  for (const platform::DirEntry& e : entries) {
    if (e.isDirectory || !wildcard::match(std::string("*.so"), e.name)) continue;
    if (e.name.find("lxv_odbc") != std::string::npos && !odbcInstalled()) continue;
    if (static_cast<int>(libraries().size()) >= kMaxLibraries) {
      trace::line("Too many external viewers: %s not loaded", e.name.c_str());
      continue;
    }
    std::string path = folder + "/" + e.name;
    trace::line("Loading external viewer: %s", path.c_str());
    void* lib = platform::loadLibrary(path.c_str());
    if (!lib) {
      trace::line("Load failed");
      trace::text(platform::libraryError());
      continue;
    }
    libraries().push_back(lib);
    void* fn = platform::librarySymbol(lib, "_lxrMakeViewerInfo");
    if (!fn) fn = platform::librarySymbol(lib, "lxrMakeViewerInfo");
    if (!fn) {
      trace::line("No Register Function found");
      continue;
    }
    auto makeInfo = reinterpret_cast<lxrMakeViewerInfoFn>(fn);
    for (int32_t i = 0; i < kMaxRegistrationsPerLibrary; ++i) {
      lxrViewerInfo info;
      std::memset(&info, 0, sizeof info);
      if (makeInfo(i, &info) < 0) break;
      // An external library never reaches the engine's own importer objects.
      info.makeImport = nullptr;
      info.flags &= ~static_cast<uint32_t>(LXR_VIEWER_INTERNAL);
      if (table.add(info) < 0) {
        trace::line("    External viewer without a name ignored");
        continue;
      }
      ++registered;
      trace::line("    External viewer registered: %s", table.entries().front()->info.name);
    }
  }
  return registered;
}

void unloadAll() {
  for (void* lib : libraries()) platform::freeLibrary(lib);
  libraries().clear();
}

int loadedCount() { return static_cast<int>(libraries().size()); }

}  // namespace externalviewers
