// The range conditions: a plain comparison each.
#include "search/RangeConstraint.h"

bool ModDateConstraint::matches(const FileFacts& file) const {
  return file.modDate >= low_ && file.modDate <= high_;
}

bool CreateDateConstraint::matches(const FileFacts& file) const {
  return file.hasCreateDate && file.createDate >= low_ && file.createDate <= high_;
}

bool SizeConstraint::matches(const FileFacts& file) const {
  return file.size >= low_ && file.size <= high_;
}
