// Shared set-up for the reference list tests: a reference file written through RefWriter
// and read back through RefReader, with the io fixture's descriptor and trace checks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "index/CiteTable.h"
#include "index/RefReader.h"
#include "index/RefWriter.h"
#include "io/FileMode.h"
#include "io/IOFile.h"
#include "io/InputFile.h"
#include "tests/io/IoFixture.h"

// One entry of a list as the reader delivers it: an id and its positions, largest first.
using RefEntry = std::pair<int32_t, std::vector<int32_t>>;

class RefFixture : public IoFixture {
 protected:
  std::string path() const { return dir_.file("INDEX_R.IX"); }

  // Runs `body` with a writer on a fresh reference file and closes it.
  void write(const std::function<void(RefWriter&, IOFile&)>& body) {
    IOFile out;
    ASSERT_EQ(0, out.open(path().c_str(), filemode::kRead | filemode::kWrite |
                                              filemode::kCreate | filemode::kTruncate));
    {
      RefWriter w(out);
      body(w, out);
    }
    ASSERT_EQ(0, out.close());
  }

  // putId() and putCites() for one document.
 public:
  static int putEntry(RefWriter& w, int32_t id, const std::vector<int32_t>& cites) {
    if (w.putId(id) < 0) return -1;
    CiteTable t;
    for (int32_t c : cites) t.add(c);
    return w.putCites(t);
  }

 protected:
  // Every entry of the list at `pos`, read with nextId() and getCites().
  std::vector<RefEntry> readEntries(int32_t pos, bool* damaged = nullptr) {
    InputFile in;
    EXPECT_EQ(0, in.open(path().c_str()));
    RefReader r(in);
    std::vector<RefEntry> got;
    EXPECT_EQ(0, r.position(pos));
    CiteTable t;
    while (int32_t id = r.nextId()) {
      t.clear();
      if (r.getCites(t) < 0) break;
      got.emplace_back(id, std::vector<int32_t>(t.begin(), t.end()));
    }
    if (damaged) *damaged = r.damaged();
    EXPECT_EQ(0, in.close());
    return got;
  }
};
