// The engine interface's record of an index's information, filled from an open index.
// Depends on index/TextDB.
#pragma once

#include "lexaurum/lexaurum.h"

class TextDB;

namespace indexinfo {

// Fills `info` from the header of `db` (open at least on its header) and the sizes of its
// files; structSize is set and every other field zero-filled first.
void fill(const TextDB& db, lxrIndexInfo* info);

}  // namespace indexinfo
