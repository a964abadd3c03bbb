// Conversion to UTF-8 through iconv, and legacy code page detection through uchardet.
#include "import/Utf8Converter.h"

#include <iconv.h>
#include <uchardet.h>

#include <cerrno>
#include <cstring>

#include "import/UnicodeText.h"

namespace utf8conv {

namespace {

constexpr size_t kMinHighBytes = 24;  // letters above ASCII a single-byte guess needs
constexpr size_t kMaxCarryBytes = 8;  // no character of any set is longer

iconv_t asIconv(void* h) { return static_cast<iconv_t>(h); }

bool isMultiByteSet(const std::string& name) {
  for (const char* prefix : {"SHIFT_JIS", "GB18030", "GB2312", "EUC-", "BIG5", "ISO-2022", "UHC", "HZ"})
    if (name.compare(0, std::strlen(prefix), prefix) == 0) return true;
  return false;
}

const char kReplacementUtf8[] = "\xEF\xBF\xBD";

}  // namespace

std::string detectLegacy(const uint8_t* head, size_t length) {
  const std::string fallback = "WINDOWS-1252";
  size_t high = 0;
  bool escape = false;
  for (size_t i = 0; i < length; ++i) {
    high += head[i] >= 0x80;
    escape = escape || head[i] == 0x1B;
  }
  if (high == 0 && !escape) return fallback;
  uchardet_t detector = uchardet_new();
  if (!detector) return fallback;
  std::string name;
  if (uchardet_handle_data(detector, reinterpret_cast<const char*>(head), length) == 0) {
    uchardet_data_end(detector);
    const char* found = uchardet_get_charset(detector);
    if (found) name = found;
  }
  uchardet_delete(detector);
  if (name.empty() || name == "ASCII" || name == "UTF-8" || name == "ISO-8859-1") return fallback;
  if (!isMultiByteSet(name) && high < kMinHighBytes) return fallback;
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return fallback;
  iconv_close(cd);
  return name;
}

Converter::Converter(const std::string& from) : name_(from) {
  iconv_t cd = iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    name_ = "WINDOWS-1252";
    cd = iconv_open("UTF-8", name_.c_str());
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) handle_ = cd;
}

Converter::~Converter() {
  if (handle_) iconv_close(asIconv(handle_));
}

void Converter::reset() {
  carry_.clear();
  if (handle_) iconv(asIconv(handle_), nullptr, nullptr, nullptr, nullptr);
}

void Converter::convert(const uint8_t* data, size_t length, std::string* out, bool last) {
  std::string_view view(reinterpret_cast<const char*>(data), length);
  if (name_ == "WINDOWS-1252") {  // every byte is one character: nothing waits
    unicodetext::appendWindows1252(out, view);
    return;
  }
  if (name_ == "UTF-8" && carry_.empty()) {
    // Well-formed UTF-8 is copied; a sequence cut at the end waits for the next piece.
    size_t whole = length;
    size_t back = 0;
    while (back < 3 && back < whole && (data[whole - 1 - back] & 0xC0) == 0x80) ++back;
    if (!last && back < whole && data[whole - 1 - back] >= 0xC0) {
      unsigned char lead = data[whole - 1 - back];
      size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
      if (need > back + 1) whole -= back + 1;
    }
    std::string_view body = view.substr(0, whole);
    if (unicodetext::isValid(body)) out->append(body);
    else out->append(unicodetext::sanitized(body));
    carry_.assign(view.substr(whole));
    return;
  }
  if (!handle_) {  // no iconv at all: the bytes as Windows-1252
    unicodetext::appendWindows1252(out, std::string_view(reinterpret_cast<const char*>(data), length));
    return;
  }
  const size_t before = out->size();
  if (!carry_.empty()) {
    std::string joined = carry_;
    carry_.clear();
    joined.append(reinterpret_cast<const char*>(data), length);
    run(reinterpret_cast<const uint8_t*>(joined.data()), joined.size(), out, last);
  } else {
    run(data, length, out, last);
  }
  // iconv is not trusted to write well-formed UTF-8 (glibc passes the old five-byte forms).
  std::string_view added(out->data() + before, out->size() - before);
  if (!unicodetext::isValid(added)) {
    std::string clean = unicodetext::sanitized(added);
    out->resize(before);
    out->append(clean);
  }
}

void Converter::run(const uint8_t* data, size_t length, std::string* out, bool last) {
  char buffer[4096];
  char* in = const_cast<char*>(reinterpret_cast<const char*>(data));
  size_t inLeft = length;
  while (inLeft > 0) {
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    size_t rc = iconv(asIconv(handle_), &in, &inLeft, &o, &oLeft);
    out->append(buffer, static_cast<size_t>(o - buffer));
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    if (errno == EINVAL && !last && inLeft <= kMaxCarryBytes) {  // cut short: wait for the rest
      carry_.assign(in, inLeft);
      return;
    }
    // Malformed (or cut at the very end): one replacement character, then on.
    out->append(kReplacementUtf8);
    ++in;
    --inLeft;
  }
  if (last) {  // a stateful set ends in its initial state
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    iconv(asIconv(handle_), nullptr, nullptr, &o, &oLeft);
    out->append(buffer, static_cast<size_t>(o - buffer));
  }
}

std::string toUtf8(const std::string& from, const uint8_t* data, size_t length) {
  Converter c(from);
  std::string out;
  c.convert(data, length, &out, true);
  return out;
}

}  // namespace utf8conv
