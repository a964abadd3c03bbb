// TextDB: putting a rebuilt (compressed) file set in place, and finishing a switch that a
// crash interrupted. The rebuilt files wait in the work folder; a marker file there says
// that the switch has begun, so from then on the next open moves the remaining files
// instead of leaving a mix of old and new files.
#include <vector>

#include "index/IndexFileNames.h"
#include "index/TextDB.h"
#include "io/File.h"
#include "io/FileMode.h"
#include "io/WholeFile.h"
#include "objects/Fail.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

using namespace indexformat;

namespace {

constexpr const char* kMarkerName = "SWITCH.TMP";
// In this order: the header, which describes the others, comes last. The options and the
// checksum file (index-checksums.md) of the rebuilt set travel with it.
constexpr const char* kSwitchedFiles[] = {
    indexfiles::nameOf(kRefFile),     indexfiles::nameOf(kDocFile),      indexfiles::nameOf(kDocIndexFile),
    indexfiles::nameOf(kKeyFile),     indexfiles::nameOf(kOptionsFile),  indexfiles::nameOf(kChecksumFile),
    indexfiles::nameOf(kHeaderFile)};

int syncByName(const std::string& name) {
  File f;
  if (f.open(name.c_str(), filemode::kRead | filemode::kWrite | filemode::kShareRead |
                               filemode::kShareWrite) < 0 ||
      f.commit() < 0)
    return -1;
  return f.release();
}

}  // namespace

bool TextDB::switchPending(const std::string& folder) {
  return platform::fileExists((folder + "/" + kWorkFolder + "/" + kMarkerName).c_str());
}

int TextDB::settleRebuilt(const std::string& folder) {
  if (!switchPending(folder)) return 0;
  trace::line("TextDB: completing the switch to a rebuilt index in %s", folder.c_str());
  std::string work = folder + "/" + kWorkFolder;
  for (const char* name : kSwitchedFiles) {
    std::string from = work + "/" + name;
    if (platform::fileExists(from.c_str()) &&
        platform::renameFile(from.c_str(), (folder + "/" + name).c_str()) < 0)
      return LXR_FAIL("settleRebuilt: a rebuilt file cannot be moved");
  }
  // No copy is pending in the new header: the old set's copies go.
  removeStaleDictionaries(folder, 0, 0);
  platform::removeFile((work + "/" + kMarkerName).c_str());
  return 0;
}

int TextDB::switchToRebuilt(const IndexHeader& header) {
  if (!writing_ || !journal_.isArmed()) return LXR_FAIL("switchToRebuilt: not writing");
  if (openTypes_ & (kDocFile | kKeyFile | kRefFile)) return LXR_FAIL("switchToRebuilt: files open");
  const std::string work = workFolder();
  // Everything the switch will need is complete and on the disk before it begins.
  char bytes[kHeaderBytes];
  IndexHeader fresh = header;
  fresh.inUse = 0;
  fresh.pendingDictionary = 0;
  fresh.encode(bytes);
  if (wholefile::write(indexfiles::path(work, kHeaderFile), std::string(bytes, kHeaderBytes)) < 0 ||
      indexoptions::writeFile(indexfiles::path(work, kOptionsFile), fresh) < 0)
    return LXR_FAIL("switchToRebuilt: header");
  if (writeRebuiltChecksums() < 0) return -1;
  for (const char* name : kSwitchedFiles)
    if (syncByName(work + "/" + name) < 0) return LXR_FAIL("switchToRebuilt: sync");
  if (wholefile::write(work + "/" + kMarkerName, "switch\r\n") < 0)
    return LXR_FAIL("switchToRebuilt: marker");
  // From here on the marker, not the recovery record, says what the index is.
  if (journal_.finish() < 0) return LXR_FAIL("switchToRebuilt: journal");
  writing_ = false;
  newDictionary_ = 0;
  header_ = fresh;
  return settleRebuilt(folder_);
}
