// The index library: its entries, the library file's quoted-line form, opening with its
// fallbacks, and the changes that sort and rewrite it.
#include "api/IndexLibrary.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "io/WholeFile.h"
#include "objects/Fail.h"
#include "objects/MessageTable.h"
#include "objects/Reporter.h"
#include "objects/Trace.h"
#include "objects/WellKnownFiles.h"
#include "platform/Platform.h"

namespace {

constexpr int kMsgNotWritten = 49;
constexpr int kMsgNotCreated = 50;
constexpr int kMsgNotRead = 51;
constexpr int kMsgNoSuchIndex = 54;
constexpr int kAskReplaceFile = 71;
constexpr int kMsgSwitched = 110;
constexpr int kMsgCreated = 111;

bool isWhite(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view strip(std::string_view s) {
  while (!s.empty() && isWhite(s.front())) s.remove_prefix(1);
  while (!s.empty() && isWhite(s.back())) s.remove_suffix(1);
  return s;
}

// A name as the library keeps it: stripped, cut to the limit, stripped again.
std::string cleanName(std::string_view name) {
  name = strip(name).substr(0, IndexLibrary::kMaxNameBytes);
  return std::string(strip(name));
}

// The library file quotes each field with '"' and has no escape, one entry per line.
bool isStorable(std::string_view s) {
  return s.find_first_of(std::string_view("\"\r\n\0", 4)) == std::string_view::npos;
}

// One field of an entry line, starting at *pos: a quoted text, or for an unquoted field
// the text up to `stop` (or the line end), stripped. False when a quote is not closed.
bool takeField(std::string_view line, size_t* pos, char stop, std::string* out) {
  size_t p = *pos;
  while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
  if (p < line.size() && line[p] == '"') {
    size_t close = line.find('"', p + 1);
    if (close == std::string_view::npos) return false;
    out->assign(line.substr(p + 1, close - p - 1));
    *pos = close + 1;
    return true;
  }
  size_t end = stop ? line.find(stop, p) : std::string_view::npos;
  if (end == std::string_view::npos) end = line.size();
  out->assign(strip(line.substr(p, end - p)));
  *pos = end;
  return true;
}

// Splits `"name", "path"` into its two fields. False when the line lacks either.
bool splitEntryLine(std::string_view line, std::string* name, std::string* path) {
  size_t pos = 0;
  if (!takeField(line, &pos, ',', name)) return false;
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
  if (pos >= line.size() || line[pos] != ',') return false;
  ++pos;
  return takeField(line, &pos, '\0', path);
}

// The count line: optional blanks, decimal digits, optional blanks; cut to the library's
// capacity. False when it is anything else.
bool parseCount(std::string_view line, size_t* count) {
  line = strip(line);
  if (line.empty()) return false;
  size_t value = 0;
  for (char c : line) {
    if (c < '0' || c > '9') return false;
    value = std::min<size_t>(value * 10 + static_cast<size_t>(c - '0'), IndexLibrary::kMaxEntries);
  }
  *count = value;
  return true;
}

// Walks the lines of a buffer, each without its line feed and carriage return.
class LineReader {
 public:
  LineReader(const char* data, size_t size) : text_(data, size) {}
  bool next(std::string_view* line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    std::string_view l = text_.substr(pos_, end - pos_);
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    pos_ = end + 1;
    *line = l;
    return true;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

int parseEntries(const char* data, size_t size, std::vector<IndexLibraryEntry>* out) {
  LineReader reader(data, size);
  std::string_view line;
  if (!reader.next(&line) || line != IndexLibrary::kFirstLine)
    return LXR_FAIL("IndexLibrary -- not a library file (first line)");
  size_t count = 0;
  if (!reader.next(&line) || !parseCount(line, &count))
    return LXR_FAIL("IndexLibrary -- damaged count line");
  std::vector<IndexLibraryEntry> entries;
  std::string name, path;
  for (size_t i = 0; i < count && reader.next(&line); ++i) {
    if (!splitEntryLine(line, &name, &path)) continue;
    std::string cleaned = cleanName(name);
    // A cut path would name another folder, and a second entry of one name could never be
    // told apart: such lines are dropped rather than loaded wrong.
    if (cleaned.empty() || path.empty() || path.size() > IndexLibrary::kMaxPathBytes ||
        !isStorable(cleaned) || !isStorable(path)) {
      trace::line("IndexLibrary -- entry line %zu skipped", i + 3);
      continue;
    }
    bool duplicate = std::any_of(entries.begin(), entries.end(),
                                 [&](const IndexLibraryEntry& e) { return e.name == cleaned; });
    if (duplicate) {
      trace::line("IndexLibrary -- entry line %zu repeats a name", i + 3);
      continue;
    }
    IndexLibraryEntry e;
    e.name = std::move(cleaned);
    e.path = path;
    e.owner = IndexLibrary::kOwnerTag;
    entries.push_back(std::move(e));
  }
  *out = std::move(entries);
  return 0;
}

}  // namespace

IndexLibrary::IndexLibrary(const std::string& privateFolder, Reporter* reporter)
    : privateFolder_(privateFolder), reporter_(reporter ? reporter : &Reporter::quiet()) {}

std::string IndexLibrary::nameOf(const std::string& folder) const {
  std::string path = normalisePath(folder);
  for (const IndexLibraryEntry& e : entries_)
    if (e.path == path) return e.name;
  return "";
}

int IndexLibrary::removeFolder(const std::string& folder) {
  std::string name = nameOf(folder);
  return name.empty() ? -1 : remove(name);
}

// ---- Paths ---------------------------------------------------------------------------------

std::string IndexLibrary::normalisePath(const std::string& path) {
  if (path.empty()) return "";
  std::string full = path[0] == '/' ? path : platform::currentDirectory() + "/" + path;
  std::vector<std::string_view> parts;
  std::string_view rest(full);
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  if (parts.empty()) return "/";
  std::string out;
  for (std::string_view part : parts) {
    out += '/';
    out += part;
  }
  return out;
}

std::string IndexLibrary::resolve(const std::string& fileName) const {
  std::string name = fileName.empty() ? wellknown::name(wellknown::kIndexLibrary) : fileName;
  if (name[0] != '/') name = privateFolder_ + "/" + name;
  return normalisePath(name);
}

// ---- Library files -------------------------------------------------------------------------

int IndexLibrary::parse(const char* data, size_t size) {
  std::vector<IndexLibraryEntry> entries;
  if (parseEntries(data, size, &entries) < 0) return -1;
  replaceEntries(std::move(entries), filePath_);
  return 0;
}

std::string IndexLibrary::serialize() const {
  std::string out = kFirstLine;
  out += "\r\n";
  out += std::to_string(entries_.size() - temporaryCount_);
  out += "\r\n";
  for (const IndexLibraryEntry& e : entries_) {
    if (e.temporary) continue;
    out += '"';
    out += e.name;
    out += "\", \"";
    out += e.path;
    out += "\"\r\n";
  }
  return out;
}

int IndexLibrary::readFile(const std::string& path, std::vector<IndexLibraryEntry>* entries) const {
  std::string data;
  if (wholefile::read(path, &data, kMaxFileBytes) < 0) return LXR_FAIL("IndexLibrary -- cannot read");
  return parseEntries(data.data(), data.size(), entries);
}

int IndexLibrary::writeFile() {
  if (filePath_.empty() || wholefile::write(filePath_, serialize()) < 0) {
    reporter_->error(messages::text(kMsgNotWritten, {filePath_.empty() ? resolve("") : filePath_}));
    return LXR_FAIL("IndexLibrary -- library file not written");
  }
  mustSave_ = false;
  return 0;
}

int IndexLibrary::save() { return mustSave_ ? writeFile() : 0; }

void IndexLibrary::replaceEntries(std::vector<IndexLibraryEntry> entries, const std::string& path) {
  entries_ = std::move(entries);
  temporaryCount_ = 0;
  currentName_.clear();
  filePath_ = path;
  mustSave_ = false;
  afterChange(false);
}

int IndexLibrary::createQuietly(const std::string& path, bool quiet) {
  if (platform::fileExists(path.c_str()) && !reporter_->ask(messages::text(kAskReplaceFile, {path}), false))
    return LXR_FAIL("IndexLibrary::create -- existing file kept");
  std::string empty = std::string(kFirstLine) + "\r\n0\r\n";
  if (wholefile::write(path, empty) < 0) {
    reporter_->error(messages::text(kMsgNotCreated, {path}));
    return LXR_FAIL("IndexLibrary::create -- cannot write");
  }
  replaceEntries({}, path);
  if (!quiet) reporter_->info(messages::text(kMsgCreated, {path}));
  return 0;
}

int IndexLibrary::open(const std::string& fileName) {
  std::vector<IndexLibraryEntry> entries;
  std::string path = resolve(fileName);
  if (readFile(path, &entries) == 0) {
    replaceEntries(std::move(entries), path);
    return 0;
  }
  if (createQuietly(path, true) == 0) return 0;
  std::string fallback = resolve("");
  if (readFile(fallback, &entries) == 0) {
    replaceEntries(std::move(entries), fallback);
    return 0;
  }
  if (createQuietly(fallback, true) == 0) return 0;
  int err = platform::lastError();
  reporter_->error(messages::text(kMsgNotCreated, {fallback}));
  trace::line("Unable to create library %s: %s", fallback.c_str(),
              platform::errorText(err).c_str());
  // No file: a library file the user chose to keep must not be overwritten by a later change.
  replaceEntries({}, "");
  return -1;
}

int IndexLibrary::switchTo(const std::string& fileName) {
  save();
  std::vector<IndexLibraryEntry> entries;
  std::string path = resolve(fileName);
  if (readFile(path, &entries) < 0) {
    reporter_->error(messages::text(kMsgNotRead, {path}));
    return -1;
  }
  replaceEntries(std::move(entries), path);
  reporter_->info(messages::text(kMsgSwitched, {path}));
  return 0;
}

int IndexLibrary::create(const std::string& fileName, bool quiet) {
  save();
  return createQuietly(resolve(fileName), quiet);
}

// ---- Changes -------------------------------------------------------------------------------

void IndexLibrary::afterChange(bool persist) {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const IndexLibraryEntry& a, const IndexLibraryEntry& b) {
                     return a.name < b.name;  // char_traits<char> compares bytes unsigned
                   });
  changed_ = true;
  if (persist) {
    mustSave_ = true;
    writeFile();
  }
}

int IndexLibrary::add(const std::string& name, const std::string& path) {
  std::string cleaned = cleanName(name);
  if (cleaned.empty() || !isStorable(cleaned)) return LXR_FAIL("IndexLibrary::add -- bad name");
  if (find(cleaned) != 0) return LXR_FAIL("IndexLibrary::add -- name already present");
  if (entries_.size() >= kMaxEntries) return LXR_FAIL("IndexLibrary::add -- library full");
  if (!isStorable(path)) return LXR_FAIL("IndexLibrary::add -- bad path");
  std::string normal = normalisePath(path);
  if (normal.empty() || normal.size() > kMaxPathBytes)
    return LXR_FAIL("IndexLibrary::add -- path empty or too long");
  IndexLibraryEntry e;
  e.name = std::move(cleaned);
  e.path = std::move(normal);
  e.selected = std::any_of(entries_.begin(), entries_.end(),
                           [](const IndexLibraryEntry& x) { return x.selected != 0; })
                   ? 0
                   : 1;
  e.owner = kOwnerTag;
  entries_.push_back(std::move(e));
  afterChange(true);
  return 0;
}

int IndexLibrary::addTemporary(const std::string& name, const std::string& path,
                               const std::string& owner) {
  std::string cleaned = cleanName(name);
  if (cleaned.empty() || !isStorable(cleaned))
    return LXR_FAIL("IndexLibrary::addTemporary -- bad name");
  if (int position = find(cleaned); position != 0) return position;
  if (entries_.size() >= kMaxEntries) return LXR_FAIL("IndexLibrary::addTemporary -- library full");
  if (!isStorable(path)) return LXR_FAIL("IndexLibrary::addTemporary -- bad path");
  std::string normal = normalisePath(path);
  if (normal.empty() || normal.size() > kMaxPathBytes)
    return LXR_FAIL("IndexLibrary::addTemporary -- path empty or too long");
  IndexLibraryEntry e;
  e.name = std::move(cleaned);
  e.path = std::move(normal);
  e.temporary = true;
  e.owner = owner;
  entries_.push_back(std::move(e));
  ++temporaryCount_;
  afterChange(false);
  return 0;
}

int IndexLibrary::rename(const std::string& oldName, const std::string& newName) {
  int position = find(oldName);
  if (position == 0) {
    reporter_->error(messages::text(kMsgNoSuchIndex, {oldName}));
    return LXR_FAIL("IndexLibrary::rename -- no such index");
  }
  std::string cleaned = cleanName(newName);
  if (cleaned.empty() || !isStorable(cleaned)) return LXR_FAIL("IndexLibrary::rename -- bad name");
  int other = find(cleaned);
  if (other != 0 && other != position) return LXR_FAIL("IndexLibrary::rename -- name taken");
  if (currentName_ == oldName) currentName_ = cleaned;
  entries_[static_cast<size_t>(position - 1)].name = std::move(cleaned);
  afterChange(true);
  return 0;
}

int IndexLibrary::remove(const std::string& name) {
  int position = find(name);
  if (position == 0) return LXR_FAIL("IndexLibrary::remove -- no such index");
  auto it = entries_.begin() + (position - 1);
  if (it->temporary) --temporaryCount_;
  entries_.erase(it);
  if (currentName_ == name) currentName_.clear();
  afterChange(true);
  return 0;
}

int IndexLibrary::setSelected(const std::string& name, uint8_t selected) {
  int position = find(name);
  if (position == 0) return -1;
  entries_[static_cast<size_t>(position - 1)].selected = selected;
  changed_ = true;
  return 0;
}

int IndexLibrary::setCurrentEntry(const std::string& name) {
  if (find(name) == 0) return -1;
  currentName_ = name;
  return 0;
}

// ---- Queries -------------------------------------------------------------------------------

const IndexLibraryEntry* IndexLibrary::entry(size_t i) const {
  return i < entries_.size() ? &entries_[i] : nullptr;
}

int IndexLibrary::find(const std::string& name) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].name == name) return static_cast<int>(i) + 1;
  return 0;
}

const IndexLibraryEntry* IndexLibrary::currentEntry() const {
  if (currentName_.empty()) return nullptr;
  int position = find(currentName_);
  return position == 0 ? nullptr : &entries_[static_cast<size_t>(position - 1)];
}

int IndexLibrary::selectedPaths(char* buffer, size_t size) const {
  if (size == 0) return 0;
  size_t used = 0;
  int pathCount = 0;
  for (const IndexLibraryEntry& e : entries_) {
    if (!e.selected) continue;
    size_t need = (pathCount > 0 ? 1 : 0) + e.path.size();
    if (used + need + 1 > size) break;
    if (pathCount > 0) buffer[used++] = ',';
    std::memcpy(buffer + used, e.path.data(), e.path.size());
    used += e.path.size();
    ++pathCount;
  }
  buffer[used] = '\0';
  return pathCount;
}

int IndexLibrary::writeSelectedPaths(const std::string& fileName) const {
  std::string data;
  for (const IndexLibraryEntry& e : entries_) {
    if (!e.selected) continue;
    data += e.path;
    data += "\r\n";
  }
  if (wholefile::write(resolve(fileName), data) < 0)
    return LXR_FAIL("IndexLibrary::writeSelectedPaths -- cannot write");
  return 0;
}
