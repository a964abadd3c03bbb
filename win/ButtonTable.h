// The button command table (command number and button name, read from the string table
// from 1613 on until the string "0") and the plan of a button bar made from a description:
// names separated by commas, "-" a gap, empty pieces skipped. No widgets here, so that the
// rules can be checked without a window. Depends on win/StringTable.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class StringTable;

struct ButtonCommand {
  int command = 0;  // also the number of the button's picture
  QString name;
};

struct BarItem {
  bool gap = false;
  int command = 0;  // for a button
  QString name;
};

struct BarPlan {
  std::vector<BarItem> items;
  QStringList unknownNames;  // in the order met
};

namespace buttontable {

constexpr int kDefaultDescriptionId = 1612;
constexpr int kFirstCommandId = 1613;
constexpr int kMaxCommands = 1000;  // a table without its "0" ends here

// The table from `strings`: each string's number before its first blank, the name after it
// trimmed ("???" for a string without a blank); up to the string "0" or a missing string.
std::vector<ButtonCommand> read(const StringTable& strings);

// The bar for `userDescription`, or for `defaultDescription` when that is empty.
BarPlan plan(const QString& userDescription, const QString& defaultDescription,
             const std::vector<ButtonCommand>& table);

// The message shown for a name that is not in the table.
QString unknownMessage(const QString& name);

}  // namespace buttontable
