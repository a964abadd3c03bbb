// Breaking text blocks into numbered lines.
#include "import/LineLayout.h"

#include <algorithm>
#include <cassert>

#include "import/Alphabet.h"
#include "import/TextBlock.h"
#include "import/TextFormat.h"

namespace {

constexpr size_t kCompactBytes = 32768;

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
    : source_(std::move(source)), width_(std::max(width, 8)), alphabet_(alphabet), nextWord_(firstWord) {}

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

int LineLayout::nextLine(ScreenLine* line) {
  if (ended_) return sourceFailed_ ? -1 : 0;
  if (pos_ > kCompactBytes) {
    pending_.erase(0, pos_);
    pos_ = 0;
  }
  // A fresh line that keeps the text buffer of the last one, so lines do not allocate.
  std::string buffer = std::move(line->text);
  buffer.clear();
  *line = ScreenLine();
  line->text = std::move(buffer);
  std::string& text = line->text;
  const uint8_t* wordClass = alphabet_.wordClasses().cls;
  const bool* continues = alphabet_.wordClasses().continues;
  // A line starts with the attributes still on and the paragraph's indentation.
  if (attributes_ & textblock::kAttrBold) text += static_cast<char>(textblock::kBold);
  if (attributes_ & textblock::kAttrItalic) text += static_cast<char>(textblock::kItalic);
  if (attributes_ & textblock::kAttrUnderline) text += static_cast<char>(textblock::kUnderline);
  if (hiddenOpen_) text += static_cast<char>(textblock::kHidden);
  text.append(static_cast<size_t>(paragraphIndent_ * textblock::kTabWidth), ' ');
  const size_t pieceStart = text.size();
  int col = paragraphIndent_ * textblock::kTabWidth;
  bool hidden = hiddenOpen_;
  bool inWord = false;
  int words = 0;
  size_t i = pos_;
  size_t breakText = std::string::npos;  // text length just after the last break point
  size_t breakPos = 0;                   // where the next line starts when breaking there
  // The state at the break point, put back when the line breaks there, since the text after
  // it is laid out again on the next line.
  unsigned char breakAttributes = attributes_;
  int breakIndent = paragraphIndent_;
  bool breakHidden = hidden;
  int breakWords = 0;
  auto markBreak = [&] {
    breakWords = words;
    breakHidden = hidden;
    breakText = text.size();
    breakPos = i;
    breakAttributes = attributes_;
    breakIndent = paragraphIndent_;
  };
  const bool startCut = previousCut_;
  // The layout counts the words as it goes. The word finder has to run on the line only
  // where its count may differ (hidden text, escaped characters, codes the alphabet calls
  // letters, the piece of a cut word) or where the words' places are wanted (hits).
  bool irregular = hiddenOpen_ || startCut;
  for (unsigned char code : {textblock::kBold, textblock::kItalic, textblock::kUnderline, textblock::kTab})
    irregular = irregular || wordClass[code] == textformat::kWordChar;

  auto emit = [&](size_t textEnd, size_t resume, uint8_t continuation, bool cut, int wordsBefore) {
    text.resize(textEnd);
    bytesRead_ += static_cast<int64_t>(resume - pos_);
    pos_ = resume;
    hiddenOpen_ = hidden;
    line->continuation = continuation;
    line->cutInWord = cut;
    previousCut_ = cut;
    // A soft break swallows the blanks that follow it.
    if (continuation && !cut) {
      while (true) {
        if (pos_ >= pending_.size() && !fill()) break;
        if (pending_[pos_] != ' ') break;
        ++pos_;
        ++bytesRead_;
      }
    }
    // Number the words; the piece of a word cut on the previous line is not one.
    textformat::WordSpan spans[textformat::kMaxWordsPerLine];
    const bool needSpans = irregular || nextHit_ < hits_.size();
    int n = wordsBefore;
    if (needSpans)
      n = textformat::findWords(alphabet_, reinterpret_cast<const unsigned char*>(text.data()),
                                static_cast<int>(text.size()), spans);
    assert(needSpans || n == textformat::findWords(alphabet_, reinterpret_cast<const unsigned char*>(text.data()),
                                                   static_cast<int>(text.size()), spans));
    int first = (startCut && n > 0 && static_cast<size_t>(spans[0].start) == pieceStart) ? 1 : 0;
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
    line->indent = leadingColumns(text);
  };

  while (true) {
    if (i >= pending_.size()) {
      if (!fill()) {
        // The document ends (or its source failed) without a final paragraph end.
        ended_ = true;
        bool empty = text.size() == pieceStart && i == pos_;
        emit(text.size(), i, 0, false, words);
        if (empty) return sourceFailed_ ? -1 : 0;
        return 1;
      }
      continue;
    }
    unsigned char c = static_cast<unsigned char>(pending_[i]);
    // A run of ordinary characters, the bulk of any text, goes through one tight loop that
    // takes the same steps as the general path below. That path takes over at anything else:
    // a code, a blank, hidden text, the width, the byte limit or the 81st word.
    if (!hidden && c >= 14 && c != textblock::kDamaged && c != textblock::kEnd) {
      const size_t runStart = i;
      const size_t end = pending_.size();
      const size_t textBytes = text.size();
      const unsigned char* data = reinterpret_cast<const unsigned char*>(pending_.data());
      // Every character of the run takes one column and one byte, so a character other than
      // a blank still fits while fewer than `room` characters have been taken.
      const long roomColumns = static_cast<long>(width_) - col;
      const long roomBytes = static_cast<long>(kMaxLineBytes) - 2 - static_cast<long>(textBytes);
      const size_t room = static_cast<size_t>(std::max(0L, std::min(roomColumns, roomBytes)));
      size_t lastBlank = std::string::npos;  // just after the run's last blank
      int lastBlankWords = 0;                // the words before it
      // Locals of the loop's own, so that they stay in registers (the lambdas above hold
      // references to the line's state).
      size_t j = i;
      bool inW = inWord;
      int w = words;
      while (j < end) {
        if (inW) {
          // The rest of the word, in the tightest loop.
          const size_t stop = std::min(end, runStart + room);
          while (j < stop && continues[data[j]]) ++j;
          if (j >= stop) break;
          unsigned char ch = data[j];
          if (ch != ' ' && ch >= 14 && ch != textblock::kDamaged && ch != textblock::kEnd) {
            inW = false;  // a character that ends the word without starting one
            ++j;
            continue;
          }
        }
        unsigned char ch = data[j];
        if (ch == ' ') {  // a blank is a break point and never breaks the line itself
          ++j;
          inW = false;
          lastBlank = j;
          lastBlankWords = w;
          continue;
        }
        if (ch < 14 || ch == textblock::kDamaged || ch == textblock::kEnd || j - runStart >= room) break;
        if (wordClass[ch] == textformat::kWordChar) {
          if (w >= textformat::kMaxWordsPerLine) break;
          ++w;
          inW = true;
        }
        ++j;
      }
      i = j;
      inWord = inW;
      words = w;
      col += static_cast<int>(i - runStart);
      if (i > runStart) {
        text.append(pending_, runStart, i - runStart);
        if (lastBlank != std::string::npos) {
          // As markBreak() at the last blank; nothing else of the state changed in the run.
          breakWords = lastBlankWords;
          breakHidden = false;
          breakText = textBytes + (lastBlank - runStart);
          breakPos = lastBlank;
          breakAttributes = attributes_;
          breakIndent = paragraphIndent_;
        }
        continue;
      }
    }
    bool breakNow = false;
    switch (c) {
      case textblock::kParagraphEnd:
        paragraphIndent_ = 0;
        emit(text.size(), i + 1, 0, false, words);
        return 1;
      case textblock::kLineBreak:
        emit(text.size(), i + 1, 1, false, words);
        return 1;
      case textblock::kPageEnd:
        paragraphIndent_ = 0;
        emit(text.size(), i + 1, 0, false, words);
        line->lineFlags |= ScreenLine::kPageEnd;
        return 1;
      case textblock::kDamaged:
      case textblock::kEnd:
        damaged_ = damaged_ || c == textblock::kDamaged;
        ended_ = true;
        emit(text.size(), pending_.size(), 0, false, words);
        return text.size() > pieceStart || line->wordCount ? 1 : 0;
      case textblock::kCarriageReturn:
        ++i;
        continue;
      case textblock::kIndent:
        ++paragraphIndent_;
        if (text.size() == pieceStart && col + textblock::kTabWidth < width_) {
          text.append(textblock::kTabWidth, ' ');
          col += textblock::kTabWidth;
        }
        ++i;
        continue;
      case textblock::kHidden:
        irregular = true;
        hidden = !hidden;
        inWord = false;
        text += static_cast<char>(c);
        ++i;
        continue;
      case textblock::kBold:
      case textblock::kItalic:
      case textblock::kUnderline:
        attributes_ ^= c == textblock::kBold     ? textblock::kAttrBold
                       : c == textblock::kItalic ? textblock::kAttrItalic
                                                 : textblock::kAttrUnderline;
        inWord = false;
        text += static_cast<char>(c);
        ++i;
        continue;
      case textblock::kTab: {
        if (hidden) {
          text += static_cast<char>(c);
          ++i;
          continue;
        }
        int stop = (col / textblock::kTabWidth + 1) * textblock::kTabWidth;
        inWord = false;
        if (stop > width_ && text.size() > pieceStart) {
          emit(text.size(), i + 1, 1, false, words);
          return 1;
        }
        text += static_cast<char>(c);
        col = stop;
        ++i;
        markBreak();
        continue;
      }
      default:
        break;
    }
    if (c < 14 && c != textblock::kEscape) {  // codes without meaning here: kept, no room
      irregular = irregular || wordClass[c] == textformat::kWordChar;
      inWord = false;
      text += static_cast<char>(c);
      ++i;
      continue;
    }
    // A character (possibly escaped).
    size_t charBytes = 1;
    unsigned char ch = c;
    if (c == textblock::kEscape) {
      irregular = true;
      if (i + 1 >= pending_.size() && !fill()) {
        ++i;  // a lone escape at the end: dropped
        continue;
      }
      ch = static_cast<unsigned char>(pending_[i + 1]);
      charBytes = 2;
    }
    if (hidden) {
      text.append(pending_, i, charBytes);
      i += charBytes;
      continue;
    }
    if (ch == ' ') {
      text += ' ';
      ++col;
      ++i;
      inWord = false;
      markBreak();
      continue;
    }
    bool startsWord = c != textblock::kEscape && wordClass[ch] == textformat::kWordChar &&
                      !inWord;
    if (c == textblock::kEscape)
      inWord = false;
    else
      inWord = startsWord || (inWord && continues[ch]);
    if (col >= width_ || text.size() + charBytes + 2 > static_cast<size_t>(kMaxLineBytes))
      breakNow = true;
    if (startsWord && words >= textformat::kMaxWordsPerLine) {
      // The line has its 80 words: this word begins the next line.
      emit(text.size(), i, 1, false, words);
      return 1;
    }
    if (breakNow && text.size() > pieceStart) {
      if (breakText != std::string::npos) {
        attributes_ = breakAttributes;
        paragraphIndent_ = breakIndent;
        hidden = breakHidden;
        emit(breakText, breakPos, 1, false, breakWords);
      } else {
        emit(text.size(), i, 1, true, words);
      }
      return 1;
    }
    if (startsWord) ++words;
    text.append(pending_, i, charBytes);
    ++col;
    i += charBytes;
  }
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
