// Failure kinds: tags and words of the engine's messages, and the header's in-use byte.
#include "tools/FailureKind.h"

#include <cstdio>
#include <fstream>

#include "index/IndexFileNames.h"
#include "index/IndexFormat.h"
#include "tools/ExitCodes.h"

namespace failurekind {

namespace {

bool mentions(const std::string& text, const char* words) { return text.find(words) != std::string::npos; }

bool tagged(const std::string& text, const char* tag) { return text.compare(0, std::string(tag).size(), tag) == 0; }

bool looksDamaged(const std::string& text) {
  for (const char* w : {"damaged", "failed verification", "another version", "cannot read index",
                        "too short", "checksum", "does not match"})
    if (mentions(text, w)) return true;
  return false;
}

}  // namespace

bool heldByWriter(const std::string& folder, std::string* writer) {
  using namespace indexformat;
  std::ifstream in(folder + "/" + indexfiles::nameOf(kHeaderFile), std::ios::binary);
  char header[kReservedBytePos + 1] = {};
  if (!in.read(header, sizeof header)) return false;
  if (header[kInUsePos] != 1) return false;
  const char* name = header + kWriterPos;
  size_t n = 0;
  while (n < static_cast<size_t>(kVersionTagPos - kWriterPos) && name[n] != '\0') ++n;
  *writer = std::string(name, n);
  return true;
}

int exitFor(const std::vector<std::string>& errors, const std::string& indexFolder) {
  bool refused = false;
  for (const std::string& e : errors) {
    if (tagged(e, kRequestTag)) return exitcodes::kUsage;
    if (looksDamaged(e)) return exitcodes::kDamaged;
    if (mentions(e, "ermission denied") || mentions(e, "in use")) refused = true;
  }
  std::string writer, folder = indexFolder;
  // Without a folder (a job script's commands name their own), the refused one is the
  // folder of the engine's "The index FOLDER could not be opened" message.
  for (const std::string& e : errors) {
    const std::string head = "The index ", tail = " could not be opened";
    size_t end = e.find(tail);
    if (folder.empty() && refused && e.compare(0, head.size(), head) == 0 && end != std::string::npos)
      folder = e.substr(head.size(), end - head.size());
  }
  if (refused && !folder.empty() && heldByWriter(folder, &writer)) {
    std::fprintf(stderr, "lxr: %s is in use by another writer%s; try again when it has finished\n",
                 folder.c_str(), writer.empty() ? "" : (" (" + writer + ")").c_str());
    return exitcodes::kBusy;
  }
  return exitcodes::kIoError;
}

}  // namespace failurekind
