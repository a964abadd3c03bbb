// Reads a viewer's whole text as it delivers it (text-block codes included) for importer
// tests, and expects it to end cleanly.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "import/Viewer.h"

namespace testsupport {

inline std::string allBlocks(Viewer& viewer, std::string* title = nullptr) {
  std::string out;
  int rc;
  while ((rc = viewer.readTextBlock(&out)) > 0) {
  }
  EXPECT_EQ(0, rc);
  if (title) *title = viewer.fileInfo().title;
  return out;
}

}  // namespace testsupport
