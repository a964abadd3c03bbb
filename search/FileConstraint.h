// FileConstraint: one file condition of an XFILTER clause (a path or name pattern, a date or
// size range), tested against what the document table knows of a document's file.
// Depends on objects/DosDateTime only.
#pragma once

#include <cstdint>
#include <string>

#include "objects/DosDateTime.h"

// What a condition is tested against.
struct FileFacts {
  std::string fileName;  // full name; a container member as "ARCHIVE/MEMBER"
  dosdate::DosDateTime modDate = 0;
  dosdate::DosDateTime createDate = 0;
  bool hasCreateDate = false;  // without it a creation date condition never holds
  int64_t size = 0;
};

// Threads: a plain value once made.
class FileConstraint {
 public:
  virtual ~FileConstraint() = default;
  // True when the file meets the condition.
  virtual bool matches(const FileFacts& file) const = 0;
  // The condition as the user would write it ("name *.txt", "size 10~~20").
  virtual std::string describe() const = 0;
};
