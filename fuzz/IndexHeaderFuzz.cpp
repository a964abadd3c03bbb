// Fuzz target: the index header and the index options file, as the lock reads them. The
// input is the header's bytes (the first 863, or all when shorter) followed by the options
// file's text. Each input is decoded in memory (and must survive an encode/decode round
// trip unchanged), then written into a scratch index folder and opened for reading.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "api/IndexInfoRecord.h"
#include "index/IndexFileNames.h"
#include "index/IndexHeader.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "io/WholeFile.h"
#include "platform/Platform.h"

namespace {

std::string gFolder;

void removeScratch() {
  for (uint32_t type : {indexformat::kHeaderFile, indexformat::kOptionsFile, indexformat::kLockFile,
                        indexformat::kJournalFile})
    platform::removeFile(indexfiles::path(gFolder, type).c_str());
  platform::removeDirectory(gFolder.c_str());
}

const std::string& scratchFolder() {
  if (gFolder.empty()) {
    gFolder = "/tmp/lxr-index-header-fuzz." + std::to_string(getpid());
    platform::makeDirectories(gFolder.c_str());
    wholefile::write(indexfiles::path(gFolder, indexformat::kLockFile), "Lexaurum Lock File\n");
    std::atexit(removeScratch);
  }
  return gFolder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  size_t headerSize = size < indexformat::kHeaderBytes ? size : indexformat::kHeaderBytes;
  std::string header(bytes, headerSize);
  std::string options(bytes + headerSize, size - headerSize);

  IndexHeader h;
  if (h.decode(header.data(), header.data() + header.size()) == 0) {
    std::string why;
    h.problem(&why);
    char once[indexformat::kHeaderBytes];
    char twice[indexformat::kHeaderBytes];
    h.encode(once);
    IndexHeader back;
    if (back.decode(once, once + sizeof once) != 0) abort();
    back.encode(twice);
    if (std::memcmp(once, twice, sizeof once) != 0) abort();
    indexoptions::apply(options.data(), options.size(), &h);
    IndexHeader again;
    if (again.decode(once, once + sizeof once) != 0) abort();
    indexoptions::apply(indexoptions::text(h).data(), indexoptions::text(h).size(), &again);
  }

  const std::string& folder = scratchFolder();
  wholefile::write(indexfiles::path(folder, indexformat::kHeaderFile), header);
  const std::string optionsPath = indexfiles::path(folder, indexformat::kOptionsFile);
  if (options.empty()) {
    platform::removeFile(optionsPath.c_str());
  } else {
    wholefile::write(optionsPath, options);
  }
  TextDB db;
  db.setDirectory(folder);
  if (db.lockIndex(filemode::kRead) == 0) {
    lxrIndexInfo info;
    indexinfo::fill(db, &info);
    db.unlock();
  }
  return 0;
}
