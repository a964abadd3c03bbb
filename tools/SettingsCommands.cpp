// lxr options and lxr library: the settings of the private folder, each value checked before
// it is stored, so that a setting the engine would misread is refused with the values it
// takes.
#include "tools/SettingsCommands.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "api/DllInterface.h"
#include "api/IndexLibrary.h"
#include "api/LexaurumInstance.h"
#include "lexaurum/lexaurum.h"
#include "tools/ExitCodes.h"
#include "tools/ToolSupport.h"

namespace settingscommands {

namespace {

namespace fs = std::filesystem;

// The numeric options kept in the options file beside the engine's own keys.
struct ExtraOption {
  const char* key;
  int defaultValue;
  long long least, most;
  const char* takes;  // what refuse() says the option takes
};
constexpr ExtraOption kExtraOptions[] = {
    {"IndexLogLimit", 1024 * 1024, 0, INT32_MAX, "a size in bytes (0: no limit; the default is 1048576)"},
    {"extractSeconds", 30, 1, 3600, "the CPU seconds one document's extraction may take (1 to 3600; the default is 30)"},
    {"extractMegabytes", 1024, 64, 65536, "the address space of the extraction helper in MiB (64 to 65536; the default is 1024)"},
    {"extractTextMegabytes", 64, 1, 4096, "the MiB of text one document may give (1 to 4096; the default is 64)"},
    {"extractInProcess", 0, 0, 1, "1 to parse complex formats in this process instead of the helper (the default is 0)"},
};

LexaurumInstance* engine() {
  DllInterface* dll = DllInterface::current();
  return dll ? dll->instance() : nullptr;
}

int showOptions() {
  lxrOptions options;
  LXR_INIT_RECORD(options);
  int16_t result = 0;
  if (lxrsGetOptions(&options, &result) < 0) return exitcodes::kIoError;
  std::printf("binaryFiles   = %d\n", options.binaryFiles);
  std::printf("hyphens       = %d\n", options.hyphenMode);
  std::printf("alphabetName  = %s\n", options.alphabetName);
  std::printf("indexNumbers  = %d\n", options.indexNumbers);
  std::printf("word characters: %zu\n", strlen(options.wordChars));
  if (LexaurumInstance* e = engine())
    for (const ExtraOption& x : kExtraOptions) std::printf("%-13s = %d\n", x.key, e->setup().extraInt(x.key, x.defaultValue));
  return exitcodes::kDone;
}

// `text` as one of `allowed`; false when it is something else.
bool oneOf(const std::string& text, const std::vector<int>& allowed, int* out) {
  for (int v : allowed)
    if (text == std::to_string(v)) {
      *out = v;
      return true;
    }
  return false;
}

int refuse(const std::string& name, const std::string& value, const char* allowed) {
  std::fprintf(stderr, "lxr: %s cannot be '%s'; it takes %s\n", name.c_str(), value.c_str(), allowed);
  return exitcodes::kUsage;
}

// The alphabet file the engine would load for `name`: a path as it stands, else the private
// folder's file, else the home folder's.
bool alphabetExists(const std::string& name) {
  std::error_code ec;
  if (name.find('/') != std::string::npos) return fs::is_regular_file(name, ec);
  LexaurumInstance* e = engine();
  return e && (fs::is_regular_file(e->privateFile(name), ec) || fs::is_regular_file(e->homeFile(name), ec));
}

// An option kept in the options file: the size limit of each index's log INDEXLOG.DAT (0:
// none), and the limits of a document's extraction.
int setExtra(const ExtraOption& x, const std::string& value) {
  char* end = nullptr;
  long long v = std::strtoll(value.c_str(), &end, 10);
  if (value.empty() || *end || v < x.least || v > x.most) return refuse(x.key, value, x.takes);
  LexaurumInstance* e = engine();
  if (!e) return exitcodes::kIoError;
  e->setup().setExtra(x.key, std::to_string(v));
  if (e->saveOptions() < 0) return exitcodes::kIoError;
  e->applyOptions();
  std::printf("%s set to %lld\n", x.key, v);
  return exitcodes::kDone;
}

int setOption(const std::string& name, const std::string& value) {
  for (const ExtraOption& x : kExtraOptions)
    if (name == x.key) return setExtra(x, value);
  lxrOptions options;
  LXR_INIT_RECORD(options);
  int16_t result = 0;
  if (lxrsGetOptions(&options, &result) < 0) return exitcodes::kIoError;
  int v = 0;
  if (name == "binaryFiles") {
    if (!oneOf(value, {1, 2, 3}, &v)) return refuse(name, value, "1 (filter binary files), 2 (index them as they are) or 3 (skip them)");
    options.binaryFiles = static_cast<int16_t>(v);
  } else if (name == "hyphens") {
    if (!oneOf(value, {1, 2, 3, 4}, &v)) return refuse(name, value, "1, 2, 3 or 4");
    options.hyphenMode = static_cast<int16_t>(v);
  } else if (name == "indexNumbers") {
    if (!oneOf(value, {0, 1}, &v)) return refuse(name, value, "0 (numbers are not indexed) or 1");
    options.indexNumbers = static_cast<uint8_t>(v);
  } else if (name == "alphabetName") {
    if (value.empty() || value.size() >= sizeof options.alphabetName || !alphabetExists(value))
      return refuse(name, value, "the name of an alphabet file (.ABC) in the private or the home folder, or its path");
    toolsupport::copyField(options.alphabetName, sizeof options.alphabetName, value);
  } else {
    std::fprintf(stderr, "lxr: unknown option '%s'; the options are binaryFiles, hyphens, alphabetName, indexNumbers, IndexLogLimit, extractSeconds, extractMegabytes, extractTextMegabytes and extractInProcess\n",
                 name.c_str());
    return exitcodes::kUsage;
  }
  if (lxrsSetOptions(&options, &result) < 0) return exitcodes::kIoError;
  std::printf("%s set to %s\n", name.c_str(), value.c_str());
  return exitcodes::kDone;
}

int listLibrary() {
  int16_t count = 0;
  int32_t needed = 0;
  if (lxrsGetIndexList(&count, nullptr, 0, &needed) < 0) return exitcodes::kIoError;
  std::vector<char> buffer(static_cast<size_t>(needed));
  if (lxrsGetIndexList(&count, buffer.data(), needed, &needed) < 0) return exitcodes::kIoError;
  std::printf("%d index%s in the library\n", count, count == 1 ? "" : "es");
  const char* p = buffer.data();
  for (int i = 0; i < count; ++i) {
    const char* name = p;
    const char* path = name + strlen(name) + 1;
    std::printf("  %-39s %s\n", name, path);
    p = path + strlen(path) + 1;
  }
  return exitcodes::kDone;
}

int addToLibrary(IndexLibrary& library, const std::string& name, const std::string& path) {
  std::string folder = toolsupport::absolute(path);
  int rc = toolsupport::checkIndexFolder(folder);
  if (rc != exitcodes::kDone) return rc;
  if (library.find(name) > 0) {
    std::fprintf(stderr, "lxr: the library already has an index named %s\n", name.c_str());
    return exitcodes::kUsage;
  }
  if (library.add(name, folder) < 0) {
    std::fprintf(stderr, "lxr: %s cannot be added (the name is empty or too long, or the library is full)\n",
                 name.c_str());
    return exitcodes::kUsage;
  }
  std::printf("added %s\n", name.c_str());
  return exitcodes::kDone;
}

}  // namespace

int run(const std::vector<std::string>& args) {
  const std::string& cmd = args[0];
  if (cmd == "options") {
    if (args.size() == 1) return showOptions();
    if (args.size() == 4 && args[1] == "set") return setOption(args[2], args[3]);
    return kBadArguments;
  }
  LexaurumInstance* e = engine();
  if (!e) return exitcodes::kIoError;
  IndexLibrary& library = e->library();
  if (args.size() == 2 && args[1] == "list") return listLibrary();
  if (args.size() == 4 && args[1] == "add") return addToLibrary(library, args[2], args[3]);
  if (args.size() == 3 && args[1] == "remove") {
    if (library.remove(args[2]) < 0) {
      std::fprintf(stderr, "lxr: no index named %s in the library\n", args[2].c_str());
      return exitcodes::kUsage;
    }
    std::printf("removed %s\n", args[2].c_str());
    return exitcodes::kDone;
  }
  return kBadArguments;
}

bool changesSettings(const std::vector<std::string>& args) {
  return args.size() > 1 && (args[0] == "options" || args[1] != "list");
}

}  // namespace settingscommands
