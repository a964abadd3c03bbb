#include "win/Launcher.h"

#include <QFileInfo>
#include <QProcess>

namespace launcher {

namespace {

QString& configured() {
  static QString program;
  return program;
}

}  // namespace

void setProgram(const QString& p) { configured() = p; }

QString program() { return configured().isEmpty() ? QString::fromLatin1(kDefaultProgram) : configured(); }

int launch(const QString& file, QString* why) {
  if (!QFileInfo(file).isFile()) {
    *why = QObject::tr("%1 is not a file that can be opened on its own.").arg(file);
    return -1;
  }
  if (!QProcess::startDetached(program(), {file})) {
    *why = QObject::tr("%1 could not be started to open %2.").arg(program(), file);
    return -1;
  }
  return 0;
}

}  // namespace launcher
