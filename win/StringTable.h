// The program's numbered strings, shipped as a resource file of "NUMBER TEXT" lines (the
// button command table from 1613 on, the default button bar description at 1612). Reading
// is bounded: a damaged table gives fewer strings, never a crash. Depends on Qt Core.
#pragma once

#include <QHash>
#include <QString>

class StringTable {
 public:
  static constexpr qsizetype kMaxBytes = 1 << 20;
  static constexpr qsizetype kMaxLineChars = 1024;
  static constexpr const char* kResourceName = ":/lexaurum/strings.txt";

  // Reads the table from `path` (a file or a resource). Returns the count of strings, or -1
  // when the file cannot be read (the table is then empty).
  int load(const QString& path = QString::fromLatin1(kResourceName));
  // Takes the strings from `text`, one "NUMBER TEXT" a line; lines without a number are
  // passed over. Returns the count of strings.
  int parse(const QString& text);

  // The string `id`, or a null QString when there is none.
  QString get(int id) const { return strings_.value(id); }

 private:
  QHash<int, QString> strings_;
};
