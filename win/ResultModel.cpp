#include "win/ResultModel.h"

#include <QLocale>

#include <algorithm>

#include "win/EngineText.h"

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const ResultRow& r = rows_[static_cast<size_t>(index.row())];
  if (role == Qt::TextAlignmentRole) {
    bool number = index.column() == kScore || index.column() == kHits || index.column() == kSize;
    return QVariant::fromValue(Qt::Alignment(number ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter));
  }
  if (role == Qt::ToolTipRole) return r.folder + "/" + r.name;
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kScore: return r.score;
    case kHits: return r.hitCount;
    case kName: return r.name;
    case kFolder: return r.folder;
    case kDate: return r.date;
    case kSize: return QLocale().toString(r.size);
    case kTitle: return r.title;
    default: return {};
  }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kNames[kColumnCount] = {"Score", "Hits", "Name", "Folder", "Date", "Size", "Title"};
  return section >= 0 && section < kColumnCount ? QString::fromLatin1(kNames[section]) : QVariant();
}

void ResultModel::sort(int column, Qt::SortOrder order) {
  auto key = [column](const ResultRow& a, const ResultRow& b) {
    switch (column) {
      case kScore: return a.score < b.score;
      case kHits: return a.hitCount < b.hitCount;
      case kName: return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
      case kFolder: return QString::compare(a.folder, b.folder, Qt::CaseInsensitive) < 0;
      case kDate: return a.date < b.date;
      case kSize: return a.size < b.size;
      case kTitle: return QString::compare(a.title, b.title, Qt::CaseInsensitive) < 0;
      default: return false;
    }
  };
  emit layoutAboutToBeChanged();
  if (order == Qt::AscendingOrder)
    std::stable_sort(rows_.begin(), rows_.end(), key);
  else
    std::stable_sort(rows_.begin(), rows_.end(), [&](const ResultRow& a, const ResultRow& b) { return key(b, a); });
  emit layoutChanged();
}

void ResultModel::clear() { replace({}); }

void ResultModel::add(ResultRow row) {
  const int n = rowCount();
  beginInsertRows(QModelIndex(), n, n);
  rows_.push_back(std::move(row));
  endInsertRows();
}

void ResultModel::replace(std::vector<ResultRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void ResultModel::splitName(const std::string& engineName, QString* name, QString* folder) {
  QString whole = enginetext::fromFileName(engineName.c_str());
  qsizetype slash = whole.lastIndexOf(u'/');
  *name = slash < 0 ? whole : whole.mid(slash + 1);
  *folder = slash <= 0 ? QString(slash == 0 ? "/" : "") : whole.left(slash);
}
