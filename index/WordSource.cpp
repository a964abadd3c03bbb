#include "index/WordSource.h"

#include "import/Alphabet.h"
#include "import/LineLayout.h"
#include "import/UnicodeText.h"
#include "index/MergeFormat.h"
#include "objects/ErrorLog.h"

WordSource::WordSource(const ViewerTable& table, const Alphabet& alphabet, int maxWordLength)
    : alphabet_(alphabet), doc_(table, &alphabet), maxWordLength_(maxWordLength) {}

WordSource::~WordSource() { close(); }

int WordSource::open(const std::string& name) {
  close();
  ended_ = false;
  failed_ = false;
  spanCount_ = spanNext_ = 0;
  lastNumber_ = 0;
  if (doc_.open(name) < 0) return -1;
  if (alphabet_.hyphenMode() == 1)
    hyphens_ = std::make_unique<HyphenWords>([this](std::string* w, long* n) { return fetch(w, n); }, alphabet_);
  return 0;
}

void WordSource::close() {
  hyphens_.reset();
  if (doc_.isOpen()) doc_.close();
}

std::string WordSource::typeName() const {
  const ViewerEntry* f = doc_.format();
  if (!f || !f->info.name[0]) return "Unknown";
  return f->info.name;
}

bool WordSource::nextLine() {
  while (!ended_) {
    int rc = doc_.nextLine(&line_, LineLayout::kMaxLineBytes);
    if (rc != 1) {
      ended_ = true;
      failed_ = rc < 0;
      return false;
    }
    const auto* text = reinterpret_cast<const unsigned char*>(line_.text.data());
    int n = textformat::findWords(alphabet_, text, static_cast<int>(line_.text.size()), spans_);
    // A piece of a word cut at the end of the previous line opens this one: it has no
    // number of its own.
    int first = n - line_.wordCount;
    if (first < 0 || first > 1) first = 0;
    spanCount_ = n;
    spanNext_ = first;
    spanNumber_ = line_.firstWord;
    if (spanNext_ < spanCount_) return true;
  }
  return false;
}

bool WordSource::fetch(std::string* word, long* number) {
  if (spanNext_ >= spanCount_ && !nextLine()) return false;
  const auto* text = reinterpret_cast<const unsigned char*>(line_.text.data());
  *word = textformat::wordText(alphabet_, text, spans_[spanNext_], maxWordLength_);
  *number = spanNumber_;
  ++spanNext_;
  ++spanNumber_;
  // A Unicode word can fold to nothing (marks that normalisation drops): it keeps its number
  // and is passed over, as a noise word is.
  while (word->empty() && alphabet_.isUnicode()) {
    if (spanNext_ >= spanCount_ && !nextLine()) return false;
    text = reinterpret_cast<const unsigned char*>(line_.text.data());
    *word = textformat::wordText(alphabet_, text, spans_[spanNext_], maxWordLength_);
    *number = spanNumber_;
    ++spanNext_;
    ++spanNumber_;
  }
  if (word->empty()) {
    errorlog::append("Error -- null word " + std::to_string(*number) + " in file " + doc_.name());
    ended_ = true;
    spanCount_ = spanNext_ = 0;
    return false;
  }
  return true;
}

bool WordSource::next(std::string* word, int32_t* number) {
  long n = 0;
  bool got = hyphens_ ? hyphens_->next(word, &n) : fetch(word, &n);
  if (!got) return false;
  if (alphabet_.isUnicode()) {  // characters, not bytes; the joined forms of hyphens included
    if (word->size() > static_cast<size_t>(std::min(maxWordLength_, mergeformat::kMaxIndexWordLen)))
      unicodetext::cutToChars(word, static_cast<size_t>(maxWordLength_), mergeformat::kMaxIndexWordLen);
  } else if (word->size() > static_cast<size_t>(maxWordLength_))
    word->resize(static_cast<size_t>(maxWordLength_));
  *number = static_cast<int32_t>(n);
  lastNumber_ = *number;
  return true;
}
