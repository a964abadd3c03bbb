// The one border between the engine's text and Qt's: engine text (Windows-1252 today) and
// file names (bytes as the file system has them, UTF-8 here) become QString here and only
// here, so that a change of the engine's text model touches this file alone.
// Depends on Qt Core only.
#pragma once

#include <QString>

#include <string>

namespace enginetext {

// Engine text to QString: UTF-8 (the text of Unicode indexes) when the bytes are well-formed
// UTF-8, else Windows-1252, whose five bytes without a character show as a blank.
QString fromEngine(const char* text);
QString fromEngine(const std::string& text);
// The QString length of the first `bytes` bytes of `text`, read as fromEngine reads `text`.
int shownLength(const std::string& text, size_t bytes);
// QString to engine text; characters that have no place there become a blank.
std::string toEngine(const QString& text);

// A file name from the engine (bytes) to QString, and back.
QString fromFileName(const char* bytes);
std::string toFileName(const QString& name);

// A message from the engine as shown: a text beginning "$" carries an 8-character tag that
// is skipped (a shorter tagged text shows as empty).
QString shownMessage(const char* text);

}  // namespace enginetext
