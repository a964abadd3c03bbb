// The judge of a script's output and deletions: resolves the name, then asks in turn whether
// it lies in an allowed folder, in an index folder, is a program, a word-processor document
// or a document of an index the script named.
#include "api/ScriptOutputGuard.h"

#include <filesystem>
#include <fstream>

#include "import/ImportFile.h"
#include "index/DocInfo.h"
#include "index/IndexFileNames.h"
#include "index/IndexFormat.h"
#include "index/TextDB.h"
#include "io/FileMode.h"

namespace script {

namespace fs = std::filesystem;

namespace {

constexpr int16_t kResultsFileType = 100;

bool within(const std::string& path, const std::string& folder) {
  return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            (folder == "/" || path[folder.size()] == '/'));
}

std::string canonicalOr(const std::string& path, const std::string& fallback) {
  std::error_code ec;
  fs::path p = fs::canonical(path, ec);
  return ec ? fallback : p.string();
}

// A folder that holds an index: its lock file or its header is there.
bool holdsIndex(const fs::path& folder) {
  std::error_code ec;
  for (uint32_t type : {indexformat::kLockFile, indexformat::kHeaderFile})
    if (fs::exists(folder / indexfiles::bareName(type), ec)) return true;
  return false;
}

// Execute permission, or the first bytes of an ELF program or an interpreted script.
bool isProgram(const fs::path& file, fs::perms perms) {
  const fs::perms exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  if ((perms & exec) != fs::perms::none) return true;
  char head[4] = {};
  std::ifstream in(file, std::ios::binary);
  in.read(head, sizeof head);
  const std::streamsize n = in.gcount();
  return (n >= 4 && head[0] == '\x7f' && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') ||
         (n >= 2 && head[0] == '#' && head[1] == '!');
}

bool isResultsFile(const std::string& name, const ViewerTable& viewers) {
  ImportFile doc(viewers);
  return doc.open(name) == 0 && doc.fileInfo().type == kResultsFileType;
}

}  // namespace

OutputGuard::OutputGuard(const ViewerTable& viewers, std::vector<std::string> folders, bool anywhere,
                         bool changeDocuments)
    : viewers_(viewers), anywhere_(anywhere), changeDocuments_(changeDocuments) {
  for (const std::string& f : folders)
    if (!f.empty()) folders_.push_back(canonicalOr(f, fs::path(f).lexically_normal().string()));
}

void OutputGuard::noteIndex(const std::string& folder) {
  if (folder.empty()) return;
  std::string f = fs::path(folder).lexically_normal().string();
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  for (const std::string& known : indexes_)
    if (known == f) return;
  indexes_.push_back(f);
}

bool OutputGuard::insideAllowedFolders(const std::string& real) const {
  if (anywhere_) return true;
  for (const std::string& f : folders_)
    if (within(real, f)) return true;
  return false;
}

bool OutputGuard::isIndexedDocument(const std::string& name, const std::string& real, std::string* index) const {
  for (const std::string& folder : indexes_) {
    if (!holdsIndex(folder)) continue;
    *index = folder;
    TextDB db;
    // An index that cannot be read cannot say the file is not its document: kept safe.
    if (db.setDirectory(folder) < 0 ||
        db.open(filemode::kRead, indexformat::kHeaderFile | indexformat::kKeyFile | indexformat::kDocFile) < 0) {
      *index += " (which cannot be read to tell)";
      return true;
    }
    bool found = false;
    for (const std::string& n : {name, real}) {
      DocInfo doc;
      if (doc.findByName(db, n) == 0 && !doc.cancelled) found = true;
    }
    db.close();
    db.unlock();
    if (found) return true;
  }
  return false;
}

bool OutputGuard::allows(const std::string& name, Use use, std::string* why) const {
  const bool remove = use == Use::kRemove;
  const fs::path given = fs::path(name).lexically_normal();
  std::error_code ec;
  if (!given.is_absolute() || given.filename().empty()) {
    *why = "it is not the name of a file";
    return false;
  }
  fs::path parent = fs::canonical(given.parent_path(), ec);
  if (ec) {
    *why = "its folder does not exist";
    return false;
  }
  fs::path real = parent / given.filename();
  const bool isLink = fs::is_symlink(fs::symlink_status(real, ec));
  // A link is judged by what it leads to, except by del, which removes the link alone.
  if (isLink && !remove) {
    real = fs::canonical(real, ec);
    if (ec) {
      *why = "it is a link that leads nowhere";
      return false;
    }
  }
  if (!insideAllowedFolders(real.string())) {
    *why = "it is outside the script's folder and the private folder";
    return false;
  }
  for (const std::string& index : indexes_) {
    if (within(real.string(), canonicalOr(index, index))) {
      *why = "it is in the folder of the index " + index;
      return false;
    }
  }
  if (holdsIndex(real.parent_path())) {
    *why = "it is in the folder of the index " + real.parent_path().string();
    return false;
  }
  const fs::file_status st = fs::symlink_status(real, ec);
  if (!fs::exists(st) || (isLink && remove)) return true;
  if (!fs::is_regular_file(st)) {
    *why = "it is not a plain file";
    return false;
  }
  if (isProgram(real, st.permissions())) {
    *why = "it is a program";
    return false;
  }
  if (!outputfile::mayWrite(real.string(), nullptr, viewers_) &&
      !(use == Use::kResults && isResultsFile(real.string(), viewers_))) {
    *why = "it is a word-processor document or a program";
    return false;
  }
  std::string index;
  if (!changeDocuments_ && isIndexedDocument(given.string(), real.string(), &index)) {
    *why = "it is a document of the index " + index;
    return false;
  }
  return true;
}

}  // namespace script
