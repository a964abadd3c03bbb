#include "win/ButtonTable.h"

#include "win/StringTable.h"

namespace buttontable {

std::vector<ButtonCommand> read(const StringTable& strings) {
  std::vector<ButtonCommand> table;
  for (int id = kFirstCommandId; id < kFirstCommandId + kMaxCommands; ++id) {
    QString s = strings.get(id);
    if (s.isNull() || s.trimmed() == u"0") break;
    ButtonCommand c;
    qsizetype blank = s.indexOf(u' ');
    c.command = (blank < 0 ? s : s.left(blank)).toInt();
    c.name = blank < 0 ? QStringLiteral("???") : s.mid(blank + 1).trimmed();
    table.push_back(c);
  }
  return table;
}

BarPlan plan(const QString& userDescription, const QString& defaultDescription,
             const std::vector<ButtonCommand>& table) {
  BarPlan out;
  const QString& description = userDescription.isEmpty() ? defaultDescription : userDescription;
  for (const QString& piece : description.split(u',', Qt::SkipEmptyParts)) {
    if (piece == u"-") {
      out.items.push_back({true, 0, piece});
      continue;
    }
    bool found = false;
    for (const ButtonCommand& c : table) {
      if (c.name == piece) {
        out.items.push_back({false, c.command, c.name});
        found = true;
        break;
      }
    }
    if (!found) out.unknownNames << piece;
  }
  return out;
}

QString unknownMessage(const QString& name) {
  return QStringLiteral("Unable to find button for command \"%1\"").arg(name);
}

}  // namespace buttontable
