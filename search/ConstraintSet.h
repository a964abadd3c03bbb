// ConstraintSet: the file conditions of one XFILTER clause. A file passes when it meets
// every inclusion and none of the exclusions. Built from the clause's words: a condition
// name (path, name, exclude, date, created, size; the first four letters are enough) and
// the word after it as its value. Depends on search/FileConstraint and its kinds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "search/FileConstraint.h"

// Threads: a plain value once built.
class ConstraintSet {
 public:
  // Builds the conditions from a clause's words in request order, in pairs: a word that
  // names a condition, then its value (surrounding double quotes removed). The number of
  // pairs that were not understood (a value the condition cannot read, a word that names no
  // condition, a last name without a value); their conditions are left out, and each is
  // listed by rejected(). 0 when all were understood.
  int build(const std::vector<std::string>& words);

  // Adds one condition. 1 when added, 0 when `name` is not a condition name, -1 when the
  // value is not understood (nothing added).
  int add(const std::string& name, const std::string& value);

  bool matches(const FileFacts& file) const;
  bool empty() const { return inclusions_.empty() && exclusions_.empty(); }
  // One condition per line: "include " or "exclude " and the condition as written.
  std::string describe() const;
  // The values that were not understood, as "name value".
  const std::vector<std::string>& rejected() const { return rejected_; }

  const std::vector<std::unique_ptr<FileConstraint>>& inclusions() const { return inclusions_; }
  const std::vector<std::unique_ptr<FileConstraint>>& exclusions() const { return exclusions_; }

 private:
  std::vector<std::unique_ptr<FileConstraint>> inclusions_;
  std::vector<std::unique_ptr<FileConstraint>> exclusions_;
  std::vector<std::string> rejected_;
};
