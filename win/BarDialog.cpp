#include "win/BarDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "win/ButtonPictures.h"

BarDialog::BarDialog(const std::vector<ButtonCommand>& table, const QString& defaultDescription,
                     const QString& current, QWidget* parent)
    : QDialog(parent), default_(defaultDescription) {
  setWindowTitle(tr("Button Bar"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Buttons, separated by commas; \"-\" is a gap:"), this));
  edit_ = new QLineEdit(current.isEmpty() ? defaultDescription : current, this);
  edit_->setMaxLength(2048);
  layout->addWidget(edit_);
  layout->addWidget(new QLabel(tr("Double-click a button to add it:"), this));
  names_ = new QListWidget(this);
  for (const ButtonCommand& c : table)
    new QListWidgetItem(buttonpictures::forCommand(c.command), c.name, names_);
  layout->addWidget(names_);
  auto* row = new QHBoxLayout;
  auto* gap = new QPushButton(tr("Add Gap"), this);
  auto* reset = new QPushButton(tr("Default"), this);
  row->addWidget(gap);
  row->addWidget(reset);
  row->addStretch();
  layout->addLayout(row);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  connect(names_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { append(item->text()); });
  connect(gap, &QPushButton::clicked, this, [this] { append(QStringLiteral("-")); });
  connect(reset, &QPushButton::clicked, this, [this] { edit_->setText(default_); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void BarDialog::append(const QString& piece) {
  QString text = edit_->text();
  if (!text.isEmpty() && !text.endsWith(u',')) text += u',';
  edit_->setText(text + piece + u',');
}

QString BarDialog::description() const {
  const QString text = edit_->text();
  return text == default_ ? QString() : text;
}
