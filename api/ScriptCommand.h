// One command of a job script split into words: the words (a double-quoted stretch is one
// word, without its quotes), where each word stands in the command's text, and each word's
// keyword code. Words are separated by blanks, "=", tabs, carriage returns, line feeds and
// form feeds, so "SET A = B" and "set a=b" are the same command. Depends on nothing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace script {

// The words a script understands. Words with the same meaning share a code.
enum class Keyword {
  kNone = 0,
  // commands
  kSet, kAdd, kCompress, kCreate, kRemoveDeleted, kRemoveListed, kSearch, kUnindexedSearch,
  kSystem, kList, kTest, kWindow, kQuit, kVerify, kOption, kReport, kComment,
  // the first line
  kLexaurum, kScript,
  // names of settings
  kIndexName, kIndexPath, kDocPath, kFilter, kExclude, kLib, kRequest, kIndexes, kResults,
  kListing, kDetail, kSort, kHeader, kAppend, kTime, kArchive,
  // options and values
  kCase, kAccent, kYes, kNo, kHits, kDate, kName, kNoSort, kAscending, kDescending,
  kFiles, kInfo, kWords, kMem, kText, kEnv, kCancelled, kCount, kMatch,
  kMax, kMin, kNormal, kHide,
};

// The code of `word`, compared without regard to letter case; kNone when it is no keyword.
Keyword keywordOf(const std::string& word);

struct CommandWord {
  std::string text;
  Keyword keyword = Keyword::kNone;
  size_t begin = 0;  // where the word starts in the command's text (its opening quote)
  size_t end = 0;    // one past its last character (past the closing quote)
};

class ScriptCommand {
 public:
  static constexpr size_t kMaxWords = 1000;

  // Splits `text`; words past kMaxWords are dropped (wordsDropped() tells).
  explicit ScriptCommand(std::string text);

  const std::string& text() const { return text_; }
  size_t size() const { return words_.size(); }
  bool empty() const { return words_.empty(); }
  const CommandWord& operator[](size_t i) const { return words_[i]; }
  // The keyword of word i, kNone past the end.
  Keyword keyword(size_t i) const;
  // The text of word i, "" past the end.
  const std::string& word(size_t i) const;
  bool wordsDropped() const { return dropped_; }
  // True when word i, or a later one, has the keyword.
  bool has(Keyword keyword, size_t from = 0) const;

  // The command's text after word i: blanks and "=" that follow it skipped, trailing blanks
  // trimmed, and the quotes taken off when the rest is one double-quoted word. "" when
  // nothing follows.
  std::string restAfter(size_t i) const;

 private:
  std::string text_;
  std::vector<CommandWord> words_;
  bool dropped_ = false;
};

}  // namespace script
