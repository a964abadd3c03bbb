// TrieValue: the 12-byte value stored with every key of a trie key file (three 4-byte
// integers; the first is the one lookups return). Depends on nothing.
#pragma once

#include <cstdint>

struct TrieValue {
  int32_t v[3] = {0, 0, 0};
};

inline bool operator==(const TrieValue& a, const TrieValue& b) {
  return a.v[0] == b.v[0] && a.v[1] == b.v[1] && a.v[2] == b.v[2];
}
