// PlainMail: the test on the raw bytes of a message, case-blind, in one lowered copy.
#include "import/PlainMail.h"

#include <string>

namespace plainmail {

namespace {

// Each occurrence of `name` must be followed by one of `allowed`, after any blanks, colons,
// equals signs, stars and quotes (header and parameter syntax, spaced or not).
template <size_t N>
bool valuesAllowed(std::string_view lower, std::string_view name, const std::array<std::string_view, N>& allowed) {
  for (size_t at = lower.find(name); at != std::string_view::npos; at = lower.find(name, at + 1)) {
    size_t v = at + name.size();
    while (v < lower.size() && std::string_view(" \t\r\n:=*\"").find(lower[v]) != std::string_view::npos) ++v;
    bool ok = false;
    for (std::string_view a : allowed) ok = ok || lower.substr(v, a.size()) == a;
    if (!ok) return false;
  }
  return true;
}

}  // namespace

bool readsAsItStands(std::string_view bytes) {
  thread_local std::string lower;
  lower.resize(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b == 0 || b == 0x1B || b >= 0x80) return false;
    lower[i] = static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
  }
  const std::string_view text(lower);
  static constexpr std::string_view kDecoded[] = {
      "base64", "quoted-printable", "uuencode", "x-uue", "=?",  "html",
      "filename", "name=", "attachment", "message/", "xn--"};
  for (std::string_view d : kDecoded)
    if (text.find(d) != std::string_view::npos) return false;
  static constexpr std::array<std::string_view, 2> kTypes = {"text/plain", "multipart/"};
  static constexpr std::array<std::string_view, 4> kCharsets = {"us-ascii", "utf-8", "iso-8859-", "windows-125"};
  static constexpr std::array<std::string_view, 3> kEncodings = {"7bit", "8bit", "binary"};
  return valuesAllowed(text, "content-type", kTypes) && valuesAllowed(text, "charset", kCharsets) &&
         valuesAllowed(text, "content-transfer-encoding", kEncodings);
}

}  // namespace plainmail
