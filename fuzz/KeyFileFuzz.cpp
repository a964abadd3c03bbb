// Fuzz target: opening and walking a key file built from the input. An input that starts
// with the key-file magic is the file itself; any other input is a list of byte edits
// (2-byte offset, 1-byte value) applied to a small sound key file of a few hundred keys,
// which reaches the page checks far more often than random files do. Each file is opened
// read-only and walked: a full scan both ways, finds, findLTE, verify, dump, statistics.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "io/FileMode.h"
#include "objects/ByteCodec.h"
#include "trie/TrieFile.h"

namespace {

std::string* gWorkDir = nullptr;

void removeWorkDir() {
  std::error_code ec;
  if (gWorkDir) std::filesystem::remove_all(*gWorkDir, ec);
}

// The file each input is written to, in a folder of this process removed at exit.
const std::string& workFile() {
  static std::string* name = [] {
    char pattern[] = "/tmp/lxr-keyfuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    gWorkDir = new std::string(pattern);
    std::atexit(removeWorkDir);
    return new std::string(*gWorkDir + "/fuzz.kf");
  }();
  return *name;
}

void writeBytes(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(workFile().c_str(), "wb");
  if (!f) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

std::string readBytes() {
  std::string s;
  FILE* f = std::fopen(workFile().c_str(), "rb");
  if (!f) std::abort();
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  std::fclose(f);
  return s;
}

// A sound file of a few hundred keys (several leaves), made once.
const std::string& soundFile() {
  static std::string* bytes = [] {
    TrieFile t;
    if (t.create(workFile().c_str(), 0) < 0) std::abort();
    char key[32];
    for (int i = 0; i < 400; ++i) {
      std::snprintf(key, sizeof key, "%c%s%d", '0' + i % 4, i % 3 ? "word" : "w", i * 37 % 1000);
      TrieValue v;
      v.v[0] = i;
      t.insert(key, v, nullptr);
    }
    if (t.close() < 0) std::abort();
    return new std::string(readBytes());
  }();
  return *bytes;
}

void walk() {
  TrieFile t;
  if (t.open(workFile().c_str(), filemode::kRead) < 0) return;
  char buf[600];
  int steps = 0;
  if (t.first() == 0)
    while (steps++ < 100000 && t.next() == 0) t.getKey(buf, sizeof buf);
  steps = 0;
  if (t.lookup("\xFF", 1, nullptr) >= 0)
    while (steps++ < 100000 && t.prev() == 0) t.getValue();
  for (const char* k : {"0word37", "1w74", "3", "2word", "\x01", "zzz", "0word999x"}) {
    t.find(k);
    t.findLTE(k);
  }
  std::string out;
  t.verify(&out);
  t.dump(&out);
  t.statistics(&out);
  t.close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char kMagic[] = "\xFFQMX KF";
  if (size >= 8 && std::memcmp(data, kMagic, 8) == 0) {
    writeBytes(data, size);
  } else {
    std::string file = soundFile();
    for (size_t i = 0; i + 3 <= size; i += 3) {
      size_t at = size_t{bytecodec::loadU16(data + i)} * 7 % file.size();
      file[at] = static_cast<char>(data[i + 2]);
    }
    writeBytes(reinterpret_cast<const uint8_t*>(file.data()), file.size());
  }
  walk();
  return 0;
}
