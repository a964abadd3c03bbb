// Reference list benchmark: writes word lists of the shape an index holds (many short
// lists, a few long ones) and decodes them back, printing decoded references (id plus
// positions) per second for getCites, skipCites and readAll walks, and the write rate.
// Usage: RefListBench [word count] [work folder].
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "index/CiteTable.h"
#include "index/RefReader.h"
#include "index/RefWriter.h"
#include "io/FileMode.h"
#include "io/IOFile.h"
#include "io/InputFile.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void report(const char* name, int64_t refs, double seconds) {
  std::printf("%-22s %12lld refs %8.3f s %12.0f refs/s\n", name, static_cast<long long>(refs),
              seconds, refs / seconds);
}

}  // namespace

int main(int argc, char** argv) {
  const int words = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::string folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
  const std::string path = folder + "/RefListBench-" + std::to_string(getpid()) + ".IX";

  std::mt19937 rng(42);
  std::vector<int32_t> heads;
  int64_t written = 0;
  {
    IOFile out(8192);
    if (out.open(path.c_str(), filemode::kRead | filemode::kWrite | filemode::kCreate |
                                   filemode::kTruncate) < 0)
      return 1;
    RefWriter w(out);
    CiteTable cites;
    out.write("Lexaurum Index File (R)\r\n", 25);
    const Clock::time_point start = Clock::now();
    for (int k = 0; k < words; ++k) {
      // Document frequency falls off with the word's rank, as in real text.
      const int docs = 1 + static_cast<int>(50000.0 / (k + 10));
      heads.push_back(out.tell());
      w.position(out.tell());
      int32_t id = 100000;
      for (int d = 0; d < docs; ++d) {
        id -= 1 + static_cast<int32_t>(rng() % 20);
        if (id < 1) break;
        cites.clear();
        int32_t pos = 5000 + static_cast<int32_t>(rng() % 5000);
        for (int n = 1 + static_cast<int>(rng() % 6); n > 0 && pos > 0; --n) {
          cites.add(pos);
          pos -= 1 + static_cast<int32_t>(rng() % 800);
        }
        w.putId(id);
        w.putCites(cites);
        written += 1 + cites.count();
      }
      w.endChunk(0);
      out.writeByte('*');
    }
    report("write", written, secondsSince(start));
    if (out.close() < 0) return 1;
  }

  InputFile in(8192);
  if (in.open(path.c_str()) < 0) return 1;
  RefReader r(in);
  CiteTable cites;
  for (int mode = 0; mode < 3; ++mode) {
    int64_t refs = 0;
    const Clock::time_point start = Clock::now();
    for (int32_t head : heads) {
      r.position(head);
      while (r.nextId() != 0) {
        ++refs;
        cites.clear();
        if (mode == 0) refs += r.getCites(cites);
        else if (mode == 1) r.skipCites();
        else refs += r.readAll(cites);
      }
    }
    static const char* const kNames[] = {"decode getCites", "decode ids, skipCites",
                                         "decode readAll"};
    report(kNames[mode], refs, secondsSince(start));
  }
  in.close();
  std::filesystem::remove(path);
  return 0;
}
