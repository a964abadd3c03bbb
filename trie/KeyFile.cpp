// KeyFile: kind characters in front of keys, per-kind counts, and kind-bounded iteration.
#include "trie/KeyFile.h"

#include <cstring>

#include "objects/Trace.h"
#include "trie/TrieFormat.h"

KeyFile::~KeyFile() {
  if (trie_.isOpen() && close() < 0) trace::line("ERROR KeyFile: closing %s failed", name_.c_str());
}

int KeyFile::create(const char* name, int maxKeyLength) {
  if (trie_.create(name, maxKeyLength + 1) < 0) return -1;
  name_ = name;
  std::memset(counts_, 0, sizeof counts_);
  return 0;
}

int KeyFile::open(const char* name, int mode) {
  if (trie_.open(name, mode) < 0) return -1;
  name_ = name;
  std::memset(counts_, 0, sizeof counts_);
  return 0;
}

int KeyFile::close() { return trie_.close(); }

int KeyFile::commit() { return trie_.commit(); }

int KeyFile::buildKey(int kind, const char* key) {
  if (kind < 0 || kind >= kKindCount) {
    trace::line("ERROR KeyFile: bad key kind %d", kind);
    return -1;
  }
  size_t n = key ? std::strlen(key) : 0;
  if (n > trieformat::kMaxKeyBytes - 1) n = trieformat::kMaxKeyBytes - 1;
  key_.assign(1, kindChar(kind));
  key_.append(key ? key : "", n);
  return static_cast<int>(key_.size());
}

int KeyFile::insert(int kind, const char* key, const TrieValue& value) {
  if (!key || !*key) {
    trace::line("ERROR KeyFile::insert null key: len %d val %ld", 0, static_cast<long>(value.v[0]));
    return -1;
  }
  int n = buildKey(kind, key);
  if (n < 0) return -1;
  int rc = trie_.insert(key_.data(), n, value, nullptr);
  if (rc < 0) return -1;
  lastInsertExisted_ = rc == 1;
  if (!lastInsertExisted_) ++counts_[kind];
  return 0;
}

int KeyFile::insert(int kind, const char* key, int32_t firstValue) {
  TrieValue v;
  v.v[0] = firstValue;
  return insert(kind, key, v);
}

int KeyFile::find(int kind, const char* key, TrieValue* value) {
  int n = buildKey(kind, key);
  if (n < 0) return -1;
  TrieValue v;
  if (trie_.lookup(key_.data(), n, &v) != 1) return -1;
  if (value) *value = v;
  return 0;
}

int KeyFile::remove(int, const char*) {
  trace::line("ERROR KeyFile::remove called");
  return -1;
}

void KeyFile::setCount(int kind, int32_t count) {
  if (kind >= 0 && kind < kKindCount) counts_[kind] = count;
}

int32_t KeyFile::getCount(int kind) const {
  return kind >= 0 && kind < kKindCount ? counts_[kind] : -1;
}

int KeyFile::first(int kind) {
  if (kind < 0 || kind >= kKindCount) return -1;
  // The kind character alone sorts just below every key of the kind.
  char lead = kindChar(kind);
  if (trie_.lookup(&lead, 1, nullptr) < 0) return -1;
  if (trie_.next() < 0 || getKind() != kind) return -1;
  return 0;
}

int KeyFile::next() { return trie_.next(); }

int KeyFile::prev() { return trie_.prev(); }

int KeyFile::getKind() {
  char head[2];
  if (trie_.getKey(head, sizeof head) != 1) return -1;
  int kind = '3' - head[0];
  return kind >= 0 && kind < kKindCount ? kind : -1;
}

int KeyFile::getKey(char* buffer, int size) {
  if (!buffer || size < 1) return -1;
  char stored[trieformat::kMaxEntryKeyBytes + 1];
  int n = trie_.getKey(stored, sizeof stored);
  if (n < 1) return -1;
  int copy = n - 1 < size - 1 ? n - 1 : size - 1;
  std::memcpy(buffer, stored + 1, static_cast<size_t>(copy));
  buffer[copy] = '\0';
  return copy;
}
