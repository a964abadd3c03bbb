// The main window's settings kept between runs, in LXRWIN.INI in the private folder: the
// user's button bar description, the viewer's font, zoom, wrapping and colours, the word
// options, the indexes ticked, the folder of unindexed searches, the window's geometry.
// Values read back are checked and bounded. Depends on Qt Core.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

struct WindowSettings {
  static constexpr const char* kFileName = "LXRWIN.INI";
  static constexpr int kMaxDescriptionChars = 2048;

  QString barDescription;  // empty: the default bar
  QString font;            // QFont::toString(); empty: the fixed system font
  int zoom = 0;
  bool wrap = true;
  bool inverted = false;
  int16_t searchFlags = 0;
  int16_t fuzziness = 0;
  QStringList indexes;  // folders ticked
  QString filesFolder;
  QByteArray geometry, state, splitter;

  // Reads the settings of `privateDir`; missing or bad values keep their defaults.
  static WindowSettings load(const QString& privateDir);
  // Writes them. 0, or -1 when the file cannot be written.
  int save(const QString& privateDir) const;
};
