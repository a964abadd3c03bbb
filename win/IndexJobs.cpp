#include "win/IndexJobs.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <string>

#include "lexaurum/lexaurum.h"
#include "win/EngineText.h"
#include "win/JobStatusWindow.h"

namespace indexjobs {

namespace {

struct Running {
  JobStatusWindow* status = nullptr;
  IndexOutcome* outcome = nullptr;
};

void copyField(char* field, size_t capacity, const std::string& value) {
  std::snprintf(field, capacity, "%s", value.c_str());
}

void onProgress(uintptr_t data, void* record) {
  auto* r = reinterpret_cast<Running*>(data);
  const auto* p = static_cast<const lxrIndexProgressInfo*>(record);
  if (p->structSize == 0) return;  // the engine's probe of the call-back
  r->outcome->filesIndexed = p->filesIndexed;
  r->outcome->lastStatus = progressText(*p);
  r->status->report(r->outcome->lastStatus, p->phase == 3 || p->phase == 4 ? p->percentDone : -1);
}

StringSet* patterns(const QStringList& items) {
  StringSet* set = lxrsNewStringSet();
  for (const QString& s : items) lxrsStringSetAdd(set, enginetext::toEngine(s).c_str());
  return set;
}

}  // namespace

QString progressText(const lxrIndexProgressInfo& p) {
  const QString file = enginetext::fromFileName(p.fileName);
  switch (p.phase) {
    case 1: return QObject::tr("Starting");
    case 2: return QObject::tr("Creating the index");
    case 3:
      return QObject::tr("Checking files: %1 of %2 checked, %3 to index")
          .arg(p.filesChecked).arg(p.filesSelected).arg(p.filesToIndex);
    case 4:
      return QObject::tr("Indexing %1 of %2: %3").arg(p.filesIndexed + 1).arg(p.filesToIndex).arg(file);
    case 5: return QObject::tr("Storing the documents");
    case 6: return QObject::tr("Merging the words into the index");
    case 7: return QObject::tr("Compressing the index");
    case 8: return QObject::tr("Done: %1 documents indexed").arg(p.filesIndexed);
    default: return QString();
  }
}

IndexOutcome run(const IndexRequest& request, const QString& privateDir, QWidget* parent) {
  IndexOutcome out;
  lxrIndexJob job;
  LXR_INIT_RECORD(job);
  JobStatusWindow status(request.create ? QObject::tr("Create Index") : QObject::tr("Update Index"),
                         &job.base.cancelFlag, parent);
  Running running{&status, &out};
  job.base.pReportCallBack = onProgress;
  job.base.pReportData = reinterpret_cast<uintptr_t>(&running);
  copyField(job.indexName, sizeof job.indexName, enginetext::toEngine(request.name));
  copyField(job.indexPath, sizeof job.indexPath, enginetext::toFileName(request.folder));
  job.create = request.create;
  job.add = request.create ? !request.documentFolders.isEmpty() : 1;
  job.removeDeleted = request.removeDeleted;
  job.compress = request.compress;
  job.caseSensitive = request.caseSensitive;
  job.accentSensitive = request.accentSensitive;
  job.relativePaths = request.relativePaths;
  job.addToLibrary = request.addToLibrary;
  QString listName;
  if (request.documentFolders.size() == 1) {
    copyField(job.toAdd.directory, sizeof job.toAdd.directory, enginetext::toFileName(request.documentFolders[0]));
  } else if (request.documentFolders.size() > 1) {
    listName = privateDir + QStringLiteral("/FOLDERS%1.TMP").arg(QCoreApplication::applicationPid());
    // Made anew: whatever is at the name goes first (a link, not what it leads to), and the
    // open fails rather than write into a file that appeared meanwhile.
    QFile::remove(listName);
    QFile list(listName);
    if (!list.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return out;
    for (const QString& f : request.documentFolders) list.write(QFile::encodeName(f) + "\n");
    list.close();
    copyField(job.toAdd.directoryListName, sizeof job.toAdd.directoryListName, enginetext::toFileName(listName));
  }
  job.toAdd.includeFilters = patterns(request.includes);
  job.toAdd.excludeFilters = patterns(request.excludes);
  int16_t result = 0;
  lxrsDoIndexJob(&job, &result);
  lxrsFreeStringSet(job.toAdd.includeFilters);
  lxrsFreeStringSet(job.toAdd.excludeFilters);
  if (!listName.isEmpty()) QFile::remove(listName);
  out.result = result;
  out.cancelPresses = status.cancelPresses();
  return out;
}

int verify(const QString& folder, QWidget* parent, QString* failure) {
  lxrJobBase job{};
  job.structSize = sizeof job;
  JobStatusWindow status(QObject::tr("Verify Index"), &job.cancelFlag, parent);
  job.pReportCallBack = [](uintptr_t data, void* record) {
    const auto* p = static_cast<const lxrIndexProgressInfo*>(record);
    if (p->structSize == 0) return;
    reinterpret_cast<JobStatusWindow*>(data)->report(
        QObject::tr("Verifying: %1").arg(enginetext::fromFileName(p->fileName)), p->percentDone);
  };
  job.pReportData = reinterpret_cast<uintptr_t>(&status);
  char text[512] = "";
  int16_t result = 0;
  lxrsVerifyIndex(enginetext::toFileName(folder).c_str(), &job, text, sizeof text, &result);
  if (result < 0) *failure = enginetext::fromEngine(text);
  return result;
}

}  // namespace indexjobs
