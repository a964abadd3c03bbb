#include "import/WordTextSink.h"

#include "import/UnicodeText.h"

namespace {

constexpr size_t kMaxFieldDepth = 256;

}  // namespace

void WordTextSink::put(uint32_t c) {
  if (full_) return;
  switch (c) {
    case 0x13:  // field begin
      if (fields_.size() < kMaxFieldDepth) {
        fields_.push_back(false);
      } else {
        ++deepFields_;
      }
      ++hiddenFields_;
      return;
    case 0x14:  // field separator: the result follows
      if (deepFields_ == 0 && !fields_.empty() && !fields_.back()) {
        fields_.back() = true;
        --hiddenFields_;
      }
      return;
    case 0x15:  // field end
      if (deepFields_ > 0) {
        --deepFields_;
        --hiddenFields_;
      } else if (!fields_.empty()) {
        if (!fields_.back()) --hiddenFields_;
        fields_.pop_back();
      }
      return;
    default: break;
  }
  if (hiddenFields_ > 0) return;
  uint32_t previous = last_;
  last_ = c;
  switch (c) {
    case 0x0D: emit('\n'); return;          // paragraph end
    case 0x0B: emit('\v'); return;          // line break
    case 0x0C: emit('\f'); return;          // page or section break
    case 0x0E: emit('\n'); return;          // column break
    case 0x09: emit('\t'); return;
    case 0x07: emit(previous == 0x07 ? '\n' : '\t'); return;  // cell end; a second one ends the row
    case 0x1E: emit('-'); return;           // non-breaking hyphen
    case 0xA0: emit(' '); return;           // non-breaking space
    default: break;
  }
  if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFEFF) return;  // marks of pictures, notes, objects
  if (c >= 0xD800 && c <= 0xDFFF) c = unicodetext::kReplacement;
  emit(c);
}

void WordTextSink::emit(uint32_t c) {
  size_t before = out_->size();
  unicodetext::append(out_, c);
  if (out_->size() > limit_) {
    out_->resize(before);
    full_ = true;
  }
}

void WordTextSink::putMark(const std::string& mark) {
  if (full_ || hiddenFields_ > 0) return;
  for (char c : mark) emit(static_cast<unsigned char>(c));
  last_ = 0;
}
