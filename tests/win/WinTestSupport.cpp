#include "tests/win/WinTestSupport.h"

#include <QDir>
#include <QPrinter>

#include <cstdio>

#include "lexaurum/lexaurum.h"
#include "win/EngineText.h"

namespace wintest {

QString sourcePath(const QString& relative) { return QStringLiteral(LXR_SOURCE_DIR "/") + relative; }

Engine::Engine() {
  StartupSettings s = settings();
  int32_t code = 0;
  ok_ = dir_.isValid() && startup::initEngine(s, "lexaurum-test", &code) == 0;
}

Engine::~Engine() {
  int16_t result = 0;
  if (ok_) lxrsDoShutDown(&result);
}

StartupSettings Engine::settings() const {
  StartupSettings s;
  s.homeDir = sourcePath("data");
  s.privateDir = privateDir();
  return s;
}

int Engine::makeIndex(const QString& name, const QString& folder) {
  lxrIndexJob job;
  LXR_INIT_RECORD(job);
  std::snprintf(job.indexName, sizeof job.indexName, "%s", name.toUtf8().constData());
  std::snprintf(job.indexPath, sizeof job.indexPath, "%s", enginetext::toFileName(file(name)).c_str());
  std::snprintf(job.toAdd.directory, sizeof job.toAdd.directory, "%s", enginetext::toFileName(folder).c_str());
  job.create = job.add = job.addToLibrary = 1;
  int16_t result = 0;
  return lxrsDoIndexJob(&job, &result);
}

bool ScriptedPrompts::print(QWidget*, QPrinter* printer) {
  if (pdfAnswer.isEmpty()) return false;
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(pdfAnswer);
  return true;
}

}  // namespace wintest
