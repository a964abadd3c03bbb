// The indexes of the index library, as the engine reports them (name and folder).
// Depends on the engine's public header.
#pragma once

#include <QString>

#include <vector>

struct IndexEntry {
  QString name;
  QString folder;
};

namespace indexlist {

// The library's indexes in its order; empty when the engine cannot report them.
std::vector<IndexEntry> read();

}  // namespace indexlist
