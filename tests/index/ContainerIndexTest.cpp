// Archives in index jobs: every member a document of its own, encrypted members skipped and
// counted, nested archives followed, an update that keeps unchanged members, re-indexes a
// changed one and cancels one no longer there, and hostile members refused with a log line.
#include <sys/stat.h>
#include <utime.h>

#include <set>

#include "IndexDbFixture.h"
#include "IndexJobHelpers.h"
#include "import/BuiltinViewers.h"
#include "import/ViewerTable.h"
#include "index/IndexJob.h"
#include "index/RefReader.h"
#include "index/Verifier.h"
#include "tests/support/ZipBuilder.h"

using namespace indexformat;
using namespace indextest;
using testsupport::ZipBuilder;

namespace {

class ContainerIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    builtinviewers::registerAll(viewers_);
    settings_.viewers = &viewers_;
    docs_ = dir_.file("docs");
    index_ = dir_.file("ix");
    platform::makeDirectories(docs_.c_str());
  }

  void TearDown() override {
    Verifier v;
    EXPECT_EQ(0, v.verify(index_)) << v.failure();
  }

  std::string archive(const std::string& name, const std::string& bytes, std::time_t date) {
    std::string path = docs_ + "/" + name;
    testsupport::writeFile(path, bytes);
    struct utimbuf times{date, date};
    EXPECT_EQ(0, utime(path.c_str(), &times));
    return path;
  }

  int run(bool create, bool removeDeleted = false) {
    IndexJobControl control;
    control.report = [this](IndexProgress& p) { progress_ = p; };
    IndexJob j(addJob(index_, docs_, create, removeDeleted), control, settings_);
    return j.run();
  }

  // The documents holding `word`, cancelled ones left out.
  std::set<std::string> docsWith(const std::string& word) {
    TextDB db;
    db.setDirectory(index_);
    std::set<std::string> out;
    if (db.open(kReadMode, kMainTypes) < 0) return out;
    for (const auto& [id, positions] : wordRefs(index_, word)) {
      DocInfo d;
      if (d.read(db, id, false) == 0 && !d.cancelled) out.insert(d.fileName);
    }
    return out;
  }

  // The document of a name: its id, 0 when absent or cancelled.
  int32_t docId(const std::string& name) {
    TextDB db;
    db.setDirectory(index_);
    EXPECT_EQ(0, db.open(kReadMode, kMainTypes));
    DocInfo d;
    if (d.findByName(db, name) < 0 || d.cancelled) return 0;
    return d.docId;
  }

  std::string log() { return testsupport::readFile(index_ + "/INDEXLOG.DAT"); }

  testsupport::TempDir dir_;
  ViewerTable viewers_;
  IndexJobSettings settings_;
  IndexProgress progress_;
  std::string docs_, index_;
};

ZipBuilder::Entry member(const std::string& name, const std::string& text, uint16_t dosDate) {
  ZipBuilder::Entry e;
  e.name = name;
  e.data = text;
  e.dosDate = dosDate;
  return e;
}

}  // namespace

TEST_F(ContainerIndexTest, EveryMemberIsADocumentEncryptedOnesAreSkipped) {
  for (const char* name : {"made-zip-encrypted.zip", "made-zip-tree.zip", "test-zip-of-zip.zip"})
    testsupport::writeFile(docs_ + "/" + name,
                           testsupport::readFile(testsupport::sourcePath(std::string("tests/data/zip/") + name)));
  ASSERT_EQ(0, run(true));
  EXPECT_EQ((std::set<std::string>{docs_ + "/made-zip-encrypted.zip/plain.txt"}), docsWith("visibleotter"));
  EXPECT_TRUE(docsWith("hiddenokapi").empty());
  EXPECT_EQ(1, progress_.encryptedFilesSkipped);
  EXPECT_NE(std::string::npos, log().find("1 encrypted files skipped"));
  EXPECT_EQ((std::set<std::string>{docs_ + "/made-zip-tree.zip/docs/sub/deep/note.txt"}), docsWith("zebrafish"));
  EXPECT_NE(0, docId(docs_ + "/made-zip-tree.zip/docs/readme.txt"));
  // A member of the archive inside the archive.
  EXPECT_NE(0, docId(docs_ + "/test-zip-of-zip.zip/html-within-zip.zip/text.html"));
  // Folders and empty members are no documents.
  EXPECT_EQ(0, docId(docs_ + "/made-zip-tree.zip/zero.txt"));
  // Nothing changed: a second run indexes nothing.
  ASSERT_EQ(0, run(false));
  EXPECT_EQ(0, progress_.filesToIndex);
}

TEST_F(ContainerIndexTest, UpdateKeepsUnchangedMembersAndCancelsChangedAndGoneOnes) {
  const std::string zip = archive("box.zip",
                                  ZipBuilder()
                                      .add(member("keep.txt", "alpha stays\n", 0x5021))
                                      .add(member("edit.txt", "beta before\n", 0x5021))
                                      .add(member("gone.txt", "gamma leaves\n", 0x5021))
                                      .build(),
                                  1700000000);
  ASSERT_EQ(0, run(true));
  const int32_t keep = docId(zip + "/keep.txt");
  ASSERT_NE(0, keep);
  ASSERT_NE(0, docId(zip + "/gone.txt"));

  archive("box.zip",
          ZipBuilder()
              .add(member("keep.txt", "alpha stays\n", 0x5021))
              .add(member("edit.txt", "delta after\n", 0x5022))
              .build(),
          1700000100);
  ASSERT_EQ(0, run(false));
  EXPECT_EQ(keep, docId(zip + "/keep.txt"));
  EXPECT_EQ((std::set<std::string>{zip + "/edit.txt"}), docsWith("delta"));
  EXPECT_TRUE(docsWith("beta").empty());
  EXPECT_TRUE(docsWith("gamma").empty());
  EXPECT_EQ(0, docId(zip + "/gone.txt"));
  EXPECT_EQ((std::set<std::string>{zip + "/keep.txt"}), docsWith("alpha"));

  // Removing deleted files keeps the members of an archive that is still there ...
  ASSERT_EQ(0, run(false, true));
  EXPECT_EQ(keep, docId(zip + "/keep.txt"));
  // ... and when the archive is deleted, its members go with it.
  ASSERT_EQ(0, std::remove(zip.c_str()));
  ASSERT_EQ(0, run(false, true));
  EXPECT_TRUE(docsWith("alpha").empty());
  EXPECT_EQ(0, docId(zip + "/keep.txt"));
}

TEST_F(ContainerIndexTest, BombsAndClimbingNamesAreRefusedWithALogLine) {
  archive("hostile.zip",
          ZipBuilder()
              .add("bomb.txt", std::string(std::size_t{8} << 20, 'A'), true)
              .add("../../escape.txt", "escapeword\n")
              .add("fine.txt", "finewords here\n")
              .build(),
          1700000000);
  ASSERT_EQ(0, run(true));
  EXPECT_EQ(1u, docsWith("finewords").size());
  EXPECT_TRUE(docsWith("escapeword").empty());
  EXPECT_EQ(0, docId(docs_ + "/hostile.zip/bomb.txt"));
  std::string text = log();
  EXPECT_NE(std::string::npos, text.find("bomb.txt (Unable to extract file: Member compressed beyond the allowed ratio)"));
  EXPECT_NE(std::string::npos, text.find("escape.txt skipped: its name leads outside the archive"));
  EXPECT_FALSE(testsupport::exists(dir_.path() + "/escape.txt"));
  EXPECT_EQ(1, progress_.openFailures);
}

namespace {

std::string message(const std::string& subject, const std::string& body, const std::string& attachment) {
  std::string m = "From: Ann <ann@example.org>\nTo: bo@example.org\nSubject: " + subject +
                  "\nDate: Mon, 1 Jun 2009 09:56:31 +0000\nMIME-Version: 1.0\n";
  if (attachment.empty()) return m + "Content-Type: text/plain\n\n" + body + "\n";
  return m + "Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\nContent-Type: text/plain\n\n" + body +
         "\n--b\nContent-Type: text/plain\nContent-Disposition: attachment; filename=\"note.txt\"\n\n" +
         attachment + "\n--b--\n";
}

}  // namespace

TEST_F(ContainerIndexTest, MessagesHaveTextAndMembersAndAppendingToAMailboxKeepsTheOldMessages) {
  const std::string mbox = docs_ + "/box.mbox";
  const std::string first = "From ann@example.org Mon Jun  1 09:56:31 2009\n" +
                            message("walrus", "pelican body", "heron attached") + "\n";
  const std::string second = "From bo@example.org Tue Jun  2 10:00:00 2009\n" + message("second", "osprey body", "") + "\n";
  archive("box.mbox", first + second, 1300000000);
  archive("one.eml", message("lonely", "kestrel body", "plover attached"), 1300000000);
  ASSERT_EQ(0, run(true));
  // The message's own text is its document; its attachment a document below it.
  EXPECT_EQ((std::set<std::string>{mbox + "/message-00001.eml"}), docsWith("pelican"));
  EXPECT_EQ((std::set<std::string>{mbox + "/message-00001.eml"}), docsWith("walrus"));
  EXPECT_EQ((std::set<std::string>{mbox + "/message-00001.eml/note.txt"}), docsWith("heron"));
  EXPECT_EQ((std::set<std::string>{mbox + "/message-00002.eml"}), docsWith("osprey"));
  EXPECT_EQ((std::set<std::string>{docs_ + "/one.eml"}), docsWith("kestrel"));
  EXPECT_EQ((std::set<std::string>{docs_ + "/one.eml/note.txt"}), docsWith("plover"));
  // No base64 or MIME markup words.
  EXPECT_TRUE(docsWith("boundary").empty());
  const int32_t kept = docId(mbox + "/message-00001.eml"), keptNote = docId(mbox + "/message-00001.eml/note.txt");
  ASSERT_NE(0, kept);
  ASSERT_NE(0, keptNote);
  // Appended to: the messages already there keep their documents, the new one is indexed.
  archive("box.mbox", first + second + "From cy@example.org Wed Jun  3 11:00:00 2009\n" + message("third", "grebe body", ""),
          1300000100);
  ASSERT_EQ(0, run(false));
  EXPECT_EQ(kept, docId(mbox + "/message-00001.eml"));
  EXPECT_EQ(keptNote, docId(mbox + "/message-00001.eml/note.txt"));
  EXPECT_EQ((std::set<std::string>{mbox + "/message-00003.eml"}), docsWith("grebe"));
  EXPECT_EQ((std::set<std::string>{mbox + "/message-00001.eml/note.txt"}), docsWith("heron"));
}
