#include "win/StringTable.h"

#include <QFile>

int StringTable::load(const QString& path) {
  strings_.clear();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  return parse(QString::fromUtf8(file.read(kMaxBytes)));
}

int StringTable::parse(const QString& text) {
  strings_.clear();
  const QStringList lines = text.split(u'\n');
  for (QString line : lines) {
    line = line.left(kMaxLineChars);
    if (line.endsWith(u'\r')) line.chop(1);
    qsizetype digits = 0;
    while (digits < line.size() && digits < 9 && line.at(digits).isDigit()) ++digits;
    if (digits == 0 || (digits < line.size() && line.at(digits) != u' ' && line.at(digits) != u'\t'))
      continue;
    strings_.insert(line.left(digits).toInt(), line.mid(digits + 1));
  }
  return static_cast<int>(strings_.size());
}
