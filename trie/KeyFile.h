// KeyFile: several kinds of keys in one trie key file. Each stored key is one kind character
// followed by the caller's key (kind 0 -> "3", 1 -> "2", 2 -> "1", 3 -> "0"), so the keys of
// one kind lie together and always between the file's two sentinel keys. The index keeps its
// word dictionary and its document-name lookup in one KeyFile. Depends on trie/TrieFile.
#pragma once

#include <cstdint>
#include <string>

#include "trie/TrieFile.h"

// Threads: one user at a time.
class KeyFile {
 public:
  static constexpr int kKindCount = 4;

  KeyFile() = default;
  // Closes the file if still open; a failed close is traced.
  ~KeyFile();
  KeyFile(const KeyFile&) = delete;
  KeyFile& operator=(const KeyFile&) = delete;

  // As TrieFile::create, with room for the kind character (maxKeyLength + 1). Kind counts
  // start at 0. 0 or -1.
  int create(const char* name, int maxKeyLength);
  // As TrieFile::open (-1 without a trace for a foreign file). Kind counts start at 0: the
  // caller keeps them and restores them with setCount. 0 or -1.
  int open(const char* name, int mode);
  // As TrieFile::close. 0 or -1.
  int close();
  // As TrieFile::commit. 0 or -1.
  int commit();

  // Stores the pair under the kind; a new key adds one to its kind's count, an existing one
  // has its value replaced (lastInsertExisted() tells which). Keys longer than 510 bytes are
  // cut. 0, or -1: "ERROR KeyFile::insert null key: len %d val %ld" for an empty key (nothing
  // stored), a kind outside 0..3, or a failure of the trie file.
  int insert(int kind, const char* key, const TrieValue& value);
  int insert(int kind, const char* key, int32_t firstValue);
  bool lastInsertExisted() const { return lastInsertExisted_; }

  // 0 with `value` (may be null) set when exactly this key of this kind exists; -1 otherwise,
  // the cursor left on the nearest key not above it.
  int find(int kind, const char* key, TrieValue* value);
  // Keys cannot be removed: traces "ERROR KeyFile::remove called" and returns -1.
  int remove(int kind, const char* key);

  void setCount(int kind, int32_t count);
  // The kind's count, or -1 for a kind outside 0..3.
  int32_t getCount(int kind) const;

  // Cursor. first(kind) puts it on the kind's first key: 0, or -1 when the kind has none.
  int first(int kind);
  // The following / preceding key of the file, of whatever kind; -1 past either end.
  int next();
  int prev();
  // The kind (0..3) of the cursor's key, or -1 when it stands on a sentinel or nowhere.
  int getKind();
  // Copies the cursor's key without its kind character (at most size - 1 bytes, terminated);
  // the count copied, or -1.
  int getKey(char* buffer, int size);
  int getValue(TrieValue* value) { return trie_.getValue(value); }
  // As TrieFile::failed.
  bool failed() const { return trie_.failed(); }
  int setValue(const TrieValue& value) { return trie_.setValue(value); }
  int setValue(int32_t firstValue) { return trie_.setValue(firstValue); }

  // The character that starts the stored keys of a kind.
  static char kindChar(int kind) { return static_cast<char>('3' - kind); }

  TrieFile& trie() { return trie_; }
  const std::string& name() const { return name_; }

 private:
  // Builds kind character + key into key_; its length, or -1 for a bad kind.
  int buildKey(int kind, const char* key);

  TrieFile trie_;
  std::string name_;
  std::string key_;
  int32_t counts_[kKindCount] = {0, 0, 0, 0};
  bool lastInsertExisted_ = false;
};
