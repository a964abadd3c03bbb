// The document text reader: the line file, the ring, word and hit navigation, copy out.
#include "import/FileReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "import/TextBlock.h"
#include "io/FileMode.h"
#include "io/IOFile.h"
#include "io/WholeFile.h"
#include "objects/ByteCodec.h"
#include "objects/Trace.h"

namespace {

constexpr int32_t kRecordHeadBytes = 4 + 2 + 2 + 1 + 1 + 1 + 2;
constexpr int32_t kMaxStoredText = FileReader::kLineRecordBytes - kRecordHeadBytes;

void encode(const ScreenLine& l, char* rec) {
  std::memset(rec, 0, FileReader::kLineRecordBytes);
  bytecodec::storeI32(rec, l.firstWord);
  bytecodec::storeI16(rec + 4, l.wordCount);
  bytecodec::storeI16(rec + 6, l.indent);
  rec[8] = static_cast<char>(l.lineFlags);
  rec[9] = static_cast<char>(l.continuation);
  rec[10] = l.cutInWord ? 1 : 0;
  int32_t n = std::min<int32_t>(static_cast<int32_t>(l.text.size()), kMaxStoredText);
  bytecodec::storeU16(rec + 11, static_cast<uint16_t>(n));
  std::memcpy(rec + kRecordHeadBytes, l.text.data(), static_cast<size_t>(n));
}

void decode(const char* rec, ScreenLine* l) {
  l->firstWord = bytecodec::loadI32(rec);
  l->wordCount = bytecodec::loadI16(rec + 4);
  l->indent = bytecodec::loadI16(rec + 6);
  l->lineFlags = static_cast<uint8_t>(rec[8]);
  l->continuation = static_cast<uint8_t>(rec[9]);
  l->cutInWord = rec[10] != 0;
  int32_t n = std::min<int32_t>(static_cast<int32_t>(bytecodec::loadU16(rec + 11)), kMaxStoredText);
  l->text.assign(rec + kRecordHeadBytes, static_cast<size_t>(n));
}

// A line's shown text in RTF: attributes as control words, the RTF specials and characters
// above 127 escaped.
std::string rtfText(const std::string& text, size_t skipBlanks) {
  std::string out;
  bool bold = false, italic = false, underline = false;
  // An attribute code opens a group when the attribute goes on and closes it when it goes
  // off; whatever is still open at the line's end is closed there.
  auto toggle = [&out](bool* on, const char* word) {
    out += *on ? "}" : std::string("{") + word + " ";
    *on = !*on;
  };
  textblock::walkShown(
      text,
      [&](unsigned char c) {
        if (c == ' ' && skipBlanks > 0) {
          --skipBlanks;
          return;
        }
        skipBlanks = 0;
        if (c == '\\' || c == '{' || c == '}') {
          out += '\\';
          out += static_cast<char>(c);
        } else if (c > 127) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\'%02x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
      },
      [&](unsigned char c) {
        if (c == textblock::kBold) toggle(&bold, "\\b");
        else if (c == textblock::kItalic) toggle(&italic, "\\i");
        else if (c == textblock::kUnderline) toggle(&underline, "\\ul");
        else if (c == textblock::kTab) out += "\\tab ";
      });
  out.append(static_cast<size_t>(bold + italic + underline), '}');
  return out;
}

}  // namespace

const ImportMap::Entry* ImportMap::find(int32_t n) const {
  int i = indexOf(n);
  return i < 0 ? nullptr : &entries[static_cast<size_t>(i)];
}

int ImportMap::indexOf(int32_t n) const {
  auto it = std::upper_bound(entries.begin(), entries.end(), n,
                             [](int32_t word, const Entry& e) { return word < e.firstWord; });
  if (it == entries.begin()) return -1;
  return static_cast<int>(it - entries.begin()) - 1;
}

FileReader::FileReader(LineSource* source, std::string lineFile, int ringSize,
                       std::string documentName)
    : source_(source),
      lineFileName_(std::move(lineFile)),
      documentName_(std::move(documentName)),
      ringSize_(std::max(ringSize, 3)) {
  ring_.resize(static_cast<size_t>(ringSize_));
  ringLineNo_.assign(static_cast<size_t>(ringSize_), -1);
}

FileReader::~FileReader() {
  if (lineFile_) {
    lineFile_->close();
    lineFile_.reset();
    platform::removeFile(lineFileName_.c_str());
  }
}

int FileReader::start() {
  if (!lineFileName_.empty()) {
    lineFile_ = std::make_unique<IOFile>(kLineRecordBytes * 8);
    if (lineFile_->open(lineFileName_.c_str(), filemode::kRead | filemode::kWrite | filemode::kCreate |
                                                   filemode::kTruncate | filemode::kFresh) < 0) {
      lineFile_.reset();
      return -1;
    }
  }
  topLineNo_ = cursorLineNo_ = lineCount_ = 0;
  nextWord_ = blockStartWord_ = 1;
  blockPosition_ = 0;
  atEnd_ = false;
  ringLineNo_.assign(static_cast<size_t>(ringSize_), -1);
  readNewLine();  // an empty document has no line 0
  status_ |= kTextChanged;
  return 0;
}

int FileReader::storeLine(const ScreenLine& l) {
  if (!lineFile_) {
    if (static_cast<int32_t>(memoryLines_.size()) != lineCount_) {
      trace::text("ERROR FileReadBuffer: incorrect line sequence");
      return -1;
    }
    memoryLines_.push_back(l);
    return 0;
  }
  if (lineFile_->getLength() != lineCount_ * kLineRecordBytes) {
    trace::text("ERROR FileReadBuffer: incorrect line sequence");
    return -1;
  }
  char rec[kLineRecordBytes];
  encode(l, rec);
  if (lineFile_->seek(lineCount_ * kLineRecordBytes) < 0) return -1;
  return lineFile_->write(rec, kLineRecordBytes) == kLineRecordBytes ? 0 : -1;
}

int FileReader::fetch(int32_t lineNo, ScreenLine* out) {
  if (lineNo < 0 || lineNo >= lineCount_) return -1;
  size_t slot = static_cast<size_t>(lineNo % ringSize_);
  if (ringLineNo_[slot] == lineNo) {
    *out = ring_[slot];
    return 0;
  }
  if (!lineFile_) {
    *out = memoryLines_[static_cast<size_t>(lineNo)];
    return 0;
  }
  char rec[kLineRecordBytes];
  if (lineFile_->seek(lineNo * kLineRecordBytes) < 0 ||
      lineFile_->read(rec, kLineRecordBytes) != kLineRecordBytes)
    return -1;
  decode(rec, out);
  return 0;
}

int FileReader::readNewLine() {
  if (atEnd_) return -1;
  ScreenLine l;
  if (source_->nextLine(&l) != 1) {
    atEnd_ = true;
    return -1;
  }
  if (storeLine(l) < 0) return -1;
  int32_t lineNo = lineCount_++;
  size_t slot = static_cast<size_t>(lineNo % ringSize_);
  ring_[slot] = l;
  ringLineNo_[slot] = lineNo;
  nextWord_ = l.firstWord + l.wordCount;
  if (l.lineFlags & ScreenLine::kPageEnd) status_ |= kMarkSeen;
  return 0;
}

const ScreenLine* FileReader::line(int32_t lineNo) {
  if (lineNo < 0 || lineNo >= lineCount_) return nullptr;
  size_t slot = static_cast<size_t>(lineNo % ringSize_);
  if (ringLineNo_[slot] != lineNo) {
    if (fetch(lineNo, &ring_[slot]) < 0) return nullptr;
    ringLineNo_[slot] = lineNo;
  }
  return &ring_[slot];
}

int FileReader::cursorDown() {
  int32_t next = cursorLineNo_ + 1;
  if (next >= lineCount_ && readNewLine() < 0) return -1;
  if (!line(next)) return -1;
  cursorLineNo_ = next;
  if (cursorLineNo_ >= topLineNo_ + ringSize_) {
    ++topLineNo_;
    status_ |= kTextChanged;
  }
  return 0;
}

int FileReader::cursorUp() {
  if (cursorLineNo_ == 0) {
    if (blockPosition_ == 0 || getPriorBlock() < 0 || cursorLineNo_ == 0) return -1;
  }
  int32_t prev = cursorLineNo_ - 1;
  if (!line(prev)) return -1;
  cursorLineNo_ = prev;
  if (cursorLineNo_ < topLineNo_) {
    topLineNo_ = cursorLineNo_;
    status_ |= kTextChanged;
  }
  return 0;
}

int FileReader::pageDown(int n) {
  int moved = 0;
  while (moved < n && cursorDown() == 0) ++moved;
  return moved;
}

int FileReader::pageUp(int n) {
  int moved = 0;
  while (moved < n && cursorUp() == 0) ++moved;
  return moved;
}

int FileReader::reset(int32_t position, int32_t firstWord) {
  if (source_->gotoPosition(position, firstWord) < 0) return -1;
  if (lineFile_ && lineFile_->setLength(0) < 0) return -1;
  memoryLines_.clear();
  ringLineNo_.assign(static_cast<size_t>(ringSize_), -1);
  lineCount_ = cursorLineNo_ = topLineNo_ = 0;
  nextWord_ = blockStartWord_ = firstWord;
  blockPosition_ = position;
  atEnd_ = false;
  readNewLine();
  status_ |= kTextChanged;
  return 0;
}

int FileReader::gotoPointer(int32_t position) {
  trace::line("FileReader::gotoPointer... %ld", static_cast<long>(position));
  int rc = 0;
  if (position == 0 && blockPosition_ == 0) {
    cursorLineNo_ = topLineNo_ = 0;
    status_ |= kTextChanged;
  } else {
    int32_t firstWord = 1;
    if (const ImportMap* map = source_->wordMap()) {
      for (const ImportMap::Entry& e : map->entries)
        if (e.position == position) firstWord = e.firstWord;
    }
    rc = reset(position, position == 0 ? 1 : firstWord);
  }
  trace::text("FileReader::gotoPointer...Done");
  return rc;
}

int FileReader::gotoWord(int32_t n) {
  if (n == 0) {
    int rc = gotoPointer(0);
    trace::text("FileReader::gotoWord(0)...Done");
    return rc;
  }
  trace::line("FileReader::gotoWord... %ld", static_cast<long>(n));
  if (const ImportMap* map = source_->wordMap()) {
    const ImportMap::Entry* e = map->find(n);
    int32_t position = e ? e->position : 0;
    if (position != blockPosition_ && gotoPointer(position) < 0) return -1;
  }
  int rc = scrollToWord(n);
  trace::text("FileReader::gotoWord...Done");
  return rc;
}

int FileReader::scrollToWord(int32_t n) {
  const ScreenLine* cur = cursorLine();
  if (!cur) return -1;
  trace::line("FileReader::ScrollToWord(%ld) current = %ld", static_cast<long>(n),
              static_cast<long>(cur->firstWord));
  for (int steps = 0; (cur = cursorLine()) && n < cur->firstWord; ++steps) {
    if (steps && steps % 100 == 0) trace::text("scrollToWord(A)");
    if (cursorUp() < 0) break;
  }
  trace::text("FileReader::ScrollToWord...(2)");
  bool movedDown = false;
  for (int steps = 0; (cur = cursorLine()) && cur->firstWord <= n; ++steps) {
    if (steps && steps % 100 == 0) trace::text("scrollToWord(B)");
    movedDown = cursorDown() == 0;
    if (!movedDown) break;
  }
  trace::text("FileReader::ScrollToWord...(3)");
  if (movedDown) cursorUp();
  trace::text("FileReader::ScrollToWord...Done");
  return 0;
}

int FileReader::getPriorBlock() {
  trace::text("getPriorBlock...");
  const ImportMap* map = source_->wordMap();
  if (!map || blockPosition_ == 0 || blockStartWord_ <= 1) return -1;
  Position p = savePosition();
  if (gotoWord(blockStartWord_ - 1) < 0) return -1;
  if (scrollToWord(p.word) < 0) return -1;
  topLineNo_ = std::max<int32_t>(0, cursorLineNo_ - p.linesFromTop);
  return 0;
}

FileReader::Position FileReader::savePosition() const {
  const ScreenLine* cur = const_cast<FileReader*>(this)->cursorLine();
  return {cur ? cur->firstWord : 0, cursorLineNo_ - topLineNo_};
}

int FileReader::restorePosition(const Position& p) {
  if (gotoWord(p.word) < 0) return -1;
  topLineNo_ = std::max<int32_t>(0, cursorLineNo_ - p.linesFromTop);
  status_ |= kTextChanged;
  return 0;
}

int FileReader::searchForwardForHit(int32_t boundWord, bool bounded) {
  int lines = 0;
  while (true) {
    const ScreenLine* cur = cursorLine();
    if (!cur) return -1;
    if (cur->lineFlags & ScreenLine::kHasHit) return 0;
    if (bounded && (cursorLineNo_ + 1 >= lineCount_ || cur->firstWord + cur->wordCount >= boundWord))
      return -1;
    if (cursorDown() < 0) return -1;
    ++lines;
    if (searchingProgress && lines >= 1000 && (lines - 1000) % 200 == 0)
      searchingProgress(positionText(false));
  }
}

int FileReader::placeHitLine() {
  const ScreenLine* hit = cursorLine();
  if (!hit) return -1;
  int32_t word = hit->firstWord;
  int down = pageDown(ringSize_);
  pageUp(down);
  int up = pageUp(ringSize_ / 3);
  pageDown(up);
  return scrollToWord(word);
}

int FileReader::nextHit() {
  if (displayMode_ != 1 && displayMode_ != 3 && displayMode_ != 4) return -1;
  const int32_t savedCursor = cursorLineNo_, savedTop = topLineNo_, savedBlock = blockPosition_;
  Position saved = savePosition();
  auto restore = [&] {
    if (blockPosition_ == savedBlock) {
      cursorLineNo_ = savedCursor;
      topLineNo_ = savedTop;
    } else {
      restorePosition(saved);
    }
  };
  if (cursorDown() < 0) return -1;
  if (searchForwardForHit(nextWord_, true) == 0) return placeHitLine();
  const std::vector<int32_t>& hits = source_->hits();
  auto next = std::lower_bound(hits.begin(), hits.end(), nextWord_);
  if (next == hits.end()) {
    restore();
    return -1;
  }
  if (const ImportMap* map = source_->wordMap()) {
    const ImportMap::Entry* e = map->find(*next);
    if (e && e->firstWord > nextWord_ && gotoPointer(e->position) < 0) {
      restore();
      return -1;
    }
  }
  if (searchForwardForHit(0, false) == 0) return placeHitLine();
  restore();
  return -1;
}

int FileReader::previousHit() {
  if (displayMode_ != 1 && displayMode_ != 3 && displayMode_ != 4) return -1;
  const ScreenLine* cur = cursorLine();
  if (!cur) return -1;
  int32_t startWord = cur->firstWord;
  while (true) {
    if (cursorUp() < 0) {
      gotoWord(startWord);
      return -1;
    }
    cur = cursorLine();
    if (cur && (cur->lineFlags & ScreenLine::kHasHit)) return placeHitLine();
  }
}

int32_t FileReader::pageOf(int32_t lineNo) {
  int32_t page = 1;
  ScreenLine l;
  for (int32_t i = 0; i < lineNo; ++i)
    if (fetch(i, &l) == 0 && (l.lineFlags & ScreenLine::kPageEnd)) ++page;
  return page;
}

std::string FileReader::positionText(bool wordAndLine) {
  std::string text = std::to_string(source_->thousandths());
  if (wordAndLine) {
    const ScreenLine* cur = cursorLine();
    char buf[64];
    std::snprintf(buf, sizeof buf, " W: %ld L: %ld", static_cast<long>(cur ? cur->firstWord : 0),
                  static_cast<long>(cursorLineNo_));
    text += buf;
  }
  return text;
}

int FileReader::copyOut(const std::string& path, int options) {
  if (anchor_ < 0 || !(status_ & kCopyAllowed) || lineCount_ == 0) return -1;
  int32_t first = std::min(anchor_, cursorLineNo_);
  int32_t last = std::min(std::max(anchor_, cursorLineNo_), lineCount_ - 1);
  std::vector<ScreenLine> lines;
  for (int32_t i = first; i <= last; ++i) {
    ScreenLine l;
    if (fetch(i, &l) < 0) return -1;
    lines.push_back(std::move(l));
  }
  // The common indent: the smallest among the first ten lines that hold text, at most 20.
  int common = 20;
  int looked = 0;
  for (const ScreenLine& l : lines) {
    std::string shown = textblock::shownText(l.text);
    if (shown.find_first_not_of(' ') == std::string::npos) continue;
    common = std::min<int>(common, static_cast<int>(shown.find_first_not_of(' ')));
    if (++looked == 10) break;
  }
  const bool rtf = options & kCopyRtf;
  const bool join = options & kCopyJoinParagraphs;
  std::string out = rtf ? "{\\rtf1\\ansi \n" : "";
  std::string heading;
  if (options & kCopyName) heading += documentName_ + " ";
  if (options & kCopyPageLine)
    heading += "Page " + std::to_string(pageOf(cursorLineNo_)) + " Line " +
               std::to_string(cursorLineNo_ + 1);
  if (!heading.empty()) out += (rtf ? rtfText(heading, 0) : heading) + "\r\n";
  if (rtf) out += "\\par \n";
  bool previousContinued = false;
  for (const ScreenLine& l : lines) {
    std::string text;
    if (rtf) {
      text = rtfText(l.text, static_cast<size_t>(common));
    } else {
      text = textblock::shownText(l.text);
      size_t strip = 0;
      while (strip < static_cast<size_t>(common) && strip < text.size() && text[strip] == ' ') ++strip;
      text.erase(0, strip);
    }
    if (join && previousContinued) text.erase(0, text.find_first_not_of(' ') == std::string::npos ? text.size() : text.find_first_not_of(' '));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out += text;
    previousContinued = l.continuation == 1;
    if (join && previousContinued)
      out += ' ';
    else
      out += rtf ? "\\par " : "\r\n";
  }
  if (rtf) out += "\n}";
  return wholefile::write(path, out);
}
