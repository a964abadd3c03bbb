// The Create Index and Update Index dialogs: the index (a new name and folder, or one of the
// library), the document folders, include and exclude patterns, and the index options. The
// job itself is run by win/IndexJobs. Depends on win/IndexList and Qt Widgets.
#pragma once

#include <QDialog>

#include <vector>

#include "win/IndexJobs.h"
#include "win/IndexList.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

class IndexDialog : public QDialog {
  Q_OBJECT
 public:
  enum class Mode { kCreate, kUpdate };

  // `library` fills the index choice of an update.
  IndexDialog(Mode mode, std::vector<IndexEntry> library, QWidget* parent = nullptr);

  // The job the dialog describes (patterns split at blanks).
  IndexRequest request() const;

  // The fields, for filling in code (the main window's tests, a folder handed over).
  QLineEdit* nameEdit() const { return name_; }
  QLineEdit* folderEdit() const { return folder_; }
  QComboBox* indexChoice() const { return index_; }
  QLineEdit* includeEdit() const { return include_; }
  QLineEdit* excludeEdit() const { return exclude_; }
  void addDocumentFolder(const QString& folder);

 private:
  void updateOk();

  Mode mode_;
  std::vector<IndexEntry> library_;
  QLineEdit* name_ = nullptr;
  QLineEdit* folder_ = nullptr;
  QComboBox* index_ = nullptr;
  QListWidget* folders_;
  QLineEdit* include_;
  QLineEdit* exclude_;
  QCheckBox* case_ = nullptr;
  QCheckBox* accent_ = nullptr;
  QCheckBox* relative_ = nullptr;
  QCheckBox* library_check_ = nullptr;
  QCheckBox* removeDeleted_ = nullptr;
  QCheckBox* compress_ = nullptr;
  QPushButton* ok_;
};
