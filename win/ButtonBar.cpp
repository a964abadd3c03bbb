#include "win/ButtonBar.h"

#include <QAction>

#include "win/ButtonPictures.h"
#include "win/MessageBoxes.h"

ButtonBar::ButtonBar(std::vector<ButtonCommand> table, QString defaultDescription, QWidget* parent)
    : QToolBar(tr("Button Bar"), parent), table_(std::move(table)), defaultDescription_(std::move(defaultDescription)) {
  setObjectName(QStringLiteral("buttonBar"));
  setIconSize(QSize(buttonpictures::kPictureSize, buttonpictures::kPictureSize));
  setToolButtonStyle(Qt::ToolButtonIconOnly);
}

BarPlan ButtonBar::rebuild(const QString& userDescription) {
  clear();
  BarPlan plan = buttontable::plan(userDescription, defaultDescription_, table_);
  for (const BarItem& item : plan.items) {
    if (item.gap) {
      addSeparator();
      continue;
    }
    QAction* a = addAction(buttonpictures::forCommand(item.command), item.name);
    a->setData(item.command);
    a->setToolTip(item.name);
    const int command = item.command;
    connect(a, &QAction::triggered, this, [this, command] { emit commandChosen(command); });
  }
  for (const QString& name : plan.unknownNames)
    messageboxes::showError(QString::fromLatin1(messageboxes::kCaption), buttontable::unknownMessage(name));
  return plan;
}

std::vector<int> ButtonBar::layout() const {
  std::vector<int> out;
  for (QAction* a : actions()) out.push_back(a->isSeparator() ? 0 : a->data().toInt());
  return out;
}
