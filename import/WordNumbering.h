// WordNumbering: the list numbers of a word processing package's paragraphs ("1.", "a)",
// "iv."), from its numbering part: each list's levels with their start, number format and
// label pattern, counted as the paragraphs come. Bullets give no label. Depends on
// import/XmlReader.
#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>

class WordNumbering {
 public:
  static constexpr int kLevels = 9;

  // Reads the numbering part (replacing what was read before). 0, or -1 when malformed
  // (the definitions read so far are kept).
  int read(std::string_view xml);
  // Counts one more paragraph at `level` of list `numId` and gives its label, or "" when
  // the list is unknown, the level a bullet or the list id 0 (no list).
  std::string next(int numId, int level);

 private:
  struct Level {
    int start = 1;
    std::string format = "decimal";
    std::string text;
  };
  using Levels = std::array<Level, kLevels>;
  std::map<int, Levels> abstract_;
  std::map<int, int> lists_;  // list id -> abstract definition
  std::map<int, std::array<int, kLevels>> counters_;
};
