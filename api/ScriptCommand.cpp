// Splitting a script command into words and recognising its keywords.
#include "api/ScriptCommand.h"

#include <cctype>
#include <map>

namespace script {

namespace {

bool isSeparator(char c) {
  return c == ' ' || c == '=' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

const std::map<std::string, Keyword>& keywordTable() {
  static const std::map<std::string, Keyword>* table = new std::map<std::string, Keyword>{
      {"SET", Keyword::kSet},
      {"ADD", Keyword::kAdd},
      {"COMPRESS", Keyword::kCompress},
      {"CREATE", Keyword::kCreate},
      {"REMOVEDELETED", Keyword::kRemoveDeleted},
      {"REMOVELISTED", Keyword::kRemoveListed},
      {"SEARCH", Keyword::kSearch},
      {"UNINDEXEDSEARCH", Keyword::kUnindexedSearch},
      {"SYSTEM", Keyword::kSystem},
      {"LIST", Keyword::kList},
      {"TEST", Keyword::kTest},
      {"WINDOW", Keyword::kWindow},
      {"QUIT", Keyword::kQuit},
      {"VERIFY", Keyword::kVerify},
      {"OPTION", Keyword::kOption},
      {"REPORT", Keyword::kReport},
      {"*", Keyword::kComment},
      {"LEXAURUM", Keyword::kLexaurum},
      {"SCRIPT", Keyword::kScript},
      {"INDEXNAME", Keyword::kIndexName},
      {"INDEXPATH", Keyword::kIndexPath},
      {"DOCPATH", Keyword::kDocPath},
      {"FILTER", Keyword::kFilter},
      {"FILTERS", Keyword::kFilter},
      {"INCLUDE", Keyword::kFilter},
      {"EXCLUDE", Keyword::kExclude},
      {"LIB", Keyword::kLib},
      {"REQUEST", Keyword::kRequest},
      {"INDEXES", Keyword::kIndexes},
      {"RESULTS", Keyword::kResults},
      {"LISTING", Keyword::kListing},
      {"DETAIL", Keyword::kDetail},
      {"SORT", Keyword::kSort},
      {"HEADER", Keyword::kHeader},
      {"APPEND", Keyword::kAppend},
      {"TIME", Keyword::kTime},
      {"ARCHIVE", Keyword::kArchive},
      {"CASE", Keyword::kCase},
      {"ACCENT", Keyword::kAccent},
      {"YES", Keyword::kYes},
      {"ON", Keyword::kYes},
      {"NO", Keyword::kNo},
      {"OFF", Keyword::kNo},
      {"HITS", Keyword::kHits},
      {"DATE", Keyword::kDate},
      {"NAME", Keyword::kName},
      {"NONE", Keyword::kNoSort},
      {"ASCENDING", Keyword::kAscending},
      {"DESCENDING", Keyword::kDescending},
      {"FILES", Keyword::kFiles},
      {"INFO", Keyword::kInfo},
      {"WORD", Keyword::kWords},
      {"WORDS", Keyword::kWords},
      {"MEM", Keyword::kMem},
      {"TEXT", Keyword::kText},
      {"ENV", Keyword::kEnv},
      {"CANCELLED", Keyword::kCancelled},
      {"COUNT", Keyword::kCount},
      {"MATCH", Keyword::kMatch},
      {"MAX", Keyword::kMax},
      {"MIN", Keyword::kMin},
      {"NORMAL", Keyword::kNormal},
      {"HIDE", Keyword::kHide},
  };
  return *table;
}

}  // namespace

Keyword keywordOf(const std::string& word) {
  if (word.size() > 16) return Keyword::kNone;
  std::string upper;
  for (char c : word) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto it = keywordTable().find(upper);
  return it == keywordTable().end() ? Keyword::kNone : it->second;
}

ScriptCommand::ScriptCommand(std::string text) : text_(std::move(text)) {
  size_t i = 0;
  const size_t n = text_.size();
  while (i < n) {
    while (i < n && isSeparator(text_[i])) ++i;
    if (i >= n) break;
    CommandWord w;
    w.begin = i;
    if (text_[i] == '"') {
      size_t close = text_.find('"', i + 1);
      // An unterminated quote takes the rest of the command.
      size_t stop = close == std::string::npos ? n : close;
      w.text = text_.substr(i + 1, stop - i - 1);
      i = close == std::string::npos ? n : close + 1;
    } else {
      while (i < n && !isSeparator(text_[i])) ++i;
      w.text = text_.substr(w.begin, i - w.begin);
    }
    w.end = i;
    if (words_.size() == kMaxWords) {
      dropped_ = true;
      break;
    }
    w.keyword = keywordOf(w.text);
    words_.push_back(std::move(w));
  }
}

Keyword ScriptCommand::keyword(size_t i) const {
  return i < words_.size() ? words_[i].keyword : Keyword::kNone;
}

const std::string& ScriptCommand::word(size_t i) const {
  static const std::string* empty = new std::string;
  return i < words_.size() ? words_[i].text : *empty;
}

bool ScriptCommand::has(Keyword keyword, size_t from) const {
  for (size_t i = from; i < words_.size(); ++i)
    if (words_[i].keyword == keyword) return true;
  return false;
}

std::string ScriptCommand::restAfter(size_t i) const {
  if (i + 1 >= words_.size()) return "";
  size_t from = words_[i].end;
  while (from < text_.size() && isSeparator(text_[from])) ++from;
  size_t to = text_.size();
  while (to > from && isBlank(text_[to - 1])) --to;
  std::string rest = text_.substr(from, to - from);
  // One quoted word: its text without the quotes.
  if (words_[i + 1].begin == from && words_[i + 1].end == to && text_[from] == '"')
    return words_[i + 1].text;
  return rest;
}

}  // namespace script
