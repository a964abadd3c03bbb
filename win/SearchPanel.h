// The search side of the main window: the request box with the search history, the request's
// explanation on demand, the indexes of the library (several may be ticked), the folder for
// searches of files not indexed, and the word options (fuzzy with its level, phonic,
// stemming, synonyms, natural language). Depends on win/IndexList and Qt Widgets.
#pragma once

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "win/IndexList.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;

class SearchPanel : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMaxHistory = 100;

  explicit SearchPanel(QWidget* parent = nullptr);

  QString request() const;
  void setRequest(const QString& text);
  // The history, newest first (from the engine's SHISTORY.DAT).
  void setHistory(const QStringList& requests);
  QStringList history() const;

  // Fills the index list; the folders in `ticked` are ticked.
  void setIndexes(const std::vector<IndexEntry>& indexes, const QStringList& ticked);
  QStringList tickedFolders() const;
  // Ticks the index in `folder`. False when the list has none there.
  bool tick(const QString& folder);

  QString filesFolder() const;
  void setFilesFolder(const QString& folder);

  int16_t searchFlags() const;  // LXR_SEARCH_...
  int16_t fuzziness() const;
  void setWordOptions(int16_t flags, int16_t fuzziness);

  // Shows `text` as the request's explanation.
  void showExplanation(const QString& text);
  QString explanation() const;

  QComboBox* requestBox() const { return request_; }
  QListWidget* indexList() const { return indexes_; }

 signals:
  void searchRequested();   // Enter in the request box or the Search button
  void explainRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QComboBox* request_;
  QListWidget* indexes_;
  QLineEdit* files_;
  QCheckBox* fuzzy_;
  QSpinBox* fuzzyLevel_;
  QCheckBox* phonic_;
  QCheckBox* stemming_;
  QCheckBox* synonyms_;
  QCheckBox* natural_;
  QPlainTextEdit* explanation_;
};
