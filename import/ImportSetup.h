// Settings of the import layer that come from the engine's options: loading the alphabet file
// the options name as the engine's alphabet.
#pragma once

#include <string>

class Alphabet;

namespace importsetup {

// Loads the alphabet file at `path` into `*alphabet`, keeping its hyphen mode. On success the
// file's alphabet with accent and upper folding on, and 0. On failure -1: `*alphabet` stays
// as it was, or, with `resetOnFailure`, becomes the defaults with the same folding.
int loadAlphabet(const std::string& path, bool resetOnFailure, Alphabet* alphabet);

}  // namespace importsetup
