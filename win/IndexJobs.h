// Index jobs from the main window: create an index or update one (folders, include and
// exclude patterns, the index options), and verify one, each with a status window whose
// Cancel reaches the job's cancel flag. Depends on win/JobStatusWindow and the engine's
// public header.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;
struct lxrIndexProgressInfo;

struct IndexRequest {
  QString name;    // the index's name in the library
  QString folder;  // the index's folder
  bool create = false;
  QStringList documentFolders;  // empty with an update: the folders kept with the index
  QStringList includes, excludes;
  bool caseSensitive = false, accentSensitive = false, relativePaths = false;
  bool addToLibrary = true;
  bool removeDeleted = false;
  bool compress = false;
};

struct IndexOutcome {
  int result = -1;           // the job's result: 0 or -1
  int cancelPresses = 0;     // how often Cancel was pressed
  int filesIndexed = 0;      // as the last progress report gave it
  QString lastStatus;
};

namespace indexjobs {

// Runs the job; a list of the document folders is written to the private folder for its
// duration when there is more than one. The engine shows its own messages.
IndexOutcome run(const IndexRequest& request, const QString& privateDir, QWidget* parent);

// Verifies the index in `folder`. 0 when it verified; -1 with the first fault in *failure.
int verify(const QString& folder, QWidget* parent, QString* failure);

// The status line for an index job's progress record.
QString progressText(const lxrIndexProgressInfo& p);

}  // namespace indexjobs
