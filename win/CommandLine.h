// The command line record of the desktop program: the arguments joined by blanks (quoted when
// they hold a blank), lines of cmdline.dat appended, an upper-cased copy for searching, and
// the switch lookup with `-` as the switch character. Plain C++; all input is bounded.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CommandLine {
 public:
  static constexpr char kSwitchChar = '-';
  static constexpr size_t kMaxBytes = 32768;      // longer command lines are cut
  static constexpr size_t kMaxFileBytes = 65536;  // of cmdline.dat, read at most

  // The arguments as the process got them (the program's name first).
  explicit CommandLine(const std::vector<std::string>& args);

  // Appends `line` after a blank (line ends and NUL bytes become blanks).
  void append(const std::string& line);
  // Appends every line of the file `path`. Returns the count of lines appended, or -1 when
  // the file cannot be read (the record is then unchanged).
  int appendFile(const std::string& path);

  const std::string& text() const { return text_; }
  const std::string& upper() const { return upper_; }

  // True when the switch `name` is given: the switch character and the name, in any case,
  // at the start of a word outside quotes (a longer word that begins with the name counts;
  // "--name" counts too).
  bool has(const char* name) const;
  // The switch's value into *out (cut to maxBytes): after the switch word, past white space
  // (or directly after "="); a value in single or double quotes runs to the matching quote,
  // any other to the next white space. False when the switch is absent or has no value (the
  // next word is another switch); *out is then untouched.
  bool value(const char* name, std::string* out, size_t maxBytes = 4096) const;

 private:
  // The position of the switch's first character, or npos.
  size_t find(const char* name) const;

  std::string text_;
  std::string upper_;
};
