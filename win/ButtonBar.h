// The main window's bar of picture buttons, built from a bar description: the user's own,
// else the default (string 1612), with gaps, and a message for every name the button
// command table lacks. Pressing a button sends its command number. Depends on
// win/ButtonTable, win/ButtonPictures and Qt Widgets.
#pragma once

#include <QToolBar>

#include <vector>

#include "win/ButtonTable.h"

class ButtonBar : public QToolBar {
  Q_OBJECT
 public:
  ButtonBar(std::vector<ButtonCommand> table, QString defaultDescription, QWidget* parent = nullptr);

  // Removes every button and builds the bar again for `userDescription` (empty: the default).
  // Names not in the table are shown in a message each. Returns the plan built.
  BarPlan rebuild(const QString& userDescription);

  const std::vector<ButtonCommand>& table() const { return table_; }
  const QString& defaultDescription() const { return defaultDescription_; }
  // The command numbers of the buttons, in order; 0 for a gap.
  std::vector<int> layout() const;

 signals:
  void commandChosen(int command);

 private:
  std::vector<ButtonCommand> table_;
  QString defaultDescription_;
};
