#include "index/FileSelection.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "import/Wildcard.h"
#include "platform/Platform.h"

namespace {

constexpr size_t kMaxPatterns = 64;
constexpr size_t kMaxUnreadableNames = 10;

void addPatterns(const std::vector<std::string>& set, std::vector<std::string>* out) {
  for (const std::string& text : set)
    for (std::string& p : wildcard::splitPatterns(text, kMaxPatterns)) out->push_back(std::move(p));
}

// The lines of a list file, trimmed, blank ones dropped. 0 or -1.
int readListFile(const std::string& name, std::vector<std::string>* out) {
  std::FILE* f = std::fopen(name.c_str(), "rb");
  if (!f) return -1;
  std::string line;
  auto take = [&] {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start != std::string::npos) out->push_back(absolutePath(line.substr(start)));
    line.clear();
  };
  for (int c; (c = std::fgetc(f)) != EOF;) {
    if (c == '\n') take();
    else if (c != 0) line += static_cast<char>(c);
  }
  take();
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  return failed ? -1 : 0;
}

dosdate::DosDateTime dosDate(const platform::FileTime& t) {
  return dosdate::fromTime(static_cast<std::time_t>(t.seconds));
}

FoundFile foundFile(const std::string& name, const platform::DirEntry& e) {
  FoundFile f;
  f.name = name;
  f.modDate = dosDate(e.lastWrite);
  f.foundDate = f.modDate;
  // Files of 2 GiB and more cannot be read; their open fails and is counted as such.
  f.size = e.size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(e.size);
  return f;
}

}  // namespace

std::string absolutePath(const std::string& name) {
  std::string path = name;
  if (path.empty() || path[0] != '/') {
    std::string here = platform::currentDirectory();
    path = here + (here.ends_with('/') ? "" : "/") + path;
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

int fileSetOf(const FileSpec& record, FileSet* out, std::string* error) {
  *out = FileSet();
  const std::string& folder = record.directory;
  if (!folder.empty()) out->folders.push_back(absolutePath(folder));
  const std::string& folderList = record.directoryListName;
  if (!folderList.empty() && readListFile(folderList, &out->folders) < 0) {
    *error = "The folder list " + folderList + " could not be read.";
    return -1;
  }
  const std::string& fileList = record.filesListName;
  if (!fileList.empty() && readListFile(fileList, &out->files) < 0) {
    *error = "The files list " + fileList + " could not be read.";
    return -1;
  }
  addPatterns(record.includeFilters, &out->includes);
  addPatterns(record.excludeFilters, &out->excludes);
  return 0;
}

void FileSelection::skipFolder(const std::string& folder) {
  platform::DirEntry e;
  if (platform::describePath(folder.c_str(), &e) == 0) seen_.insert({e.device, e.inode});
}

bool FileSelection::takes(const std::string& name) const {
  for (const std::string& p : fileSet_.excludes)
    if (wildcard::match(p, name)) return false;
  if (fileSet_.includes.empty()) return true;
  for (const std::string& p : fileSet_.includes)
    if (wildcard::match(p, name)) return true;
  return false;
}

bool FileSelection::excludedFolder(const std::string& name) const {
  for (const std::string& p : fileSet_.excludes)
    if (wildcard::match(p, name)) return true;
  return false;
}

void FileSelection::noteUnreadable(const std::string& name) {
  ++unreadable_;
  if (unreadableNames_.size() < kMaxUnreadableNames) unreadableNames_.push_back(name);
}

int FileSelection::walk(const Visit& visit, const std::function<bool()>& stop) {
  for (const std::string& folder : fileSet_.folders) {
    platform::DirEntry e;
    if (platform::describePath(folder.c_str(), &e) < 0 || !e.isDirectory) {
      noteUnreadable(folder);
      continue;
    }
    if (!seen_.insert({e.device, e.inode}).second) continue;
    if (walkFolder(folder, visit, stop) < 0) return -1;
  }
  for (const std::string& file : fileSet_.files) {
    if (stop()) return -1;
    platform::DirEntry e;
    if (platform::describePath(file.c_str(), &e) < 0 || !e.isRegularFile) {
      noteUnreadable(file);
      continue;
    }
    if (!takes(e.name)) continue;
    if (visit(foundFile(file, e)) < 0) return -1;
  }
  return 0;
}

int FileSelection::walkFolder(const std::string& root, const Visit& visit,
                              const std::function<bool()>& stop) {
  // Depth first with an explicit stack, so deep trees need no deep recursion; each folder's
  // entries are taken in name order, files before the subfolders.
  std::vector<std::string> pending{root};
  while (!pending.empty()) {
    std::string folder = std::move(pending.back());
    pending.pop_back();
    if (stop()) return -1;
    std::vector<platform::DirEntry> entries;
    if (platform::listDirectory(folder.c_str(), &entries) < 0) {
      noteUnreadable(folder);
      continue;
    }
    std::sort(entries.begin(), entries.end(),
              [](const platform::DirEntry& a, const platform::DirEntry& b) { return a.name < b.name; });
    std::string prefix = folder == "/" ? "/" : folder + "/";
    std::vector<std::string> subfolders;
    for (const platform::DirEntry& e : entries) {
      if (e.isDirectory) {
        if (excludedFolder(e.name)) continue;
        if (!seen_.insert({e.device, e.inode}).second) continue;
        subfolders.push_back(prefix + e.name);
        continue;
      }
      if (!e.isRegularFile || !takes(e.name)) continue;
      if (stop()) return -1;
      if (visit(foundFile(prefix + e.name, e)) < 0) return -1;
    }
    for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) pending.push_back(std::move(*it));
  }
  return 0;
}
