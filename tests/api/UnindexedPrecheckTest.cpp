// An unindexed scan with the literal pre-check finds the same documents as an index of the
// same files, also where the word is spelt only through a format's decoding, and scores them
// alike although it reads only the files that may hold the word.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "api/DllInterface.h"
#include "lexaurum/lexaurum.h"
#include "objects/Trace.h"
#include "platform/FaultInjection.h"
#include "search/ResultsFile.h"
#include "tests/support/EngineTest.h"

namespace {

class UnindexedPrecheckTest : public testsupport::EngineTest {
 protected:

  // Documents found for `request`: through an index of `docs` when `index` is set, else by
  // an unindexed scan of the folder (a Unicode one with `utf8`).
  int32_t found(const std::string& docs, const std::string& request, const std::string& index, bool utf8 = false,
                std::map<std::string, int32_t>* scores = nullptr) {
    lxrSearchJob job;
    LXR_INIT_RECORD(job);
    std::snprintf(job.request, sizeof job.request, "%s", request.c_str());
    if (utf8) job.searchFlags |= LXR_SEARCH_UTF8;
    job.sortType = scores ? LXR_SORT_BY_SCORE : 4 + 2;
    const std::string results = dir_.file("RESULTS.DAT");
    if (scores) std::snprintf(job.resultsName, sizeof job.resultsName, "%s", results.c_str());
    StringSet* set = lxrsNewStringSet();
    if (index.empty()) {
      std::snprintf(job.filesToSearch.directory, sizeof job.filesToSearch.directory, "%s", docs.c_str());
      job.searchFiles = 1;
    } else {
      lxrsStringSetAdd(set, index.c_str());
      job.indexesToSearch = set;
      job.searchIndexes = 1;
    }
    int16_t result = 0;
    lxrsDoSearchJob(&job, &result);
    lxrsFreeStringSet(set);
    if (scores) {
      ResultsFile file;
      ResultsItem item;
      if (file.open(results) == 0)
        for (int32_t n = 0; n < file.count() && file.read(n, &item) == 0; ++n) (*scores)[item.doc.fileName] = item.doc.score;
    }
    return job.totalFiles;
  }

};

}  // namespace

TEST_F(UnindexedPrecheckTest, ScanFindsWhatTheIndexFinds) {
  std::string docs = dir_.file("docs");
  std::filesystem::create_directories(docs);
  testsupport::writeFile(docs + "/plain.txt", "the Kobject lives here\n");
  testsupport::writeFile(docs + "/other.txt", "nothing to see, object kob ject\n");
  testsupport::writeFile(docs + "/split.txt", "a kob-\nject split at the line end\n");
  testsupport::writeFile(docs + "/entity.html", "<html><body>k&#111;bj&eacute;ct and k&#x6F;bject</body></html>\n");
  testsupport::writeFile(docs + "/escape.rtf", "{\\rtf1\\ansi k\\'6fbject}\n");
  testsupport::writeFile(docs + "/wide.txt", std::string("k\0o\0b\0j\0e\0c\0t\0\n\0", 16));
  // The word "deflatedmember" is only in a compressed member of this archive.
  std::filesystem::copy_file(testsupport::sourcePath("tests/data/zip/made-zip-stored-deflated.zip"), docs + "/member.zip");
  const std::string ix = dir_.file("ix");
  ASSERT_TRUE(makeIndex(ix, docs));
  for (bool utf8 : {false, true}) {
    for (const char* request : {"kobject", "deflatedmember", "object", "kob", "nothing", "kobject and lives"}) {
      int32_t indexed = found(docs, request, ix, utf8);
      EXPECT_EQ(indexed, found(docs, request, "", utf8)) << request << (utf8 ? " (Unicode)" : "");
    }
    EXPECT_LE(4, found(docs, "kobject", "", utf8)) << "plain, HTML entity, RTF escape and UTF-16";
    EXPECT_EQ(1, found(docs, "deflatedmember", "", utf8)) << "the ZIP member";
  }
  // The temporary index is deleted right after: the scan waits for no disk.
  platform::resetIoCounters();
  EXPECT_LE(1, found(docs, "kob*", ""));
  EXPECT_EQ(0, platform::ioCounters().syncs);
}

TEST_F(UnindexedPrecheckTest, UnicodeScanFindsWhatTheIndexFinds) {
  std::string docs = dir_.file("docs");
  std::filesystem::create_directories(docs);
  testsupport::writeFile(docs + "/accent.txt", "\xD0\x96 the K\xC3\x96" "BJECT\n");
  testsupport::writeFile(docs + "/wide.txt", "\xEF\xBC\xAB\xEF\xBD\x8F" "bject \xE4\xB8\xAD\xE6\x96\x87\n");
  testsupport::writeFile(docs + "/soft.txt", "\xD0\x96 kob\xC2\xAD" "ject\n");
  testsupport::writeFile(docs + "/late.txt", std::string(5000, 'a') + " k\xF6" "bject\n");
  testsupport::writeFile(docs + "/none.txt", "\xD0\xBA\xD0\xBE\xD0\xB1 object kob\n");
  const std::string ix = dir_.file("ix");
  ASSERT_TRUE(makeIndex(ix, docs));
  for (const char* request : {"kobject", "object", "kob", "bject"})
    EXPECT_EQ(found(docs, request, ix, true), found(docs, request, "", true)) << request;
  EXPECT_EQ(4, found(docs, "kobject", "", true)) << "accent, fullwidth, soft hyphen, Windows-1252";
}

TEST_F(UnindexedPrecheckTest, ScanScoresAsAnIndexOfTheSameFilesDoes) {
  std::string docs = dir_.file("docs");
  std::filesystem::create_directories(docs);
  for (int i = 0; i < 30; ++i)
    testsupport::writeFile(docs + "/f" + std::to_string(i) + ".txt",
                           i % 7 == 0 ? std::string("kobject ") + std::string(i, 'x') + " kobject\n" : "other words\n");
  testsupport::writeFile(docs + "/plain.eml", "From: a@example.org\nTo: b@example.org\nSubject: kobject\n\nno more\n");
  testsupport::writeFile(docs + "/other.eml", "From: a@example.org\nTo: b@example.org\nSubject: hello\n\nno more\n");
  const std::string ix = dir_.file("ix");
  ASSERT_TRUE(makeIndex(ix, docs));
  for (bool utf8 : {false, true}) {
    std::map<std::string, int32_t> indexed, scanned;
    found(docs, "kobject", ix, utf8, &indexed);
    found(docs, "kobject", "", utf8, &scanned);
    EXPECT_EQ(6u, indexed.size());
    EXPECT_EQ(indexed, scanned) << (utf8 ? "Unicode" : "code page");
  }
}
