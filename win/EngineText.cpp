#include "win/EngineText.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace enginetext {

namespace {

// Windows-1252 0x80..0x9F; 0 marks the five codes without a character.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr size_t kTagChars = 8;

char toByte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] != 0 && kHigh[i] == c) return static_cast<char>(0x80 + i);
  return ' ';
}

}  // namespace

QString fromEngine(const char* text) {
  if (!text) return {};
  return fromEngine(std::string(text));
}

QString fromEngine(const std::string& text) {
  // The text of a Unicode index is UTF-8; Windows-1252 text with letters beyond ASCII
  // practically never is.
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (!utf8.hasError()) return decoded;
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  for (unsigned char c : text) {
    if (c >= 0x80 && c < 0xA0)
      out.append(QChar(kHigh[c - 0x80] ? kHigh[c - 0x80] : u' '));
    else
      out.append(QChar(static_cast<char16_t>(c)));
  }
  return out;
}

int shownLength(const std::string& text, size_t bytes) {
  bytes = std::min(bytes, text.size());
  QStringDecoder utf8(QStringDecoder::Utf8);
  (void)utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (utf8.hasError()) return static_cast<int>(bytes);  // Windows-1252: a byte is a character
  return static_cast<int>(QString::fromUtf8(text.data(), static_cast<qsizetype>(bytes)).size());
}

std::string toEngine(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    if (c.isSurrogate()) {
      out += ' ';
      continue;
    }
    char b = toByte(c.unicode());
    out += b == '\0' ? ' ' : b;
  }
  return out;
}

QString fromFileName(const char* bytes) { return bytes ? QFile::decodeName(bytes) : QString(); }

std::string toFileName(const QString& name) { return QFile::encodeName(name).toStdString(); }

QString shownMessage(const char* text) {
  if (!text) return {};
  if (text[0] == '$') return std::strlen(text) >= kTagChars ? fromEngine(text + kTagChars) : QString();
  return fromEngine(text);
}

}  // namespace enginetext
