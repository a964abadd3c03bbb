// TextDB: the checksum file INDEX_C.IX of an index, written at the end of every commit. It is
// one of the files the recovery record saves whole when an update begins, so a crash before
// the record is emptied puts the checksums back together with the files they describe; a
// rebuilt (compressed) file set brings its own, moved in with the other rebuilt files.
#include "index/ChecksumFormat.h"
#include "index/IndexChecksums.h"
#include "index/IndexFileNames.h"
#include "index/TextDB.h"
#include "objects/Fail.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

using namespace indexformat;

std::vector<std::string> TextDB::checksumPaths() const {
  std::vector<std::string> paths;
  for (uint32_t type : checksumformat::kCoveredTypes) paths.push_back(indexfiles::path(folder_, type));
  paths[checksumformat::kDictionaryEntry] = fileName(kKeyFile);
  return paths;
}

int TextDB::writeChecksums() {
  // The reference file only grows during an update: when the sums in place describe it as
  // it was when the update began, only its new bytes need reading.
  IndexChecksums previous, now;
  std::string reason;
  bool usable = previous.read(fileName(kChecksumFile), &reason) > 0;
  if (now.compute(checksumPaths(), usable ? &previous : nullptr, refStartBytes_) < 0 ||
      now.write(fileName(kChecksumFile)) < 0)
    return LXR_FAIL("TextDB::writeChecksums");
  return 0;
}

int TextDB::matchChecksums(std::string* why, uint32_t typesLeftOut) const {
  IndexChecksums sums;
  int got = sums.read(fileName(kChecksumFile), why);
  if (got <= 0) {
    if (got < 0) *why = "the checksum file INDEX_C.IX is damaged: " + *why;
    return got;
  }
  std::vector<std::string> paths = checksumPaths();
  for (int i = 0; i < checksumformat::kCoveredCount; ++i)
    if (checksumformat::kCoveredTypes[i] & typesLeftOut) paths[static_cast<size_t>(i)].clear();
  // Every byte counts, the reference file's too: an update extends word lists whose older
  // blocks it reads, so damage there would be carried into the new lists. Reading the files
  // once costs about a second per gigabyte of index, paid by writers only.
  return sums.check(paths, why) == 0 ? 1 : -1;
}

int TextDB::writeRebuiltChecksums() {
  // The rebuilt set (header and options included) replaces every covered file but the
  // settings files N, S and L.
  const std::string work = workFolder();
  std::vector<std::string> paths = checksumPaths();
  for (int i = 0; i < checksumformat::kCoveredCount; ++i) {
    uint32_t type = checksumformat::kCoveredTypes[i];
    if (type != kNoiseFile && type != kFiltersFile && type != kFoldersFile)
      paths[static_cast<size_t>(i)] = indexfiles::path(work, type);
  }
  IndexChecksums sums;
  if (sums.compute(paths) < 0 || sums.write(indexfiles::path(work, kChecksumFile)) < 0)
    return LXR_FAIL("TextDB::writeRebuiltChecksums");
  return 0;
}
