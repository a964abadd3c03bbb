// HTML to text blocks: the document is brought into Windows-1252 as a whole, then read once
// from start to end; nothing is nested, so no input can make the reader recurse.
#include "import/HtmlImporter.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "import/Charset.h"
#include "import/CodePage.h"
#include "import/HtmlEntities.h"
#include "import/TextBlock.h"
#include "import/UnicodeText.h"
#include "import/Utf8Converter.h"

namespace {

constexpr int32_t kReadBytes = 65536;
constexpr size_t kMaxTagName = 16;      // longer names are not ours to know
constexpr size_t kMaxEntityName = 32;   // the longest reference name is shorter
constexpr int kMaxReferenceDigits = 8;  // further digits make the reference invalid
constexpr size_t kMaxCharsetName = 40;
constexpr int kMaxPreDepth = 1000;

// Elements that stand on lines of their own.
const char* const kBlockElements[] = {
    "address", "article", "aside", "blockquote", "caption", "center", "dd", "details",
    "dialog", "dir", "div", "dl", "dt", "fieldset", "figcaption", "figure", "footer", "form",
    "h1", "h2", "h3", "h4", "h5", "h6", "header", "hgroup", "hr", "legend", "li", "main",
    "menu", "nav", "ol", "option", "p", "section", "summary", "table", "tr", "ul"};

// Elements whose content is not markup; of these, script and style are not shown at all.
const char* const kRawTextElements[] = {"script", "style", "textarea", "title", "xmp"};

bool inList(const char* const* list, size_t count, const std::string& name) {
  for (size_t i = 0; i < count; ++i)
    if (name == list[i]) return true;
  return false;
}

bool isAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiAlnum(unsigned char c) { return isAsciiLetter(c) || (c >= '0' && c <= '9'); }
bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
unsigned char lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

// Case-blind search for the lower-case `what` in text[from, end).
size_t findNoCase(const std::string& text, size_t from, const char* what) {
  size_t n = std::strlen(what);
  for (size_t i = from; i + n <= text.size(); ++i) {
    size_t k = 0;
    while (k < n && lower(static_cast<unsigned char>(text[i + k])) == static_cast<unsigned char>(what[k])) ++k;
    if (k == n) return i;
  }
  return std::string::npos;
}

// Reads the whole document; false when a read failed (what was read is kept). A run of NULs
// or of blanks is kept to textblock::kMaxBlankRun bytes (and the parity of its length, so
// that UTF-16 stays aligned): the document is held whole, and such a run need not be text.
bool readAll(ByteSource& source, std::string* raw) {
  int32_t size = source.size();
  std::vector<char> buffer(kReadBytes);
  char runByte = 1;
  size_t runBytes = 0;
  bool oddDropped = false;
  auto endRun = [&] {
    if (oddDropped) raw->push_back(runByte);
    oddDropped = false;
  };
  for (int32_t pos = 0; pos < size;) {
    int32_t n = source.readAt(pos, buffer.data(), std::min<int32_t>(kReadBytes, size - pos));
    if (n <= 0) return false;
    for (int32_t i = 0; i < n; ++i) {
      char c = buffer[static_cast<size_t>(i)];
      if (c != runByte || (c != 0 && c != ' ')) {
        endRun();
        runByte = c;
        runBytes = 0;
      }
      if (++runBytes > textblock::kMaxBlankRun && (c == 0 || c == ' ')) {
        oddDropped = !oddDropped;
        continue;
      }
      raw->push_back(c);
    }
    pos += n;
  }
  endRun();
  return true;
}

bool isLatin1Name(const std::string& n) {
  static const char* const kNames[] = {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1",
                                       "iso8859-1", "iso_8859-1", "latin1", "l1", "latin-1",
                                       "us-ascii", "ascii", "ansi_x3.4-1968"};
  for (const char* k : kNames)
    if (n == k) return true;
  return false;
}

// The document in Windows-1252.
std::string toWindows1252(const std::string& raw) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(raw.data());
  size_t head = std::min(raw.size(), HtmlImporter::kCharsetScanBytes);
  charset::Detection d = charset::detect(bytes, head, charset::Encoding::kWindows1252);
  std::string out;
  auto convertAs = [&](charset::Encoding e, size_t skip) {
    if (e == charset::Encoding::kWindows1252) return raw.substr(skip);
    charset::Converter converter(e);
    converter.convert(bytes + skip, raw.size() - skip, &out);
    return out;
  };
  bool utf16 = d.encoding == charset::Encoding::kUtf16Le || d.encoding == charset::Encoding::kUtf16Be;
  if (d.bomBytes > 0 || utf16) return convertAs(d.encoding, static_cast<size_t>(d.bomBytes));
  std::string declared = HtmlImporter::declaredCharset(raw.substr(0, head));
  if (declared == "utf-8" || declared == "utf8") return convertAs(charset::Encoding::kUtf8, 0);
  if (isLatin1Name(declared)) return raw;
  // Any other declared set that iconv knows, except the UTF-16 and UTF-32 names, which a
  // file without their byte pattern cannot be in.
  if (!declared.empty() && declared.find("16") == std::string::npos &&
      declared.find("32") == std::string::npos && declared != "unicode" &&
      codepage::convert(declared.c_str(), bytes, raw.size(), &out) == 0)
    return out;
  return convertAs(d.encoding, 0);
}

// The document in UTF-8: the set of the byte-order mark, else the declared one, else UTF-8
// when the bytes are, else the legacy code page that detection finds.
std::string toUtf8(const std::string& raw) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(raw.data());
  size_t head = std::min(raw.size(), HtmlImporter::kCharsetScanBytes);
  charset::Detection d = charset::detect(bytes, head, charset::Encoding::kWindows1252);
  const size_t skip = static_cast<size_t>(d.bomBytes);
  auto as = [&](const std::string& name) { return utf8conv::toUtf8(name, bytes + skip, raw.size() - skip); };
  switch (d.encoding) {
    case charset::Encoding::kUtf16Le: return as("UTF-16LE");
    case charset::Encoding::kUtf16Be: return as("UTF-16BE");
    default: break;
  }
  if (d.bomBytes > 0) return as("UTF-8");
  std::string declared = HtmlImporter::declaredCharset(raw.substr(0, head));
  if (declared == "utf-8" || declared == "utf8") return as("UTF-8");
  if (isLatin1Name(declared)) return as("WINDOWS-1252");
  if (!declared.empty() && declared.find("16") == std::string::npos &&
      declared.find("32") == std::string::npos && declared != "unicode") {
    utf8conv::Converter c(declared);
    if (c.name() != "WINDOWS-1252" || declared == "windows-1252") return as(c.name());
  }
  if (d.encoding == charset::Encoding::kUtf8) return as("UTF-8");
  return as(utf8conv::detectLegacy(bytes, std::min<size_t>(raw.size(), 8192)));
}

class HtmlParser {
 public:
  HtmlParser(const std::string& doc, std::string* text, std::string* title, bool utf8 = false)
      : doc_(doc), text_(text), title_(title), utf8_(utf8) {}
  void run();

 private:
  size_t tag(size_t at);
  size_t rawText(const std::string& name, size_t from);
  size_t reference(size_t at, std::string* into);
  void character(unsigned char c);
  void blockBreak();
  void put(unsigned char c);
  // A referenced character, in the text's character set.
  void putCodePoint(uint32_t cp, std::string* into) const {
    if (!utf8_) {
      *into += static_cast<char>(codepage::fromUnicode(cp));
    } else if (cp >= 0x80 && cp < 0xA0) {  // what documents mean by them: Windows-1252
      *into += unicodetext::fromWindows1252(std::string(1, static_cast<char>(cp)));
    } else {
      unicodetext::append(into, cp);
    }
  }

  const std::string& doc_;
  std::string* text_;
  textblock::BlankRun blanks_;
  std::string* title_;
  bool utf8_;  // the document and the text are UTF-8
  bool pendingSpace_ = false;
  bool atLineStart_ = true;
  int preDepth_ = 0;
};

void HtmlParser::run() {
  size_t i = 0;
  const size_t n = doc_.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(doc_[i]);
    if (c == '<') {
      size_t next = tag(i);
      if (next == std::string::npos) return;  // unterminated: the text ends here
      i = next;
    } else if (c == '&') {
      std::string decoded;
      i = reference(i, &decoded);
      for (char d : decoded) character(static_cast<unsigned char>(d));
    } else {
      character(c);
      ++i;
    }
  }
}

// Handles the markup at `at` (a '<'): the position after it, or npos when it never ends.
size_t HtmlParser::tag(size_t at) {
  const size_t n = doc_.size();
  if (doc_.compare(at, 4, "<!--") == 0) {
    size_t end = doc_.find("-->", at + 4);
    return end == std::string::npos ? end : end + 3;
  }
  unsigned char c1 = at + 1 < n ? static_cast<unsigned char>(doc_[at + 1]) : 0;
  if (c1 == '!' || c1 == '?') {  // declarations, processing instructions, CDATA
    size_t end = doc_.find('>', at + 2);
    return end == std::string::npos ? end : end + 1;
  }
  bool closing = c1 == '/';
  size_t p = at + (closing ? 2 : 1);
  if (p >= n || !isAsciiLetter(static_cast<unsigned char>(doc_[p]))) {
    if (closing) {  // "</" and no name: a bogus comment up to '>'
      size_t end = doc_.find('>', p);
      return end == std::string::npos ? end : end + 1;
    }
    character('<');  // a '<' that starts no tag is text
    return at + 1;
  }
  std::string name;
  while (p < n && isAsciiAlnum(static_cast<unsigned char>(doc_[p]))) {
    if (name.size() < kMaxTagName) name += static_cast<char>(lower(static_cast<unsigned char>(doc_[p])));
    ++p;
  }
  // The attributes, up to the '>' that is not inside a quoted value.
  char quote = 0;
  bool afterEquals = false;
  for (; p < n; ++p) {
    char c = doc_[p];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '>') {
      break;
    } else if (afterEquals && (c == '"' || c == '\'')) {
      quote = c;
      afterEquals = false;
    } else if (c == '=') {
      afterEquals = true;
    } else if (!isSpace(static_cast<unsigned char>(c))) {
      afterEquals = false;
    }
  }
  if (p >= n) return std::string::npos;
  size_t after = p + 1;

  if (name == "br") {
    put(textblock::kLineBreak);
    atLineStart_ = true;
    pendingSpace_ = false;
  } else if (name == "td" || name == "th") {
    if (!closing && !atLineStart_) put(textblock::kTab);
    pendingSpace_ = false;
  } else if (name == "pre" || name == "listing") {
    blockBreak();
    preDepth_ = std::clamp(preDepth_ + (closing ? -1 : 1), 0, kMaxPreDepth);
  } else if (inList(kBlockElements, std::size(kBlockElements), name)) {
    blockBreak();
  } else if (!closing && inList(kRawTextElements, std::size(kRawTextElements), name)) {
    return rawText(name, after);
  }
  return after;
}

// The content of a raw-text element that starts at `from`, up to its end tag: the position
// after the end tag (the document's end when there is none).
size_t HtmlParser::rawText(const std::string& name, size_t from) {
  std::string endTag = "</" + name;
  size_t end = from;
  for (;;) {
    end = findNoCase(doc_, end, endTag.c_str());
    if (end == std::string::npos) break;
    size_t k = end + endTag.size();
    if (k >= doc_.size() || !isAsciiAlnum(static_cast<unsigned char>(doc_[k]))) break;
    end = k;
  }
  size_t stop = end == std::string::npos ? doc_.size() : end;
  if (name == "title" || name == "textarea") {
    std::string content;
    for (size_t i = from; i < stop;) {
      if (doc_[i] == '&') {
        i = reference(i, &content);
      } else {
        content += doc_[i++];
      }
    }
    if (name == "textarea") {
      for (char c : content) character(static_cast<unsigned char>(c));
    } else if (title_->empty()) {
      for (char c : content) {
        unsigned char u = static_cast<unsigned char>(c);
        if (isSpace(u) || u < 32 || u == 127) {
          if (!title_->empty() && title_->back() != ' ') *title_ += ' ';
        } else if (title_->size() < HtmlImporter::kMaxTitleBytes) {
          *title_ += c;
        }
      }
      while (!title_->empty() && title_->back() == ' ') title_->pop_back();
      if (title_->size() > HtmlImporter::kMaxTitleBytes) title_->resize(HtmlImporter::kMaxTitleBytes);
    }
  }
  if (end == std::string::npos) return doc_.size();
  size_t close = doc_.find('>', end);
  return close == std::string::npos ? doc_.size() : close + 1;
}

// Decodes the character reference at `at` (an '&') into `into`: the position after it. An
// '&' that starts no known reference is itself the text.
size_t HtmlParser::reference(size_t at, std::string* into) {
  const size_t n = doc_.size();
  size_t p = at + 1;
  if (p < n && doc_[p] == '#') {
    ++p;
    bool hex = p < n && (doc_[p] == 'x' || doc_[p] == 'X');
    if (hex) ++p;
    uint32_t value = 0;
    int digits = 0;
    while (p < n) {
      unsigned char c = static_cast<unsigned char>(doc_[p]);
      int d = c >= '0' && c <= '9' ? c - '0'
              : hex && lower(c) >= 'a' && lower(c) <= 'f' ? lower(c) - 'a' + 10
                                                          : -1;
      if (d < 0) break;
      if (digits < kMaxReferenceDigits) value = value * (hex ? 16 : 10) + static_cast<uint32_t>(d);
      ++digits;
      ++p;
    }
    if (digits == 0) {
      *into += '&';
      return at + 1;
    }
    if (p < n && doc_[p] == ';') ++p;
    if (digits > kMaxReferenceDigits || value == 0 || value > 0x10FFFF) {
      *into += ' ';
    } else if (value < 32) {
      *into += isSpace(static_cast<unsigned char>(value)) ? static_cast<char>(value) : ' ';
    } else {
      putCodePoint(value, into);
    }
    return p;
  }
  size_t start = p;
  while (p < n && p - start <= kMaxEntityName && isAsciiAlnum(static_cast<unsigned char>(doc_[p]))) ++p;
  size_t length = p - start;
  bool semicolon = p < n && doc_[p] == ';';
  uint32_t cp = length > 0 && length <= kMaxEntityName ? htmlentities::lookup(doc_.data() + start, length) : 0;
  // Without its ';' a reference is known only for the Latin-1 names, as browsers do.
  if (cp != 0 && (semicolon || cp < 256)) {
    putCodePoint(cp, into);
    return semicolon ? p + 1 : p;
  }
  *into += '&';
  return at + 1;
}

// One character of text: white space collapses outside <pre>.
void HtmlParser::character(unsigned char c) {
  if (preDepth_ > 0) {
    if (c == '\n') {
      put(textblock::kParagraphEnd);
      atLineStart_ = true;
    } else if (c == '\r') {
      // a CR LF pair ends one line; a CR alone ends it too
    } else if (c == '\t') {
      put(textblock::kTab);
      atLineStart_ = false;
    } else {
      put(c < 32 || c == 127 ? ' ' : c);
      atLineStart_ = false;
    }
    return;
  }
  if (isSpace(c)) {
    pendingSpace_ = !atLineStart_;
    return;
  }
  if (pendingSpace_) put(' ');
  pendingSpace_ = false;
  atLineStart_ = false;
  put(c < 32 || c == 127 ? ' ' : c);
}

void HtmlParser::blockBreak() {
  pendingSpace_ = false;
  if (!atLineStart_) put(textblock::kParagraphEnd);
  atLineStart_ = true;
}

void HtmlParser::put(unsigned char c) {
  if (c == ' ')
    blanks_.append(text_);
  else
    text_->push_back(static_cast<char>(c));
}

}  // namespace

std::string HtmlImporter::declaredCharset(const std::string& head) {
  for (size_t at = findNoCase(head, 0, "<meta"); at != std::string::npos;
       at = findNoCase(head, at + 5, "<meta")) {
    size_t end = head.find('>', at);
    if (end == std::string::npos) end = head.size();
    std::string tag = head.substr(at, end - at);
    size_t k = findNoCase(tag, 0, "charset");
    if (k == std::string::npos) continue;
    k += 7;
    while (k < tag.size() && isSpace(static_cast<unsigned char>(tag[k]))) ++k;
    if (k >= tag.size() || tag[k] != '=') continue;
    ++k;
    while (k < tag.size() && (isSpace(static_cast<unsigned char>(tag[k])) || tag[k] == '"' || tag[k] == '\'')) ++k;
    std::string name;
    while (k < tag.size() && name.size() < kMaxCharsetName) {
      unsigned char c = static_cast<unsigned char>(tag[k++]);
      if (!isAsciiAlnum(c) && c != '-' && c != '_' && c != '.' && c != ':') break;
      name += static_cast<char>(lower(c));
    }
    if (!name.empty()) return name;
  }
  return "";
}

bool HtmlImporter::deliverUtf8() {
  std::string raw;
  bool failed = !readAll(*source_, &raw);
  std::string doc = toUtf8(raw);
  raw.clear();
  text_.clear();
  info_.title.clear();
  HtmlParser(doc, &text_, &info_.title, true).run();
  failed_ = failed;
  return true;
}

HtmlImporter::HtmlImporter(ByteSource& source, int32_t blockBytes) : WholeTextViewer(blockBytes), source_(&source) {
  std::string raw;
  failed_ = !readAll(source, &raw);
  std::string doc = toWindows1252(raw);
  raw.clear();
  raw.shrink_to_fit();
  HtmlParser(doc, &text_, &info_.title).run();
}

namespace htmltext {

std::string toUtf8Text(std::string_view document, std::string* title) {
  std::string doc = toUtf8(std::string(document));
  std::string text;
  title->clear();
  HtmlParser(doc, &text, title, true).run();
  return text;
}

}  // namespace htmltext

void* makeHtmlImport(void* source, const lxrViewerInfo* info) {
  if (!source || !info) return nullptr;
  return static_cast<Viewer*>(new HtmlImporter(*static_cast<ByteSource*>(source), info->blockSize));
}
