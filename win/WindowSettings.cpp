#include "win/WindowSettings.h"

#include <QSettings>

#include <algorithm>

namespace {

QString fileIn(const QString& privateDir) { return privateDir + "/" + WindowSettings::kFileName; }

}  // namespace

WindowSettings WindowSettings::load(const QString& privateDir) {
  QSettings s(fileIn(privateDir), QSettings::IniFormat);
  WindowSettings w;
  w.barDescription = s.value("buttonBar/description").toString().left(kMaxDescriptionChars);
  w.font = s.value("viewer/font").toString().left(512);
  w.zoom = std::clamp(s.value("viewer/zoom", 0).toInt(), -8, 16);
  w.wrap = s.value("viewer/wrap", true).toBool();
  w.inverted = s.value("viewer/inverted", false).toBool();
  w.searchFlags = static_cast<int16_t>(s.value("search/flags", 0).toInt() & 0x1F);
  w.fuzziness = static_cast<int16_t>(std::clamp(s.value("search/fuzziness", 0).toInt(), 0, 9));
  w.indexes = s.value("search/indexes").toStringList().mid(0, 200);
  w.filesFolder = s.value("search/filesFolder").toString().left(511);
  w.geometry = s.value("window/geometry").toByteArray();
  w.state = s.value("window/state").toByteArray();
  w.splitter = s.value("window/splitter").toByteArray();
  return w;
}

int WindowSettings::save(const QString& privateDir) const {
  QSettings s(fileIn(privateDir), QSettings::IniFormat);
  s.setValue("buttonBar/description", barDescription);
  s.setValue("viewer/font", font);
  s.setValue("viewer/zoom", zoom);
  s.setValue("viewer/wrap", wrap);
  s.setValue("viewer/inverted", inverted);
  s.setValue("search/flags", searchFlags);
  s.setValue("search/fuzziness", fuzziness);
  s.setValue("search/indexes", indexes);
  s.setValue("search/filesFolder", filesFolder);
  s.setValue("window/geometry", geometry);
  s.setValue("window/state", state);
  s.setValue("window/splitter", splitter);
  s.sync();
  return s.status() == QSettings::NoError ? 0 : -1;
}
