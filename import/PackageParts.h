// PackageParts: the parts (members) of a document package, a ZIP archive such as an Office
// Open XML, OpenDocument or EPUB file, read by name within the ZIP expansion limits
// (import/ZipArchive). Also the naming rules the packages share: a part named relative to
// another, and the title and author of a properties part. Depends on import/ZipArchive,
// import/XmlReader.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "import/ZipArchive.h"

class MemorySource;

// Threads: one user at a time.
class PackageParts {
 public:
  PackageParts();
  ~PackageParts();
  PackageParts(const PackageParts&) = delete;
  PackageParts& operator=(const PackageParts&) = delete;

  // Opens the archive in `bytes` (copied). 0, or -1 with error() set.
  int open(std::string_view bytes);
  // True when a member of that name exists (exactly, else without regard to case).
  bool has(const std::string& name);
  // The member's bytes. 0, or -1 (missing, too large, damaged, encrypted) with error() set
  // and `bytes` empty.
  int read(const std::string& name, std::string* bytes);
  // The names of all members, in directory order.
  std::vector<std::string> names();
  const std::string& error() const { return error_; }

 private:
  std::unique_ptr<MemorySource> source_;
  ZipArchive zip_;
  std::string error_;
};

namespace packageparts {

// The part that `target` names from the part `from` ("word/document.xml" and "media/a.png"
// give "word/media/a.png"; "/x" is from the root; ".." climbs, never above the root; "%20"
// and the other escapes are decoded; a fragment "#..." is dropped).
std::string resolve(std::string_view from, std::string_view target);
// The folder of a part, with its final "/" ("word/" for "word/document.xml"; "" at the root).
std::string folderOf(std::string_view part);

// The title and author of a properties part (Office core properties, OpenDocument meta,
// the EPUB package): the first dc:title, and the dc:creator elements (joined by "; ", at
// most a few), else meta:initial-creator. One line each, at most 255 bytes.
void readProperties(std::string_view xml, std::string* title, std::string* author);

}  // namespace packageparts
