// Breaking text blocks into numbered lines, one step of the line at a time: the start of a
// line, runs of ordinary characters, codes, single characters, the break and the hand-out.
#include "import/LineLayout.h"

#include <algorithm>
#include <cassert>

#include "import/Alphabet.h"
#include "import/TextBlock.h"
#include "import/TextFormat.h"
#include "import/UnicodeWords.h"

namespace {

constexpr size_t kCompactBytes = 32768;
// Bytes a line's text may reach through what takes no room (codes, hidden text) before the
// line is ended where it stands, so that no run of anything makes a line of any length.
constexpr size_t kMaxBuiltBytes = 4 * LineLayout::kMaxLineBytes;

// Columns of leading blanks (tabs to their stops), codes skipped.
int16_t leadingColumns(const std::string& text) {
  int col = 0;
  for (unsigned char c : text) {
    if (c == ' ') {
      ++col;
    } else if (c == textblock::kTab) {
      col = (col / textblock::kTabWidth + 1) * textblock::kTabWidth;
    } else if (c < 14 && c != textblock::kEscape && c != textblock::kHidden) {
      continue;  // attribute codes take no room
    } else {
      break;
    }
  }
  return static_cast<int16_t>(std::min(col, 32767));
}

}  // namespace

LineLayout::LineLayout(BlockSource source, int width, const Alphabet& alphabet, int32_t firstWord)
    : source_(std::move(source)), width_(std::max(width, 8)), alphabet_(alphabet), nextWord_(firstWord) {
  // UTF-8 text: the words of scripts written without blanks are marked off before layout.
  unicode_ = alphabet.isUnicode();
  if (unicode_) source_ = unicodewords::segmentingSource(std::move(source_));
  // The run loop's tables: in UTF-8 a byte from 0x80 on begins (or goes on with) a longer
  // character, which takeCharacter takes whole, so the run stops before it.
  const textformat::WordClasses& t = alphabet.wordClasses();
  for (int c = 0; c < 256; ++c) {
    const bool wide = unicode_ && c >= 0x80;
    runContinues_[c] = t.continues[c] && !wide;
    runStops_[c] = textblock::isCode(static_cast<unsigned char>(c)) || wide;
  }
}

void LineLayout::setHits(std::vector<int32_t> hits) {
  hits_ = std::move(hits);
  nextHit_ = 0;
}

bool LineLayout::fill() {
  if (sourceDone_) return false;
  size_t before = pending_.size();
  int n = source_(&pending_);
  if (n < 0) {
    sourceFailed_ = true;
    sourceDone_ = true;
    pending_.resize(before);
    return false;
  }
  if (n == 0 || pending_.size() == before) {
    sourceDone_ = true;
    return false;
  }
  return true;
}

// The line being laid out. Its text is the line's own buffer; the layout's members hold
// only what carries over from line to line.
struct LineLayout::Building {
  ScreenLine* line = nullptr;
  // The alphabet's word tables, taken once a line.
  const uint8_t* wordClass = nullptr;
  const bool* continues = nullptr;
  size_t pieceStart = 0;  // where the line's own text begins, after what it carries over
  size_t pos = 0;         // the next byte of pending_ to lay out
  int col = 0;
  bool hidden = false;
  bool inWord = false;
  int words = 0;
  bool startCut = false;  // the line begins with the rest of a word cut on the last one
  // The layout counts the words as it goes. The word finder has to run on the line only
  // where its count may differ (hidden text, escaped characters, codes the alphabet calls
  // letters, the piece of a cut word) or where the words' places are wanted (hits).
  bool irregular = false;
  // The last break point: the text's length just after it, where the next line starts
  // when the line breaks there, and the state there, put back then, since the text after
  // it is laid out again on the next line.
  size_t breakText = std::string::npos;
  size_t breakPos = 0;
  unsigned char breakAttributes = 0;
  int breakIndent = 0;
  bool breakHidden = false;
  int breakWords = 0;

  std::string& text() { return line->text; }
};

int LineLayout::nextLine(ScreenLine* line) {
  if (ended_) return sourceFailed_ ? -1 : 0;
  Building b = startLine(line);
  int result = 0;
  while (true) {
    if (b.pos >= pending_.size()) {
      compactWithin(b);
      if (!fill()) return endOfSource(b);
      continue;
    }
    if (b.text().size() >= kMaxBuiltBytes) {
      finishLine(b, b.text().size(), b.pos, 1, b.inWord, b.words);
      return 1;
    }
    unsigned char c = static_cast<unsigned char>(pending_[b.pos]);
    if (fastRuns_ && takeRun(b)) continue;
    if (textblock::isCode(c) && c != textblock::kEscape) {
      if (takeCode(b, c, &result)) return result;
    } else if (takeCharacter(b, c, &result)) {
      return result;
    }
  }
}

// The steps below are inline so that the compiler folds them back into nextLine's loop:
// as calls they cost about 8% of the rate at which documents become words
// (bench/WordBreakBench).

inline LineLayout::Building LineLayout::startLine(ScreenLine* line) {
  if (pos_ > kCompactBytes) {
    pending_.erase(0, pos_);
    pos_ = 0;
  }
  // A fresh line that keeps the text buffer of the last one, so lines do not allocate.
  std::string buffer = std::move(line->text);
  buffer.clear();
  *line = ScreenLine();
  line->text = std::move(buffer);
  Building b;
  b.line = line;
  b.wordClass = alphabet_.wordClasses().cls;
  b.continues = alphabet_.wordClasses().continues;
  // A line starts with the attributes still on and the paragraph's indentation.
  std::string& text = line->text;
  if (attributes_ & textblock::kAttrBold) text += static_cast<char>(textblock::kBold);
  if (attributes_ & textblock::kAttrItalic) text += static_cast<char>(textblock::kItalic);
  if (attributes_ & textblock::kAttrUnderline) text += static_cast<char>(textblock::kUnderline);
  if (hiddenOpen_) text += static_cast<char>(textblock::kHidden);
  // Indent codes stack, but never past the last tab stop of the line: a paragraph indented
  // deeper still has room for its text, and no line passes the byte limit.
  const int lastStop = (width_ - 1) / textblock::kTabWidth * textblock::kTabWidth;
  const int indentColumns = std::min(paragraphIndent_ * textblock::kTabWidth, lastStop);
  text.append(static_cast<size_t>(indentColumns), ' ');
  b.pieceStart = text.size();
  b.pos = pos_;
  b.col = indentColumns;
  b.hidden = hiddenOpen_;
  b.breakAttributes = attributes_;
  b.breakIndent = paragraphIndent_;
  b.breakHidden = b.hidden;
  b.startCut = previousCut_;
  b.irregular = hiddenOpen_ || b.startCut;
  for (unsigned char code : {textblock::kBold, textblock::kItalic, textblock::kUnderline, textblock::kTab})
    b.irregular = b.irregular || b.wordClass[code] == textformat::kWordChar;
  return b;
}

// A run of ordinary characters, the bulk of any text, in one tight loop that takes the same
// steps as takeCharacter. It stops at anything else (a code, hidden text, the width, the
// byte limit or the 81st word) and leaves that to the general steps. True when it took
// characters.
inline bool LineLayout::takeRun(Building& b) {
  const size_t runStart = b.pos;
  const size_t end = pending_.size();
  const unsigned char* data = reinterpret_cast<const unsigned char*>(pending_.data());
  if (b.hidden || textblock::isCode(data[runStart])) return false;
  const uint8_t* wordClass = b.wordClass;
  // These stop at every byte from 0x80 on in UTF-8: the run holds ASCII only.
  const bool* continues = runContinues_;
  const bool* stops = runStops_;
  const size_t textBytes = b.text().size();
  // Every character of the run takes one column and one byte, so a character other than
  // a blank still fits while fewer than `room` characters have been taken.
  const long roomColumns = static_cast<long>(width_) - b.col;
  const long roomBytes = static_cast<long>(kMaxLineBytes) - 2 - static_cast<long>(textBytes);
  const size_t room = static_cast<size_t>(std::max(0L, std::min(roomColumns, roomBytes)));
  size_t lastBlank = std::string::npos;  // just after the run's last blank
  int lastBlankWords = 0;                // the words before it
  // Locals of the loop's own, so that they stay in registers.
  size_t j = runStart;
  bool inW = b.inWord;
  int w = b.words;
  while (j < end) {
    if (inW) {
      // The rest of the word, in the tightest loop.
      const size_t stop = std::min(end, runStart + room);
      while (j < stop && continues[data[j]]) ++j;
      if (j >= stop) break;
      unsigned char ch = data[j];
      if (ch != ' ' && !stops[ch]) {
        inW = false;  // a character that ends the word without starting one
        ++j;
        continue;
      }
    }
    unsigned char ch = data[j];
    if (ch == ' ') {  // a blank is a break point and never breaks the line itself
      // Past the line's bytes a blank takes no room: takeCharacter drops it.
      if (textBytes + (j - runStart) + 3 > static_cast<size_t>(kMaxLineBytes)) break;
      ++j;
      inW = false;
      lastBlank = j;
      lastBlankWords = w;
      continue;
    }
    if (stops[ch] || j - runStart >= room) break;
    if (wordClass[ch] == textformat::kWordChar) {
      if (w >= textformat::kMaxWordsPerLine) break;
      ++w;
      inW = true;
    }
    ++j;
  }
  if (j == runStart) return false;
  b.pos = j;
  b.inWord = inW;
  b.words = w;
  b.col += static_cast<int>(j - runStart);
  b.text().append(pending_, runStart, j - runStart);
  if (lastBlank != std::string::npos) {
    // As markBreak() at the last blank; nothing else of the state changed in the run.
    b.breakWords = lastBlankWords;
    b.breakHidden = false;
    b.breakText = textBytes + (lastBlank - runStart);
    b.breakPos = lastBlank;
    b.breakAttributes = attributes_;
    b.breakIndent = paragraphIndent_;
  }
  return true;
}

// A formatting code (the escape aside, which takeCharacter reads with its character).
inline bool LineLayout::takeCode(Building& b, unsigned char c, int* result) {
  std::string& text = b.text();
  *result = 1;
  switch (c) {
    case textblock::kParagraphEnd:
      paragraphIndent_ = 0;
      finishLine(b, text.size(), b.pos + 1, 0, false, b.words);
      return true;
    case textblock::kLineBreak:
      finishLine(b, text.size(), b.pos + 1, 1, false, b.words);
      return true;
    case textblock::kPageEnd:
      paragraphIndent_ = 0;
      finishLine(b, text.size(), b.pos + 1, 0, false, b.words);
      b.line->lineFlags |= ScreenLine::kPageEnd;
      return true;
    case textblock::kDamaged:
    case textblock::kEnd:
      damaged_ = damaged_ || c == textblock::kDamaged;
      ended_ = true;
      finishLine(b, text.size(), pending_.size(), 0, false, b.words);
      *result = text.size() > b.pieceStart || b.line->wordCount ? 1 : 0;
      return true;
    case textblock::kCarriageReturn:
      ++b.pos;
      return false;
    case textblock::kWordBreak:
      if (!unicode_) break;
      b.inWord = false;
      text += static_cast<char>(c);
      ++b.pos;
      markBreak(b);  // a line may break between two words written without a blank
      return false;
    case textblock::kIndent:
      ++paragraphIndent_;
      if (text.size() == b.pieceStart && b.col + textblock::kTabWidth < width_) {
        text.append(textblock::kTabWidth, ' ');
        b.col += textblock::kTabWidth;
      }
      ++b.pos;
      return false;
    case textblock::kHidden:
      b.irregular = true;
      b.hidden = !b.hidden;
      break;
    case textblock::kBold:
    case textblock::kItalic:
    case textblock::kUnderline:
      attributes_ ^= c == textblock::kBold     ? textblock::kAttrBold
                     : c == textblock::kItalic ? textblock::kAttrItalic
                                               : textblock::kAttrUnderline;
      break;
    case textblock::kTab: {
      if (b.hidden) {
        text += static_cast<char>(c);
        ++b.pos;
        return false;
      }
      int stop = (b.col / textblock::kTabWidth + 1) * textblock::kTabWidth;
      b.inWord = false;
      if (stop > width_ && text.size() > b.pieceStart) {
        finishLine(b, text.size(), b.pos + 1, 1, false, b.words);
        return true;
      }
      text += static_cast<char>(c);
      b.col = stop;
      ++b.pos;
      markBreak(b);
      return false;
    }
    default:  // codes without meaning here: kept, no room
      b.irregular = b.irregular || b.wordClass[c] == textformat::kWordChar;
      break;
  }
  b.inWord = false;
  text += static_cast<char>(c);
  ++b.pos;
  return false;
}

// A character, or an escape and the character it makes one.
inline bool LineLayout::takeCharacter(Building& b, unsigned char c, int* result) {
  std::string& text = b.text();
  size_t charBytes = 1;
  unsigned char ch = c;
  const bool escaped = c == textblock::kEscape;
  if (escaped) {
    b.irregular = true;
    if (b.pos + 1 >= pending_.size() && !fill()) {
      ++b.pos;  // a lone escape at the end: dropped
      return false;
    }
    ch = static_cast<unsigned char>(pending_[b.pos + 1]);
    charBytes = 2;
    if (unicode_ && ch >= 0x80) {  // the escaped character is the whole UTF-8 sequence
      while (pending_.size() - b.pos < 5 && fill()) {
      }
      int n = 1;
      unicodewords::classAt(alphabet_, reinterpret_cast<const unsigned char*>(pending_.data()),
                            static_cast<int>(std::min(pending_.size(), b.pos + 5)), static_cast<int>(b.pos + 1), &n);
      charBytes = 1 + static_cast<size_t>(n);
    }
  }
  uint8_t cls = b.wordClass[ch];
  bool continues = b.continues[ch];
  if (unicode_ && !escaped && ch >= 0x80) {
    // A whole UTF-8 sequence is one character, of the class of its code point.
    while (pending_.size() - b.pos < 4 && fill()) {
    }
    int n = 1;
    cls = unicodewords::classAt(alphabet_, reinterpret_cast<const unsigned char*>(pending_.data()),
                                static_cast<int>(std::min(pending_.size(), b.pos + 4)), static_cast<int>(b.pos), &n);
    continues = cls != textformat::kSpaceChar;
    charBytes = static_cast<size_t>(n);
    b.irregular = true;
  }
  if (b.hidden) {
    text.append(pending_, b.pos, charBytes);
    b.pos += charBytes;
    return false;
  }
  if (ch == ' ') {  // an escaped blank too: one blank, and a break point
    b.pos += charBytes;
    b.inWord = false;
    if (text.size() + 3 > static_cast<size_t>(kMaxLineBytes)) {
      // The line's bytes are used up: blanks still are break points but hang at its end
      // in no room, so a run of blanks of any length costs nothing.
      while (b.pos < pending_.size() && pending_[b.pos] == ' ') ++b.pos;
    } else {
      text += ' ';
      ++b.col;
    }
    markBreak(b);
    return false;
  }
  const bool startsWord = !escaped && cls == textformat::kWordChar && !b.inWord;
  b.inWord = !escaped && (startsWord || (b.inWord && continues));
  *result = 1;
  if (startsWord && b.words >= textformat::kMaxWordsPerLine) {
    // The line has its 80 words: this word begins the next line.
    finishLine(b, text.size(), b.pos, 1, false, b.words);
    return true;
  }
  const bool full = b.col >= width_ || text.size() + charBytes + 2 > static_cast<size_t>(kMaxLineBytes);
  if (full && text.size() > b.pieceStart) {
    breakLine(b);
    return true;
  }
  if (startsWord) ++b.words;
  text.append(pending_, b.pos, charBytes);
  ++b.col;
  b.pos += charBytes;
  return false;
}

// The document ends (or its source failed) without a final paragraph end.
inline int LineLayout::endOfSource(Building& b) {
  ended_ = true;
  bool empty = b.text().size() == b.pieceStart && b.pos == pos_;
  finishLine(b, b.text().size(), b.pos, 0, false, b.words);
  if (empty) return sourceFailed_ ? -1 : 0;
  return 1;
}

// A full line: broken at its last break point, or cut inside a word when it has none.
inline void LineLayout::breakLine(Building& b) {
  if (b.breakText == std::string::npos) {
    finishLine(b, b.text().size(), b.pos, 1, true, b.words);
    return;
  }
  attributes_ = b.breakAttributes;
  paragraphIndent_ = b.breakIndent;
  b.hidden = b.breakHidden;
  finishLine(b, b.breakText, b.breakPos, 1, false, b.breakWords);
}

// A line that goes on and on (blanks past its room) has laid out the text before its last
// break point for good: that is dropped from pending_, so the buffer stays small.
inline void LineLayout::compactWithin(Building& b) {
  if (b.breakText == std::string::npos || b.breakPos < kCompactBytes) return;
  const size_t drop = b.breakPos;
  bytesRead_ += static_cast<int64_t>(drop - pos_);
  pending_.erase(0, drop);
  b.pos -= drop;
  b.breakPos = 0;
  pos_ = 0;
}

inline void LineLayout::markBreak(Building& b) const {
  b.breakWords = b.words;
  b.breakHidden = b.hidden;
  b.breakText = b.text().size();
  b.breakPos = b.pos;
  b.breakAttributes = attributes_;
  b.breakIndent = paragraphIndent_;
}

// Hands the line out: its text cut to `textEnd`, the next line to start at `resume`, its
// words numbered (`wordsBefore` of them counted while laying it out).
inline void LineLayout::finishLine(Building& b, size_t textEnd, size_t resume, uint8_t continuation, bool cut,
                            int wordsBefore) {
  ScreenLine* line = b.line;
  line->text.resize(textEnd);
  bytesRead_ += static_cast<int64_t>(resume - pos_);
  pos_ = resume;
  hiddenOpen_ = b.hidden;
  line->continuation = continuation;
  line->cutInWord = cut;
  previousCut_ = cut;
  if (continuation && !cut) swallowBlanks();
  numberWords(b, wordsBefore);
  line->indent = leadingColumns(line->text);
}

// A soft break swallows the blanks that follow it.
inline void LineLayout::swallowBlanks() {
  while (true) {
    if (pos_ >= pending_.size()) {
      if (pos_ > kCompactBytes) {
        pending_.clear();
        pos_ = 0;
      }
      if (!fill()) break;
    }
    if (pending_[pos_] != ' ') break;
    ++pos_;
    ++bytesRead_;
  }
}

// Numbers the line's words; the piece of a word cut on the previous line is not one.
inline void LineLayout::numberWords(Building& b, int wordsBefore) {
  ScreenLine* line = b.line;
  const auto* text = reinterpret_cast<const unsigned char*>(line->text.data());
  const int textBytes = static_cast<int>(line->text.size());
  textformat::WordSpan spans[textformat::kMaxWordsPerLine];
  const bool needSpans = b.irregular || nextHit_ < hits_.size();
  int n = wordsBefore;
  if (needSpans) n = textformat::findWords(alphabet_, text, textBytes, spans);
  assert(needSpans || n == textformat::findWords(alphabet_, text, textBytes, spans));
  int first = (b.startCut && n > 0 && static_cast<size_t>(spans[0].start) == b.pieceStart) ? 1 : 0;
  line->firstWord = nextWord_;
  line->wordCount = static_cast<int16_t>(n - first);
  std::vector<std::pair<int, int>> hitSpans;
  for (int k = first; needSpans && k < n; ++k) {
    int32_t number = nextWord_ + (k - first);
    while (nextHit_ < hits_.size() && hits_[nextHit_] < number) ++nextHit_;
    if (nextHit_ < hits_.size() && hits_[nextHit_] == number)
      hitSpans.emplace_back(spans[k].start, spans[k].length);
  }
  nextWord_ += n - first;
  if (!hitSpans.empty()) markHits(line, hitSpans);
}

void LineLayout::markHits(ScreenLine* line, const std::vector<std::pair<int, int>>& spans) {
  line->lineFlags |= ScreenLine::kHasHit;
  // From the last span back, so that earlier offsets stay valid.
  for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
    size_t start = static_cast<size_t>(it->first);
    size_t end = start + static_cast<size_t>(it->second);
    line->text.insert(end, 1, static_cast<char>(textblock::kHitMark));
    line->text.insert(start, 1, static_cast<char>(textblock::kHitMark));
  }
}
