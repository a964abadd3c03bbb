// PathConstraint and NameConstraint: file conditions on the folder or the name of a file,
// given as wildcard patterns ("?" "#" "@" "*", letter case ignored). Depends on
// search/FileConstraint and import/Wildcard.
#pragma once

#include <string>
#include <vector>

#include "search/FileConstraint.h"

// The file's folder (its full name up to the last "/") matches one of the patterns, which
// are separated by ";". A pattern ending in "/*" also takes the files of the folder itself.
class PathConstraint : public FileConstraint {
 public:
  explicit PathConstraint(const std::string& patterns);
  bool matches(const FileFacts& file) const override;
  std::string describe() const override;
  bool empty() const { return patterns_.empty(); }

 private:
  std::string written_;
  std::vector<std::string> patterns_;
};

// The file's name (after the last "/") matches one of the patterns, which are separated by
// blanks, commas or semicolons. Also used, among the exclusions, for "exclude".
class NameConstraint : public FileConstraint {
 public:
  explicit NameConstraint(const std::string& patterns);
  bool matches(const FileFacts& file) const override;
  std::string describe() const override;
  bool empty() const { return patterns_.empty(); }

 private:
  std::string written_;
  std::vector<std::string> patterns_;
};
