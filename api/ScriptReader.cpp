// Reading a job script's commands line by line.
#include "api/ScriptReader.h"

#include <cstdint>

#include "import/Charset.h"
#include "import/ImportFile.h"
#include "import/ScreenLine.h"
#include "import/Viewer.h"

namespace script {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// True when the file's first bytes are UTF-8 (or UTF-16, which the importer also turns
// into the document code page).
bool looksUtf8(const std::string& name) {
  FileSource source;
  if (source.open(name) < 0) return false;
  uint8_t head[4096];
  int32_t n = source.readAt(0, head, sizeof head);
  source.close();
  if (n <= 0) return false;
  charset::Encoding e =
      charset::detect(head, static_cast<size_t>(n), charset::Encoding::kWindows1252).encoding;
  return e != charset::Encoding::kWindows1252 && e != charset::Encoding::kCp437;
}

}  // namespace

ScriptReader::ScriptReader(const ViewerTable& viewers, const Alphabet& alphabet)
    : viewers_(viewers), alphabet_(alphabet) {}
ScriptReader::~ScriptReader() = default;

int ScriptReader::open(const std::string& name) {
  close();
  file_ = std::make_unique<ImportFile>(viewers_, &alphabet_);
  if (file_->open(name) < 0) {
    errorText_ = file_->errorText();
    file_.reset();
    return -1;
  }
  utf8_ = looksUtf8(name);
  return 0;
}

void ScriptReader::close() {
  if (file_) file_->close();
  file_.reset();
}

int ScriptReader::nextLine(std::string* line) {
  line->clear();
  ScreenLine screen;
  for (;;) {
    int rc = file_->nextLine(&screen, kLineWidth);
    if (rc < 0) {
      errorText_ = file_->errorText().empty() ? "Unable to read the script" : file_->errorText();
      return -1;
    }
    if (rc == 0) return line->empty() ? 0 : 1;
    if (line->size() < kMaxCommandBytes) {
      // A wrapped piece goes on after a blank, unless the layout cut a word in two.
      if (!line->empty() && !screen.cutInWord) *line += ' ';
      *line += ImportFile::lineText(screen);
    }
    if (!screen.continuation) return 1;
  }
}

int ScriptReader::next(std::string* command) {
  command->clear();
  if (!file_) return 0;
  std::string line;
  for (;;) {
    int rc = nextLine(&line);
    if (rc < 0) return -1;
    if (rc == 0) return command->empty() ? 0 : 1;
    std::string t = trimmed(line);
    bool goesOn = !t.empty() && t.back() == '\\';
    if (goesOn) t = trimmed(t.substr(0, t.size() - 1));
    if (!t.empty() && command->size() < kMaxCommandBytes) {
      if (!command->empty()) *command += ' ';
      *command += t;
      if (command->size() > kMaxCommandBytes) command->resize(kMaxCommandBytes);
    }
    if (!goesOn && !command->empty()) return 1;
  }
}

}  // namespace script
