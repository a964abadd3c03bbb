#include "win/SearchPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "lexaurum/lexaurum.h"
#include "win/Prompts.h"

SearchPanel::SearchPanel(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(new QLabel(tr("Search for:"), this));
  auto* row = new QHBoxLayout;
  request_ = new QComboBox(this);
  request_->setEditable(true);
  request_->setInsertPolicy(QComboBox::NoInsert);
  request_->setMaxCount(kMaxHistory);
  request_->lineEdit()->setMaxLength(LXR_REQUEST_CHARS - 1);
  request_->lineEdit()->setPlaceholderText(tr("words, \"phrases\", and, or, not, w/5 ..."));
  request_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  request_->installEventFilter(this);
  request_->lineEdit()->installEventFilter(this);
  auto* search = new QPushButton(tr("Search"), this);
  search->setDefault(true);
  auto* explain = new QPushButton(tr("Explain"), this);
  row->addWidget(request_);
  row->addWidget(search);
  row->addWidget(explain);
  layout->addLayout(row);
  connect(search, &QPushButton::clicked, this, &SearchPanel::searchRequested);
  connect(explain, &QPushButton::clicked, this, &SearchPanel::explainRequested);

  auto* options = new QGroupBox(tr("Word options"), this);
  auto* grid = new QGridLayout(options);
  fuzzy_ = new QCheckBox(tr("Fuzzy"), options);
  fuzzyLevel_ = new QSpinBox(options);
  fuzzyLevel_->setRange(1, 9);
  fuzzyLevel_->setValue(1);
  phonic_ = new QCheckBox(tr("Phonic"), options);
  stemming_ = new QCheckBox(tr("Stemming"), options);
  synonyms_ = new QCheckBox(tr("Synonyms"), options);
  natural_ = new QCheckBox(tr("Natural language"), options);
  grid->addWidget(fuzzy_, 0, 0);
  grid->addWidget(fuzzyLevel_, 0, 1);
  grid->addWidget(phonic_, 0, 2);
  grid->addWidget(stemming_, 1, 0);
  grid->addWidget(synonyms_, 1, 1);
  grid->addWidget(natural_, 1, 2);
  layout->addWidget(options);

  layout->addWidget(new QLabel(tr("Indexes:"), this));
  indexes_ = new QListWidget(this);
  indexes_->setMaximumHeight(110);
  layout->addWidget(indexes_);

  layout->addWidget(new QLabel(tr("Files not indexed (File Search, Combo Search):"), this));
  auto* filesRow = new QHBoxLayout;
  files_ = new QLineEdit(this);
  files_->setMaxLength(LXR_PATH_CHARS - 1);
  auto* browse = new QPushButton(tr("Browse..."), this);
  filesRow->addWidget(files_);
  filesRow->addWidget(browse);
  layout->addLayout(filesRow);
  connect(browse, &QPushButton::clicked, this, [this] {
    QString f = Prompts::current().folder(this, tr("Folder to Search"));
    if (!f.isEmpty()) files_->setText(f);
  });

  explanation_ = new QPlainTextEdit(this);
  explanation_->setReadOnly(true);
  explanation_->setPlaceholderText(tr("Explain shows here how the request is understood."));
  explanation_->setMaximumHeight(140);
  layout->addWidget(explanation_);
  layout->addStretch(1);
}

bool SearchPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      emit searchRequested();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

QString SearchPanel::request() const { return request_->currentText().trimmed(); }
void SearchPanel::setRequest(const QString& text) { request_->setEditText(text); }

void SearchPanel::setHistory(const QStringList& requests) {
  const QString typed = request_->currentText();
  request_->clear();
  QStringList seen;
  for (const QString& r : requests) {
    if (r.isEmpty() || seen.contains(r)) continue;
    seen << r;
    request_->addItem(r);
  }
  request_->setEditText(typed);
}

QStringList SearchPanel::history() const {
  QStringList out;
  for (int i = 0; i < request_->count(); ++i) out << request_->itemText(i);
  return out;
}

void SearchPanel::setIndexes(const std::vector<IndexEntry>& indexes, const QStringList& ticked) {
  indexes_->clear();
  for (const IndexEntry& e : indexes) {
    auto* item = new QListWidgetItem(e.name, indexes_);
    item->setData(Qt::UserRole, e.folder);
    item->setToolTip(e.folder);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked.contains(e.folder) ? Qt::Checked : Qt::Unchecked);
  }
}

QStringList SearchPanel::tickedFolders() const {
  QStringList out;
  for (int i = 0; i < indexes_->count(); ++i)
    if (indexes_->item(i)->checkState() == Qt::Checked) out << indexes_->item(i)->data(Qt::UserRole).toString();
  return out;
}

bool SearchPanel::tick(const QString& folder) {
  for (int i = 0; i < indexes_->count(); ++i) {
    if (indexes_->item(i)->data(Qt::UserRole).toString() == folder) {
      indexes_->item(i)->setCheckState(Qt::Checked);
      return true;
    }
  }
  return false;
}

QString SearchPanel::filesFolder() const { return files_->text().trimmed(); }
void SearchPanel::setFilesFolder(const QString& folder) { files_->setText(folder); }

int16_t SearchPanel::searchFlags() const {
  int flags = 0;
  if (fuzzy_->isChecked()) flags |= LXR_SEARCH_FUZZY;
  if (phonic_->isChecked()) flags |= LXR_SEARCH_PHONIC;
  if (stemming_->isChecked()) flags |= LXR_SEARCH_STEMMING;
  if (synonyms_->isChecked()) flags |= LXR_SEARCH_SYNONYMS;
  if (natural_->isChecked()) flags |= LXR_SEARCH_NATURAL;
  return static_cast<int16_t>(flags);
}

int16_t SearchPanel::fuzziness() const {
  return static_cast<int16_t>(fuzzy_->isChecked() ? fuzzyLevel_->value() : 0);
}

void SearchPanel::setWordOptions(int16_t flags, int16_t fuzziness) {
  fuzzy_->setChecked(flags & LXR_SEARCH_FUZZY);
  fuzzyLevel_->setValue(qBound(1, static_cast<int>(fuzziness), 9));
  phonic_->setChecked(flags & LXR_SEARCH_PHONIC);
  stemming_->setChecked(flags & LXR_SEARCH_STEMMING);
  synonyms_->setChecked(flags & LXR_SEARCH_SYNONYMS);
  natural_->setChecked(flags & LXR_SEARCH_NATURAL);
}

void SearchPanel::showExplanation(const QString& text) { explanation_->setPlainText(text); }
QString SearchPanel::explanation() const { return explanation_->toPlainText(); }
