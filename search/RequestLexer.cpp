// RequestLexer: w/N rewriting, folding, depths and the token scan.
#include "search/RequestLexer.h"

#include <cstdio>

#include "import/Alphabet.h"
#include "import/UnicodeWords.h"

namespace {

constexpr char kQuote = '"';
// Characters that reach the token scan unfolded (besides the marker characters).
constexpr const char* kOperatorChars = "@%#&~?*()";
constexpr uint32_t kMaxRangeValue = 0x7fffffff;

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

uint32_t readBound(const std::string& side) {
  uint64_t value = 0;
  for (char c : side) {
    if (!isDigit(static_cast<unsigned char>(c))) break;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > kMaxRangeValue) return kMaxRangeValue;
  }
  return static_cast<uint32_t>(value);
}

std::string hexWord(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "!i%08x", value);
  return buffer;
}

}  // namespace

RequestLexer::RequestLexer(const Alphabet* alphabet, SearchMarkers markers)
    : alphabet_(alphabet ? alphabet : &Alphabet::builtIn()), markers_(markers) {
  folded_.reserve(kReservedBytes);
}

const RequestToken* RequestLexer::token(int i) const {
  if (i < 0 || i >= tokenCount()) return nullptr;
  return &tokens_[static_cast<size_t>(i)];
}

bool RequestLexer::isWordChar(unsigned char c) const {
  if (c == 0) return false;
  if (alphabet_->isLetter(c) || (alphabet_->type(c) & 0xFF) == Alphabet::kHyphen) return true;
  char ch = static_cast<char>(c);
  return ch == '?' || ch == '*' || ch == markers_.stemming || ch == markers_.phonic ||
         ch == markers_.fuzzy || ch == markers_.synonym;
}

bool RequestLexer::isNumericRange(const std::string& token) {
  return !token.empty() && isDigit(static_cast<unsigned char>(token[0])) &&
         token.find("~~") != std::string::npos;
}

std::string RequestLexer::numericRange(const std::string& token) {
  size_t at = token.find("~~");
  uint32_t low = readBound(token.substr(0, at));
  std::string out = "\"" + hexWord(low);
  std::string rest = at == std::string::npos ? "" : token.substr(at + 2);
  if (!rest.empty()) {
    uint32_t high = readBound(rest);
    out += "~~" + hexWord(high == 0 ? kMaxRangeValue : high);
  }
  return out + "\"";
}

int RequestLexer::tokenize(const std::string& request, int32_t cursorPos) {
  tokens_.clear();
  cursorToken_ = -1;

  // w/5 reads as wI5 (outside double quotes), then the text is folded. origin[i] is the
  // position in `request` of folded character i.
  std::string operators = kOperatorChars;
  for (char c : {markers_.stemming, markers_.phonic, markers_.fuzzy, markers_.synonym})
    if (c) operators += c;
  folded_.clear();
  // UTF-8 requests first get blanks where the word finder ends words in documents.
  std::string spaced;
  std::vector<int32_t> spacedOrigin;
  const bool unicode = alphabet_->isUnicode();
  if (unicode) spaced = unicodewords::spaceRequest(request, operators, &spacedOrigin);
  const std::string& text = unicode ? spaced : request;
  std::vector<int32_t> origin;
  origin.reserve(text.size());
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == kQuote) {
      quoted = !quoted;
    } else if (!quoted && c == '/' && i > 0 && (text[i - 1] == 'w' || text[i - 1] == 'W') &&
               i + 1 < text.size() && isDigit(static_cast<unsigned char>(text[i + 1]))) {
      c = 'I';
    }
    if (c != kQuote && !quoted && !(c && operators.find(static_cast<char>(c)) != std::string::npos))
      c = alphabet_->map(c);
    if (c == 0) continue;
    folded_ += static_cast<char>(c);
    origin.push_back(unicode ? spacedOrigin[i] : static_cast<int32_t>(i));
  }

  // depth[i]: parentheses opened minus closed up to and including character i; those inside
  // double quotes are text and do not count.
  const size_t length = folded_.size();
  std::vector<int> depth(length);
  int level = 0;
  quoted = false;
  for (size_t i = 0; i < length; ++i) {
    char c = folded_[i];
    if (c == kQuote) quoted = !quoted;
    else if (!quoted && c == '(') ++level;
    else if (!quoted && c == ')') --level;
    depth[i] = level;
  }

  size_t i = 0;
  while (i < length) {
    unsigned char c = static_cast<unsigned char>(folded_[i]);
    size_t begin = i, end;
    RequestToken t;
    if (c == kQuote) {
      size_t close = folded_.find(kQuote, i + 1);
      end = close == std::string::npos ? length : close;
      t.text = folded_.substr(begin, end - begin);
      t.quoted = true;
      i = end + 1;  // past the closing quote
    } else if (isWordChar(c)) {
      end = i;
      while (end < length && isWordChar(static_cast<unsigned char>(folded_[end]))) ++end;
      t.text = folded_.substr(begin, end - begin);
      i = end;
    } else {
      ++i;
      continue;
    }
    t.depth = depth[end > begin ? end - 1 : begin];
    t.written = t.text;
    if (!t.quoted) {
      if (isNumericRange(t.text)) t.text = numericRange(t.text);
      else t.kind = nodekind::classify(t.text, &t.n);
    }
    t.begin = origin[begin];
    t.end = end < length ? origin[end] : static_cast<int32_t>(request.size());
    if (cursorPos >= t.begin && cursorPos <= t.end && cursorToken_ < 0)
      cursorToken_ = static_cast<int>(tokens_.size());
    tokens_.push_back(std::move(t));
  }
  return tokenCount();
}
