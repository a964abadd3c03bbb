// Key-file benchmark: our KeyFile against LMDB (a B+tree embedded ordered map) on the same
// keys in one process: word-like keys inserted in byte order (as the index merge inserts
// them), random exact finds, and one full ordered scan. Prints keys per second for each and
// the ratio of our time to LMDB's. Usage: KeyFileBench [key count] [work folder].
#include <lmdb.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "io/FileMode.h"
#include "trie/KeyFile.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Distinct word-like keys (syllables of a small alphabet, 2 to 14 letters), sorted.
std::vector<std::string> makeKeys(size_t count) {
  static const char* kSyllables[] = {"an", "be", "con", "de", "er", "fi", "ge", "ing", "jo", "ka",
                                     "li", "mo", "ne", "or", "pre", "qu", "ra", "st", "ti", "un",
                                     "ve", "wa", "x", "yo", "ze", "a", "e", "i", "o", "u"};
  std::mt19937 rng(20240601);
  std::vector<std::string> keys;
  keys.reserve(count + count / 4);
  while (keys.size() < count) {
    while (keys.size() < count + count / 8) {
      std::string w;
      int parts = 1 + static_cast<int>(rng() % 5);
      for (int i = 0; i < parts; ++i) w += kSyllables[rng() % 30];
      if (w.size() > 14) w.resize(14);
      keys.push_back(w);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    if (keys.size() < count) {  // too many repeats: make the rest distinct with digits
      for (size_t i = 0; keys.size() < count + count / 8; ++i) keys.push_back(keys[i % keys.size()] + std::to_string(i));
    }
  }
  // Keep `count` keys spread over the whole range.
  std::vector<std::string> picked;
  picked.reserve(count);
  for (size_t i = 0; i < count; ++i) picked.push_back(keys[i * keys.size() / count]);
  return picked;
}

struct Timing {
  double insert = 0, find = 0, scan = 0;
};

int benchKeyFile(const std::vector<std::string>& keys, const std::vector<size_t>& order,
                 const std::string& dir, Timing* t) {
  std::string name = dir + "/bench.kf";
  KeyFile kf;
  auto start = Clock::now();
  if (kf.create(name.c_str(), 64) < 0) return -1;
  for (size_t i = 0; i < keys.size(); ++i)
    if (kf.insert(0, keys[i].c_str(), static_cast<int32_t>(i)) < 0) return -1;
  if (kf.close() < 0) return -1;
  t->insert = secondsSince(start);

  if (kf.open(name.c_str(), filemode::kRead) < 0) return -1;
  start = Clock::now();
  size_t found = 0;
  TrieValue v;
  for (size_t i : order)
    if (kf.find(0, keys[i].c_str(), &v) == 0 && v.v[0] == static_cast<int32_t>(i)) ++found;
  t->find = secondsSince(start);
  const TrieCache& cache = kf.trie().cache();
  std::fprintf(stderr, "finds: %.2f page lookups and %.2f reads per find; %d interior pages, %d leaves\n",
               double(cache.lookupCount()) / keys.size(),
               double(cache.lookupCount() - cache.hitCount()) / keys.size(), kf.trie().interiorCount(),
               kf.trie().leafCount());
  if (found != keys.size()) {
    std::fprintf(stderr, "KeyFile found %zu of %zu keys\n", found, keys.size());
    return -1;
  }

  start = Clock::now();
  size_t scanned = 0;
  char buf[600];
  if (kf.first(0) == 0) {
    do {
      if (kf.getKind() != 0) break;
      kf.getKey(buf, sizeof buf);
      ++scanned;
    } while (kf.next() == 0);
  }
  t->scan = secondsSince(start);
  kf.close();
  std::filesystem::remove(name);
  if (scanned != keys.size()) {
    std::fprintf(stderr, "KeyFile scan saw %zu of %zu keys\n", scanned, keys.size());
    return -1;
  }
  return 0;
}

int benchLmdb(const std::vector<std::string>& keys, const std::vector<size_t>& order,
              const std::string& dir, Timing* t) {
  std::string path = dir + "/lmdb";
  std::filesystem::create_directories(path);
  MDB_env* env = nullptr;
  MDB_dbi dbi;
  MDB_txn* txn = nullptr;
  if (mdb_env_create(&env) != 0 || mdb_env_set_mapsize(env, size_t{1} << 32) != 0 ||
      mdb_env_open(env, path.c_str(), 0, 0644) != 0)
    return -1;
  auto start = Clock::now();
  if (mdb_txn_begin(env, nullptr, 0, &txn) != 0 || mdb_dbi_open(txn, nullptr, 0, &dbi) != 0)
    return -1;
  for (size_t i = 0; i < keys.size(); ++i) {
    int32_t value[3] = {static_cast<int32_t>(i), 0, 0};
    MDB_val k{keys[i].size(), const_cast<char*>(keys[i].data())};
    MDB_val v{sizeof value, value};
    if (mdb_put(txn, dbi, &k, &v, 0) != 0) return -1;
  }
  if (mdb_txn_commit(txn) != 0) return -1;
  t->insert = secondsSince(start);

  if (mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn) != 0) return -1;
  start = Clock::now();
  size_t found = 0;
  for (size_t i : order) {
    MDB_val k{keys[i].size(), const_cast<char*>(keys[i].data())};
    MDB_val v;
    if (mdb_get(txn, dbi, &k, &v) == 0 && *static_cast<int32_t*>(v.mv_data) == static_cast<int32_t>(i)) ++found;
  }
  t->find = secondsSince(start);

  start = Clock::now();
  size_t scanned = 0;
  MDB_cursor* cursor = nullptr;
  MDB_val k, v;
  char buf[600];
  if (mdb_cursor_open(txn, dbi, &cursor) != 0) return -1;
  for (int rc = mdb_cursor_get(cursor, &k, &v, MDB_FIRST); rc == 0;
       rc = mdb_cursor_get(cursor, &k, &v, MDB_NEXT)) {
    size_t n = std::min(k.mv_size, sizeof buf - 1);  // copy out, as getKey does
    std::copy_n(static_cast<char*>(k.mv_data), n, buf);
    buf[n] = 0;
    ++scanned;
  }
  t->scan = secondsSince(start);
  mdb_cursor_close(cursor);
  mdb_txn_abort(txn);
  mdb_env_close(env);
  std::filesystem::remove_all(path);
  if (found != keys.size() || scanned != keys.size()) {
    std::fprintf(stderr, "LMDB found %zu, scanned %zu of %zu\n", found, scanned, keys.size());
    return -1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
  std::string dir = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
  dir += "/lxr-keybench-" + std::to_string(getpid());
  std::filesystem::create_directories(dir);

  std::vector<std::string> keys = makeKeys(count);
  std::vector<size_t> order(keys.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));

  Timing ours, lmdb;
  if (benchKeyFile(keys, order, dir, &ours) < 0 || benchLmdb(keys, order, dir, &lmdb) < 0) {
    std::fprintf(stderr, "benchmark failed\n");
    std::filesystem::remove_all(dir);
    return 1;
  }
  std::filesystem::remove_all(dir);

  auto rate = [&](double seconds) { return seconds > 0 ? keys.size() / seconds : 0.0; };
  std::printf("%zu word-like keys, 15-page cache\n", keys.size());
  std::printf("%-26s %14s %14s %10s\n", "case", "KeyFile keys/s", "LMDB keys/s", "ours/LMDB");
  const char* names[] = {"insert in byte order", "random exact find", "full ordered scan"};
  double o[] = {ours.insert, ours.find, ours.scan}, l[] = {lmdb.insert, lmdb.find, lmdb.scan};
  for (int i = 0; i < 3; ++i)
    std::printf("%-26s %14.0f %14.0f %9.2fx\n", names[i], rate(o[i]), rate(l[i]),
                l[i] > 0 ? o[i] / l[i] : 0.0);
  return 0;
}
