// The scan's pre-check on helper threads: the verdicts come back in the order the files were
// handed over, whichever thread reached them and however long each took, and a file the check
// cannot read is one that may hold.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "import/BuiltinViewers.h"
#include "import/Viewer.h"
#include "import/ViewerTable.h"
#include "index/PrecheckAhead.h"
#include "tests/support/TempDir.h"

namespace {

TEST(PrecheckAheadTest, VerdictsComeBackInOrderFromAnyThread) {
  testsupport::TempDir dir;
  ViewerTable viewers;
  builtinviewers::registerAll(viewers);
  std::vector<std::string> names;
  std::vector<bool> expected;
  for (int i = 0; i < 300; ++i) {
    names.push_back(dir.file("f" + std::to_string(i) + ".txt"));
    const bool holds = i % 3 == 0;
    testsupport::writeFile(names.back(), holds ? "a file that holds the word needle\n" : "nothing here\n");
    expected.push_back(holds);
  }
  names.push_back(dir.file("never-made.txt"));
  expected.push_back(true);  // not readable: the indexer meets it and says so

  std::atomic<int> calls{0};
  auto mayHold = [&calls](const ViewerEntry&, ByteSource& bytes) {
    std::string text;
    readWhole(bytes, &text);
    // Uneven times, so that the threads overtake one another.
    std::this_thread::sleep_for(std::chrono::microseconds((calls.fetch_add(1) * 7919) % 300));
    return text.find("needle") != std::string::npos;
  };
  for (int threads : {0, 1, 3}) {
    PrecheckAhead ahead(viewers, mayHold, [](const ViewerFileInfo&) { return true; }, threads);
    std::vector<bool> got;
    size_t next = 0;
    while (got.size() < names.size()) {
      while (next < names.size() && ahead.hasRoom()) ahead.add(names[next++]);
      bool document = false;
      const bool may = ahead.nextMayHold(&document);
      EXPECT_EQ(!may, document);
      got.push_back(may);
    }
    EXPECT_EQ(expected, got) << threads << " threads";
    EXPECT_EQ(0, ahead.waiting());
  }
}

}  // namespace
