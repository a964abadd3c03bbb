// Shared by the importer fuzz targets: reads a viewer's whole text in blocks, then again
// from a bookmark taken half-way and from the start, and lays it out into lines. Every
// reading must agree with the first; a wrong block count or a viewer that never ends aborts.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "import/Alphabet.h"
#include "import/LineLayout.h"
#include "import/TextBlock.h"
#include "import/Viewer.h"

namespace fuzzcheck {

constexpr int kMaxBlocks = 1000000;

// Every block from the current position.
inline std::string readRest(Viewer& v, int32_t* midMark, size_t* midOffset) {
  std::string all;
  for (int i = 0; i < kMaxBlocks; ++i) {
    if (midMark && i == 2) {
      *midMark = v.bookMark();
      *midOffset = all.size();
    }
    size_t before = all.size();
    int rc = v.readTextBlock(&all);
    if (rc <= 0) return all;
    if (static_cast<size_t>(rc) != all.size() - before) std::abort();
  }
  std::abort();
}

inline void checkViewer(Viewer& importer, int width) {
  int32_t midMark = -1;
  size_t midOffset = 0;
  std::string all = readRest(importer, &midMark, &midOffset);
  textblock::plainText(all);
  if (importer.fileInfo().title.size() > 255) std::abort();

  if (midMark >= 0) {
    if (importer.gotoBookMark(midMark) != 0) std::abort();
    if (readRest(importer, nullptr, nullptr) != all.substr(midOffset)) std::abort();
  }
  if (importer.rewind() != 0) std::abort();
  size_t offset = 0;
  LineLayout layout(
      [&](std::string* out) {
        size_t n = out->size();
        int rc = importer.readTextBlock(out);
        if (rc > 0 && all.compare(offset, out->size() - n, *out, n, out->size() - n) != 0) std::abort();
        if (rc > 0) offset += static_cast<size_t>(rc);
        return rc;
      },
      width, Alphabet::builtIn());
  ScreenLine line;
  for (int lines = 0; layout.nextLine(&line) == 1; ++lines)
    if (lines > kMaxBlocks) std::abort();
}

}  // namespace fuzzcheck
