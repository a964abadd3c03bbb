// Documents whose extraction hangs or crashes, in an index job as a user runs it: the job goes
// on, the other documents are found, the failed ones are listed with their reasons, the index
// verifies, an update passes them over while they are unchanged and reads them once they
// change. The extraction helper is the tests' own, whose PDF extractor hangs or crashes on
// request.
#include <stdlib.h>
#include <utime.h>

#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

namespace {

using testsupport::ToolRun;

bool has(const ToolRun& r, const std::string& text) { return r.output.find(text) != std::string::npos; }

void writeDated(const std::string& path, const std::string& text, time_t when) {
  testsupport::writeFile(path, text);
  struct utimbuf t{when, when};
  utime(path.c_str(), &t);
}

TEST(LxrFailedTest, AHangingOrCrashingExtractionFailsOnlyItsDocument) {
  testsupport::TempDir dir;
  const std::string priv = dir.file("private"), docs = dir.file("docs"), index = dir.file("ix");
  std::filesystem::create_directories(docs);
  writeDated(docs + "/plain.txt", "alpha words of plain text\n", 1700000000);
  writeDated(docs + "/hang.pdf", "%PDF-1.4\nHANG\n", 1700000000);
  writeDated(docs + "/crash.pdf", "%PDF-1.4\nCRASH\n", 1700000000);
  writeDated(docs + "/fine.pdf", "%PDF-1.4\nTEXT bravo words\n", 1700000000);
  setenv("LXR_EXTRACT_HELPER", LXR_EXTRACTION_TEST_HELPER, 1);
  auto lxr = [&](const std::string& args) { return testsupport::runLxr(priv, args, 120); };
  ASSERT_EQ(lxr("options set extractSeconds 1").status, 0);
  ASSERT_EQ(lxr("create " + index).status, 0);

  ToolRun add = lxr("add " + index + " " + docs);
  EXPECT_TRUE(has(add, "2 could not be read")) << add.output;
  EXPECT_TRUE(has(lxr("search alpha " + index), "plain.txt"));
  EXPECT_TRUE(has(lxr("search bravo " + index), "fine.pdf"));
  ToolRun none = lxr("search HANG or CRASH or PDF " + index);
  EXPECT_FALSE(has(none, "hang.pdf") || has(none, "crash.pdf")) << "nothing of a failed document is indexed";
  ToolRun failed = lxr("failed " + index);
  EXPECT_EQ(failed.status, 0);
  EXPECT_TRUE(has(failed, "hang.pdf\tcould not be read: the extraction was stopped after 4 s")) << failed.output;
  EXPECT_TRUE(has(failed, "crash.pdf\tcould not be read: the extraction helper crashed")) << failed.output;
  EXPECT_EQ(lxr("verify " + index).status, 0);

  // Unchanged, they are not tried again (no 4 s wait for the hang).
  auto started = std::chrono::steady_clock::now();
  ToolRun update = lxr("update " + index);
  EXPECT_TRUE(has(update, "2 failed before and unchanged")) << update.output;
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));

  // Changed, a document is read again and leaves the list.
  writeDated(docs + "/crash.pdf", "%PDF-1.4\nTEXT charlie mended\n", 1700000100);
  lxr("update " + index);
  EXPECT_TRUE(has(lxr("search charlie " + index), "crash.pdf"));
  failed = lxr("failed " + index);
  EXPECT_FALSE(has(failed, "crash.pdf")) << failed.output;
  EXPECT_TRUE(has(failed, "hang.pdf"));
  unsetenv("LXR_EXTRACT_HELPER");
}

// Parsing in the engine's own process: lxr does not link the parsers of complex formats but
// loads them as a module beside the helper; a module that cannot be loaded fails the document
// with the reason, as a crashed helper would.
TEST(LxrFailedTest, InProcessParsingLoadsTheExtractorModule) {
  testsupport::TempDir dir;
  const std::string priv = dir.file("private"), mail = dir.file("note.eml");
  // Quoted-printable: only a mail parser gives the words with a blank between them.
  testsupport::writeFile(mail, "From: a@example.org\nDate: Mon, 7 Dec 2026 10:00:00 +0000\nSubject: greeting\n"
                               "MIME-Version: 1.0\nContent-Type: text/plain\n"
                               "Content-Transfer-Encoding: quoted-printable\n\nbody of delta=20words\n");
  auto lxr = [&](const std::string& args) { return testsupport::runLxr(priv, args, 60); };
  ASSERT_EQ(lxr("options set extractInProcess 1").status, 0);
  ToolRun text = lxr("text " + mail);
  EXPECT_EQ(text.status, 0) << text.output;
  EXPECT_TRUE(has(text, "body of delta words")) << text.output;

  setenv("LXR_EXTRACTOR_MODULE", dir.file("missing.so").c_str(), 1);
  text = lxr("text " + mail);
  unsetenv("LXR_EXTRACTOR_MODULE");
  EXPECT_EQ(text.status, 4);
  EXPECT_TRUE(has(text, "Unable to read file: the extractor module")) << text.output;
}

}  // namespace
