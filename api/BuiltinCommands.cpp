// The built-in commands of a script's SYSTEM command.
#include "api/BuiltinCommands.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "api/TextLines.h"
#include "platform/Platform.h"

namespace script {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The words of a command line: blanks separate them, a double-quoted stretch is one word.
std::vector<std::string> wordsOf(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string w;
    if (line[i] == '"') {
      size_t close = line.find('"', i + 1);
      size_t stop = close == std::string::npos ? line.size() : close;
      w = line.substr(i + 1, stop - i - 1);
      i = close == std::string::npos ? line.size() : close + 1;
    } else {
      size_t b = i;
      while (i < line.size() && !isBlank(line[i])) ++i;
      w = line.substr(b, i - b);
    }
    words.push_back(w);
  }
  return words;
}

// Splits "text > file" / "text >> file": the text before the redirection, the file, and
// whether it appends. No redirection: the text whole and an empty file.
void splitRedirection(const std::string& line, std::string* text, std::string* target,
                      bool* append) {
  size_t gt = line.find('>');
  *append = false;
  target->clear();
  if (gt == std::string::npos) {
    *text = line;
    return;
  }
  *text = line.substr(0, gt);
  size_t after = gt + 1;
  if (after < line.size() && line[after] == '>') {
    *append = true;
    ++after;
  }
  std::vector<std::string> w = wordsOf(line.substr(after));
  if (!w.empty()) *target = w[0];
  while (!text->empty() && isBlank(text->back())) text->pop_back();
}

// The lines of a text file, blanks at their ends dropped.
bool readTrimmedLines(const std::string& name, std::vector<std::string>* lines) {
  if (!readTextLines(name, lines)) return false;
  for (std::string& l : *lines)
    while (!l.empty() && (l.back() == ' ' || l.back() == '\t')) l.pop_back();
  return true;
}

}  // namespace

BuiltinCommands::BuiltinCommands(std::function<std::string(const std::string&)> resolve,
                                 std::function<void(const std::string&)> writeLog,
                                 std::function<bool(const std::string&, bool remove)> mayWrite)
    : resolve_(std::move(resolve)), writeLog_(std::move(writeLog)), mayWrite_(std::move(mayWrite)) {}

int BuiltinCommands::fail(const std::string& text, int number) {
  errorText_ = text;
  errorNumber_ = number;
  return -1;
}

int BuiltinCommands::run(const std::string& commandLine) {
  errorText_.clear();
  errorNumber_ = 0;
  std::string line = commandLine;
  while (!line.empty() && isBlank(line.front())) line.erase(line.begin());
  if (upper(line.substr(0, 3)) == "SET" && (line.size() == 3 || isBlank(line[3]))) {
    // Variables live for the run in a pool of fixed size.
    if (poolUsed_ + line.size() + 1 > kEnvironmentPoolBytes) {
      writeLog_("No more memory for environment variables.");
      line.clear();
    } else {
      poolUsed_ += line.size() + 1;
    }
  }
  std::vector<std::string> words = wordsOf(line);
  if (words.empty()) return fail("Unknown command", 0);
  const std::string verb = upper(words[0]);
  // The text after the command word and one blank.
  size_t textStart = 0;
  while (textStart < line.size() && !isBlank(line[textStart])) ++textStart;
  if (textStart < line.size()) ++textStart;
  const std::string rest = textStart < line.size() ? line.substr(textStart) : "";

  if (verb == "TOUCH") {
    if (words.size() < 2) return fail("Missing file name", platform::kErrInvalidParameter);
    return touch(resolve_(words[1]));
  }
  if (verb == "DEL") {
    if (words.size() < 2) return fail("Missing file name", platform::kErrInvalidParameter);
    return remove(resolve_(words[1]));
  }
  if (verb == "COPY") {
    if (words.size() < 3) return fail("Missing file name", platform::kErrInvalidParameter);
    return copy(resolve_(words[1]), resolve_(words[2]));
  }
  if (verb == "ECHO") {
    std::string text, target;
    bool append;
    splitRedirection(rest, &text, &target, &append);
    return output(text, target, append);
  }
  if (verb == "COMP") {
    std::string text, target;
    bool append;
    splitRedirection(rest, &text, &target, &append);
    std::vector<std::string> names = wordsOf(text);
    if (names.size() < 2) return fail("Missing file name", platform::kErrInvalidParameter);
    std::string verdict;
    if (compare(resolve_(names[0]), resolve_(names[1]), &verdict) < 0) return -1;
    return output(verdict, target, append);
  }
  if (verb == "SET") {
    if (words.size() < 2) return fail("Missing variable", platform::kErrInvalidParameter);
    return setVariable(rest);
  }
  if (verb == "EXITWINDOWS")
    return fail("Logging the user off is not done on this system", platform::kErrAccessDenied);
  return fail("Unknown command", 0);
}

int BuiltinCommands::touch(const std::string& name) {
  if (!platform::fileExists(name.c_str())) return fail("Unable to access file", platform::kErrFileNotFound);
  platform::FileTime t;
  t.seconds = platform::now();
  if (platform::setWriteTime(name.c_str(), t) < 0)
    return fail("Unable to access file", platform::lastError());
  return 0;
}

int BuiltinCommands::remove(const std::string& name) {
  if (!mayWrite_(name, true)) return fail("Unable to delete file", platform::kErrAccessDenied);
  if (platform::removeFile(name.c_str()) < 0)
    return fail(platform::errorText(platform::lastError()), platform::lastError());
  return 0;
}

int BuiltinCommands::copy(const std::string& from, const std::string& to) {
  if (from == to) return 0;
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return fail("Unable to access file", platform::kErrFileNotFound);
  if (!mayWrite_(to, false)) {
    std::fclose(in);
    return fail("Unable to write file", platform::kErrAccessDenied);
  }
  std::FILE* out = std::fopen(to.c_str(), "wb");
  if (!out) {
    std::fclose(in);
    return fail("Unable to write file", platform::kErrAccessDenied);
  }
  char buffer[16384];
  size_t n;
  bool ok = true;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
    if (std::fwrite(buffer, 1, n, out) != n) ok = false;
  if (std::ferror(in)) ok = false;
  std::fclose(in);
  if (std::fclose(out) != 0) ok = false;
  return ok ? 0 : fail("Unable to write file", platform::kErrWriteFault);
}

int BuiltinCommands::output(const std::string& text, const std::string& target, bool append) {
  if (target.empty()) {
    std::string t = text;
    while (!t.empty() && t.back() == '\n') t.pop_back();
    writeLog_(t);
    return 0;
  }
  std::string name = resolve_(target);
  if (!mayWrite_(name, false))
    return fail("Unable to write file", platform::kErrAccessDenied);
  std::FILE* f = std::fopen(name.c_str(), append ? "ab" : "wb");
  if (!f) return fail("Unable to write file", platform::kErrAccessDenied);
  bool ok = std::fputs(text.c_str(), f) >= 0;
  if (text.empty() || text.back() != '\n') ok = ok && std::fputc('\n', f) != EOF;
  if (std::fclose(f) != 0) ok = false;
  return ok ? 0 : fail("Unable to write file", platform::kErrWriteFault);
}

int BuiltinCommands::compare(const std::string& first, const std::string& second,
                             std::string* verdict) {
  std::vector<std::string> a, b;
  if (!readTrimmedLines(first, &a)) return fail("Unable to open " + first, platform::kErrFileNotFound);
  if (!readTrimmedLines(second, &b)) return fail("Unable to open " + second, platform::kErrFileNotFound);
  *verdict = a == b ? "Files are identical\n" : "Files differ\n";
  return 0;
}

int BuiltinCommands::setVariable(const std::string& assignment) {
  // The name is upper-cased up to the first blank; "NAME=" alone removes the variable.
  std::string text = assignment;
  size_t blank = text.find_first_of(" \t");
  for (size_t i = 0; i < text.size() && i < blank; ++i)
    text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
  size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return fail("Bad variable assignment", platform::kErrInvalidParameter);
  std::string name = text.substr(0, eq);
  while (!name.empty() && isBlank(name.back())) name.pop_back();
  std::string value = text.substr(eq + 1);
  if (!environmentWrites_) return 0;
  if (platform::setEnv(name.c_str(), value.empty() ? nullptr : value.c_str()) < 0)
    return fail("Bad variable assignment", platform::kErrInvalidParameter);
  return 0;
}

}  // namespace script
