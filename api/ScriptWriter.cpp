// Writing an index job as a job script.
#include "api/ScriptWriter.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "objects/MessageTable.h"
#include "objects/Reporter.h"
#include "objects/StringSet.h"
#include "platform/Platform.h"

namespace script {

namespace {

constexpr int kReplaceQuestion = 190;

std::string withJobExtension(const std::string& name) {
  size_t slash = name.rfind('/');
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return name + ".job";
  return name.substr(0, dot) + ".job";
}

std::string joined(const StringSet* set) {
  std::string all;
  for (int i = 0; set && i < set->count(); ++i) {
    if (!all.empty()) all += ' ';
    all += set->at(i);
  }
  return all;
}

// The folders of a directory-list file, one a line, blank lines skipped.
std::vector<std::string> foldersOf(const char* listName) {
  std::vector<std::string> out;
  if (!listName[0]) return out;
  std::FILE* f = std::fopen(listName, "rb");
  if (!f) return out;
  char line[LXR_PATH_CHARS + 2];
  while (std::fgets(line, sizeof line, f)) {
    std::string l = line;
    while (!l.empty() && (l.back() == '\n' || l.back() == '\r' || l.back() == ' ')) l.pop_back();
    if (!l.empty()) out.push_back(l);
  }
  std::fclose(f);
  return out;
}

std::string field(const char* text, size_t capacity) {
  return std::string(text, strnlen(text, capacity));
}

}  // namespace

int writeScript(const lxrIndexJob& job, const std::string& fileName, Reporter& reporter, std::string* writtenName,
                std::string* error) {
  const std::string name = withJobExtension(fileName);
  if (platform::fileExists(name.c_str()) && !reporter.ask(messages::text(kReplaceQuestion, {name}), false)) {
    *error = "The job script " + name + " was not replaced";
    return -1;
  }
  const std::string indexPath = field(job.indexPath, sizeof job.indexPath);
  std::string text = "Lexaurum Script\n";
  text += "Set IndexName = \"" + field(job.indexName, sizeof job.indexName) + "\"\n";
  text += "Set IndexPath = \"" + indexPath + "\"\n";
  if (job.create) {
    bool caseSensitive = job.caseSensitive != 0;
    bool accentSensitive = job.accentSensitive != 0;
    // An index that is already there keeps the options it was made with.
    lxrIndexInfo info;
    LXR_INIT_RECORD(info);
    int16_t result = 0;
    if (!indexPath.empty() && lxrsGetIndexInfo(indexPath.c_str(), &info, &result) == 0) {
      caseSensitive = info.caseSensitive != 0;
      accentSensitive = info.accentSensitive != 0;
    }
    text += "Create";
    if (caseSensitive) text += " Case";
    if (accentSensitive) text += " Accent";
    text += "\n";
  }
  text += "Set Filter = " + joined(job.toAdd.includeFilters) + "\n";
  text += "Set Exclude = " + joined(job.toAdd.excludeFilters) + "\n";
  std::vector<std::string> folders =
      foldersOf(field(job.toAdd.directoryListName, sizeof job.toAdd.directoryListName).c_str());
  for (size_t i = 0; i < folders.size(); ++i) {
    if (i == 0)
      text += "Set DocPath = \"" + folders[i] + "\"";
    else
      text += " \\\n\t\t\"" + folders[i] + "\"";
  }
  if (!folders.empty()) text += "\n";
  if (job.removeDeleted) text += "RemoveDeleted\n";
  if (job.add) text += "Add\n";
  if (job.compress) text += "Compress\n";
  text += "Quit\n";

  std::FILE* f = std::fopen(name.c_str(), "wb");
  bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) {
    *error = "Unable to write file " + name;
    return -1;
  }
  *writtenName = name;
  return 0;
}

}  // namespace script
