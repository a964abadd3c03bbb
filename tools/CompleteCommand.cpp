// lxr complete: commands and options from the help pages, index names from the library file.
#include "tools/CompleteCommand.h"

#include <cstdio>
#include <set>
#include <sstream>

#include "api/IndexLibrary.h"
#include "io/WholeFile.h"
#include "objects/WellKnownFiles.h"
#include "tools/ExitCodes.h"
#include "tools/HelpText.h"

namespace completecommand {

namespace {

// The options every command takes, as runLxr reads them.
const char* const kGlobalOptions[] = {"--dir DIR", "--home DIR", "--log FILE", "--help", "--version"};

// A placeholder is a word of capitals (INDEX, N, FILE) or a choice list (hits|name|date).
bool isPlaceholder(const std::string& word) {
  if (word.empty() || word[0] == '-') return false;
  if (word.find('|') != std::string::npos) return true;
  for (char c : word)
    if (!(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9') && c != '_' && c != '.') return false;
  return true;
}

// Collects "--flag [PLACEHOLDER]" from a text such as "--fuzzy N, --phonic" or a usage form
// "show FILE --request REQUEST [--index INDEX]...": a flag, and the word after it when that
// is a placeholder.
void collectFlags(const std::string& text, std::vector<std::string>* out, std::set<std::string>* seen) {
  std::string cleaned;
  for (char c : text) cleaned += (c == '[' || c == ']' || c == ',') ? ' ' : c;
  std::istringstream words(cleaned);
  std::vector<std::string> list;
  for (std::string w; words >> w;) {
    while (w.size() > 3 && w.compare(w.size() - 3, 3, "...") == 0) w.resize(w.size() - 3);
    list.push_back(w);
  }
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string& w = list[i];
    if (w.size() < 3 || w.compare(0, 2, "--") != 0) continue;
    if (!seen->insert(w).second) continue;
    if (i + 1 < list.size() && isPlaceholder(list[i + 1])) out->push_back(w + " " + list[i + 1]);
    else out->push_back(w);
  }
}

int listOptions(const std::string& command) {
  std::vector<std::string> lines;
  std::set<std::string> seen;
  for (const char* g : kGlobalOptions) collectFlags(g, &lines, &seen);
  if (const helptext::Page* page = helptext::find(command)) {
    for (const auto& option : page->options) collectFlags(option.flag, &lines, &seen);
    for (const char* form : page->forms) collectFlags(form, &lines, &seen);
  }
  for (const auto& line : lines) std::printf("%s\n", line.c_str());
  return exitcodes::kDone;
}

int listIndexes(const std::string& privateDir) {
  IndexLibrary library(privateDir);
  std::string bytes;
  std::string path = library.resolve(wellknown::name(wellknown::kIndexLibrary));
  // No library yet, or one that cannot be read: nothing to offer, which is no failure.
  if (wholefile::read(path, &bytes, IndexLibrary::kMaxFileBytes) < 0) return exitcodes::kDone;
  if (library.parse(bytes.data(), bytes.size()) < 0) return exitcodes::kDone;
  for (size_t i = 0; i < library.count(); ++i) std::printf("%s\n", library.entry(i)->name.c_str());
  return exitcodes::kDone;
}

}  // namespace

int run(const std::vector<std::string>& args, const std::string& privateDir) {
  if (args.size() == 1 && args[0] == "commands") {
    for (const auto& page : helptext::pages()) std::printf("%s\n", page.name);
    return exitcodes::kDone;
  }
  if (args.size() == 2 && args[0] == "options") return listOptions(args[1]);
  if (args.size() == 1 && args[0] == "indexes") return listIndexes(privateDir);
  return kBadArguments;
}

}  // namespace completecommand
