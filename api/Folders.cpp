// Resolving the private and home folders.
#include "api/Folders.h"

#include <vector>

#include "import/ExtractorModule.h"
#include "objects/WellKnownFiles.h"
#include "platform/Platform.h"

namespace folders {

namespace {

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string absolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  return platform::currentDirectory() + "/" + path;
}

}  // namespace

std::string choosePrivateDir(const std::string& given) {
  if (!given.empty()) return withoutTrailingSlash(absolute(given));
  if (const char* env = platform::getEnv("LXRDIR"); env && *env)
    return withoutTrailingSlash(absolute(env));
  if (const char* xdg = platform::getEnv("XDG_DATA_HOME"); xdg && *xdg)
    return withoutTrailingSlash(std::string(xdg)) + "/lexaurum";
  return platform::homeDirectory() + "/.local/share/lexaurum";
}

std::string chooseHomeDir(const std::string& given) {
  if (!given.empty()) return withoutTrailingSlash(absolute(given));
  std::string exe = platform::executableDirectory();
  std::string message = "/" + wellknown::name(wellknown::kMessages);
  auto holdsData = [&](const std::string& dir) { return platform::fileExists((dir + message).c_str()); };
  if (holdsData(exe)) return exe;
  if (holdsData(exe + "/../share/lexaurum")) return exe + "/../share/lexaurum";
  // A program of its own that links the installed engine library: the data files are
  // those installed with the library, in share/ beside lib/ (or beside lib/<multiarch>/).
  std::string library = platform::moduleDirectory(reinterpret_cast<const void*>(&chooseHomeDir));
  if (!library.empty() && library != exe) {
    for (const char* up : {"/../share/lexaurum", "/../../share/lexaurum"})
      if (holdsData(library + up)) return library + up;
  }
  return exe;
}

std::string findExtractionHelper(const std::string& given) {
  if (!given.empty()) return absolute(given);
  if (const char* env = platform::getEnv("LXR_EXTRACT_HELPER"); env && *env) return absolute(env);
  const std::string exe = platform::executableDirectory();
  for (const char* place : {"/lxr-extract", "/../libexec/lexaurum/lxr-extract", "/../tools/lxr-extract"}) {
    std::string path = exe + place;
    if (platform::fileExists(path.c_str())) return path;
  }
  return "";
}

std::string findExtractorModule(const std::string& helper) {
  if (const char* env = platform::getEnv("LXR_EXTRACTOR_MODULE"); env && *env) return absolute(env);
  std::vector<std::string> places;
  if (!helper.empty()) places.push_back(helper.substr(0, helper.find_last_of('/') + 1));
  const std::string exe = platform::executableDirectory();
  for (const char* place : {"/", "/../libexec/lexaurum/", "/../tools/"}) places.push_back(exe + place);
  for (const std::string& folder : places) {
    std::string path = folder + extractormodule::kFileName;
    if (platform::fileExists(path.c_str())) return path;
  }
  return "";
}

}  // namespace folders
