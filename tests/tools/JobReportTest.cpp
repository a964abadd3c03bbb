// The last job read back from an index log: counts of the files taken in, with the ones that
// could not be opened, were binary or encrypted taken out, names that hold " (" told from
// their reasons, and the last job found behind a long earlier one.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempDir.h"
#include "tools/JobReport.h"

namespace {

const std::string kLastJob =
    "Begin Indexing: index = /ix\n"
    "     /d/a.txt added to index (new file)\n"
    "     /d/b (copy).txt added to index (new file)\n"
    "     /d/c.bin added to index (new file)\n"
    "     /d/e.txt reindexed because 2026-01-01 != 2026-02-01\n"
    "     /d/f.pdf reindexed because 2026-01-01 != 2026-02-01\n"
    "     File open failed: /d/b (copy).txt (Permission denied (13))\n"
    "Indexing File: c.bin\n"
    "     Location: /d\n"
    "     File is binary\n"
    "Indexing File: f.pdf\n"
    "     Location: /d\n"
    "     File is encrypted\n";

void expectLastJob(const jobreport::Report& r) {
  EXPECT_TRUE(r.found);
  EXPECT_EQ(1, r.added);
  EXPECT_EQ(1, r.reindexed);
  EXPECT_EQ(1, r.failed);
  EXPECT_EQ(1, r.binary);
  EXPECT_EQ(1, r.encrypted);
  ASSERT_EQ(3u, r.problems.size());
  EXPECT_EQ("/d/b (copy).txt", r.problems[0].name);
  EXPECT_EQ("could not be opened: Permission denied (13)", r.problems[0].reason);
  EXPECT_EQ("/d/c.bin", r.problems[1].name);
  EXPECT_EQ("/d/f.pdf", r.problems[2].name);
}

TEST(JobReportTest, TheLastJobIsCountedWithItsFailuresTakenOut) {
  std::string earlier = "Begin Indexing: index = /ix\n";
  for (int i = 0; i < 3000; ++i) earlier += "     /d/old" + std::to_string(i) + ".txt added to index (new file)\n";
  expectLastJob(jobreport::fromLogText(earlier + kLastJob));
  // From the file: the job's first line is found from the end, across read blocks.
  testsupport::TempDir dir;
  testsupport::writeFile(dir.file("INDEXLOG.DAT"), earlier + kLastJob);
  expectLastJob(jobreport::fromIndex(dir.path()));
  testsupport::writeFile(dir.file("INDEXLOG.DAT"), kLastJob);
  expectLastJob(jobreport::fromIndex(dir.path()));
  testsupport::writeFile(dir.file("INDEXLOG.DAT"), "no job here\n");
  EXPECT_FALSE(jobreport::fromIndex(dir.path()).found);
}

}  // namespace
