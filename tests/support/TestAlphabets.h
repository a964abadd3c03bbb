// Alphabets the import tests lay text out with.
#pragma once

#include "import/Alphabet.h"

namespace testsupport {

// The built-in alphabet with hyphens as spaces.
inline const Alphabet& hyphensAsSpaces() {
  static const Alphabet alphabet = [] {
    Alphabet a;
    a.setHyphenMode(2);
    return a;
  }();
  return alphabet;
}

}  // namespace testsupport
