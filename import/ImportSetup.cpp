// Installing an alphabet file as the process-wide alphabet.
#include "import/ImportSetup.h"

#include "import/Alphabet.h"
#include "import/TextFormat.h"
#include "objects/MessageTable.h"
#include "objects/Trace.h"

namespace importsetup {

int setAlphabet(const std::string& path, bool quiet) {
  trace::text("ImportSetup::setAlphabet...");
  Alphabet loaded;
  int rc = loaded.readFile(path);
  if (rc < 0 && !quiet) {
    messages::showError(95, {path});
    trace::text("ImportSetup::setAlphabet... Done");
    return -1;
  }
  Alphabet& global = processAlphabet();
  global = loaded;
  global.foldAccents(true);
  global.foldUpper(true);
  global.rebuildMap();
  if (rc == 0 && !quiet) messages::showInfo(109, {path});
  textformat::setupAlphabet();
  trace::text("ImportSetup::setAlphabet... Done");
  return rc;
}

}  // namespace importsetup
