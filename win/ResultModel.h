// The result list's model: one row per document found (score, hits, name, folder, date,
// size, title), kept with the document's name as the engine knows it and its hits, sortable
// by any column. Rows are added while a search runs and replaced by the finished list.
// Depends on Qt Core.
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

struct ResultRow {
  std::string engineName;  // the document's name as the engine has it (bytes)
  QString name;            // the file's own name, shown
  QString folder;
  QString date;            // "YYYY-MM-DD HH:MM:SS"
  QString title;
  int32_t size = 0;
  int32_t score = 0;
  int32_t hitCount = 0;
  std::vector<int32_t> hits;  // word numbers, ascending
};

class ResultModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kScore, kHits, kName, kFolder, kDate, kSize, kTitle, kColumnCount };

  explicit ResultModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

  void clear();
  void add(ResultRow row);
  void replace(std::vector<ResultRow> rows);
  // Requires: 0 <= row < rowCount().
  const ResultRow& row(int row) const { return rows_[static_cast<size_t>(row)]; }

  // Splits an engine name into the name and folder shown ("ARCHIVE/MEMBER" keeps the member's
  // own name).
  static void splitName(const std::string& engineName, QString* name, QString* folder);

 private:
  std::vector<ResultRow> rows_;
};
