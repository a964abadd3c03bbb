// The dialog in which the user edits the button bar description: the description as text,
// the names of the button command table to add with a click, a gap, and the default.
// Depends on win/ButtonTable and Qt Widgets.
#pragma once

#include <QDialog>

#include <vector>

#include "win/ButtonTable.h"

class QLineEdit;
class QListWidget;

class BarDialog : public QDialog {
  Q_OBJECT
 public:
  BarDialog(const std::vector<ButtonCommand>& table, const QString& defaultDescription,
            const QString& current, QWidget* parent = nullptr);

  // The description as edited; empty when it is the default.
  QString description() const;
  QLineEdit* editor() const { return edit_; }

 private:
  void append(const QString& piece);

  QString default_;
  QLineEdit* edit_;
  QListWidget* names_;
};
