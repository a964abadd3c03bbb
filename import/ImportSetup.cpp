// Loading the engine's alphabet file.
#include "import/ImportSetup.h"

#include "import/Alphabet.h"
#include "objects/Trace.h"

namespace importsetup {

int loadAlphabet(const std::string& path, bool resetOnFailure, Alphabet* alphabet) {
  trace::text("ImportSetup::loadAlphabet...");
  Alphabet loaded;
  int rc = loaded.readFile(path);
  if (rc < 0 && !resetOnFailure) {
    trace::text("ImportSetup::loadAlphabet... Done");
    return -1;
  }
  loaded.setHyphenMode(alphabet->hyphenMode());
  loaded.foldAccents(true);
  loaded.foldUpper(true);
  loaded.rebuildMap();
  *alphabet = loaded;
  trace::text("ImportSetup::loadAlphabet... Done");
  return rc;
}

}  // namespace importsetup
