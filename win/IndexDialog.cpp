#include "win/IndexDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "lexaurum/lexaurum.h"
#include "win/Prompts.h"

namespace {

QStringList words(const QString& text) { return text.split(u' ', Qt::SkipEmptyParts); }

// A line edit with a Browse button that asks for a folder.
QWidget* folderField(QLineEdit* edit, QWidget* parent, const QString& title) {
  auto* box = new QWidget(parent);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  auto* browse = new QPushButton(QObject::tr("Browse..."), box);
  row->addWidget(edit);
  row->addWidget(browse);
  QObject::connect(browse, &QPushButton::clicked, box, [edit, parent, title] {
    QString f = Prompts::current().folder(parent, title);
    if (!f.isEmpty()) edit->setText(f);
  });
  return box;
}

}  // namespace

IndexDialog::IndexDialog(Mode mode, std::vector<IndexEntry> library, QWidget* parent)
    : QDialog(parent), mode_(mode), library_(std::move(library)) {
  setWindowTitle(mode == Mode::kCreate ? tr("Create Index") : tr("Update Index"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  layout->addLayout(form);
  if (mode == Mode::kCreate) {
    name_ = new QLineEdit(this);
    name_->setMaxLength(LXR_INDEX_NAME_CHARS - 1);
    folder_ = new QLineEdit(this);
    folder_->setMaxLength(LXR_PATH_CHARS - 1);
    form->addRow(tr("Index name:"), name_);
    form->addRow(tr("Index folder:"), folderField(folder_, this, tr("Index Folder")));
    connect(name_, &QLineEdit::textChanged, this, &IndexDialog::updateOk);
    connect(folder_, &QLineEdit::textChanged, this, &IndexDialog::updateOk);
  } else {
    index_ = new QComboBox(this);
    for (const IndexEntry& e : library_) index_->addItem(e.name + "  (" + e.folder + ")");
    form->addRow(tr("Index:"), index_);
  }
  folders_ = new QListWidget(this);
  folders_->setMaximumHeight(90);
  auto* holder = new QWidget(this);
  auto* folderButtons = new QHBoxLayout(holder);
  folderButtons->setContentsMargins(0, 0, 0, 0);
  auto* add = new QPushButton(tr("Add Folder..."), holder);
  auto* remove = new QPushButton(tr("Remove"), holder);
  folderButtons->addWidget(add);
  folderButtons->addWidget(remove);
  folderButtons->addStretch();
  form->addRow(mode == Mode::kCreate ? tr("Documents in:") : tr("Documents in\n(empty: as before):"), folders_);
  form->addRow(QString(), holder);
  include_ = new QLineEdit(this);
  include_->setPlaceholderText(tr("e.g. *.txt *.htm* (empty: every file)"));
  exclude_ = new QLineEdit(this);
  form->addRow(tr("Include:"), include_);
  form->addRow(tr("Exclude:"), exclude_);
  connect(add, &QPushButton::clicked, this, [this] {
    QString f = Prompts::current().folder(this, tr("Documents Folder"));
    if (!f.isEmpty()) addDocumentFolder(f);
  });
  connect(remove, &QPushButton::clicked, this, [this] { delete folders_->currentItem(); updateOk(); });
  if (mode == Mode::kCreate) {
    case_ = new QCheckBox(tr("Case-sensitive"), this);
    accent_ = new QCheckBox(tr("Accent-sensitive"), this);
    relative_ = new QCheckBox(tr("Store paths relative to the index"), this);
    library_check_ = new QCheckBox(tr("Add to the index library"), this);
    library_check_->setChecked(true);
    for (QCheckBox* c : {case_, accent_, relative_, library_check_}) layout->addWidget(c);
  } else {
    removeDeleted_ = new QCheckBox(tr("Remove documents whose files are gone"), this);
    compress_ = new QCheckBox(tr("Compress the index afterwards"), this);
    layout->addWidget(removeDeleted_);
    layout->addWidget(compress_);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  updateOk();
}

void IndexDialog::addDocumentFolder(const QString& folder) {
  folders_->addItem(QDir::cleanPath(folder));
  updateOk();
}

void IndexDialog::updateOk() {
  bool ok = mode_ == Mode::kCreate ? !name_->text().trimmed().isEmpty() && !folder_->text().trimmed().isEmpty()
                                   : !library_.empty();
  ok_->setEnabled(ok);
}

IndexRequest IndexDialog::request() const {
  IndexRequest r;
  r.create = mode_ == Mode::kCreate;
  if (r.create) {
    r.name = name_->text().trimmed();
    r.folder = QDir::cleanPath(QDir::current().absoluteFilePath(folder_->text().trimmed()));
    r.caseSensitive = case_->isChecked();
    r.accentSensitive = accent_->isChecked();
    r.relativePaths = relative_->isChecked();
    r.addToLibrary = library_check_->isChecked();
  } else if (index_->currentIndex() >= 0 && index_->currentIndex() < static_cast<int>(library_.size())) {
    const IndexEntry& e = library_[static_cast<size_t>(index_->currentIndex())];
    r.name = e.name;
    r.folder = e.folder;
    r.removeDeleted = removeDeleted_->isChecked();
    r.compress = compress_->isChecked();
    r.addToLibrary = false;
  }
  for (int i = 0; i < folders_->count(); ++i) r.documentFolders << folders_->item(i)->text();
  r.includes = words(include_->text());
  r.excludes = words(exclude_->text());
  return r;
}
