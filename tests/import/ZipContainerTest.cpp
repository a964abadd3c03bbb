// The ZIP container: member lists of real archives against an independent reader, the
// requests and their result texts, members opened as documents (also inside a nested
// archive), and hostile archives: bombs, climbing and absolute names, links.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "import/BuiltinViewers.h"
#include "import/ImportFile.h"
#include "import/ZipArchive.h"
#include "import/ZipResult.h"
#include "import/ZipViewer.h"
#include "platform/Platform.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipBuilder.h"

using testsupport::ZipBuilder;

namespace {

std::string dataFile(const std::string& name) { return testsupport::sourcePath("tests/data/zip/" + name); }

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) out.push_back(line);
  return out;
}

std::vector<ContainerMember> listAll(ContainerViewer& c) {
  std::vector<ContainerMember> out;
  ContainerMember m;
  for (int rc = c.first(&m); rc == 0; rc = c.next(&m)) out.push_back(m);
  return out;
}

std::string documentText(ImportFile& doc) {
  std::string text;
  ScreenLine line;
  while (doc.nextLine(&line, 80) > 0) text += ImportFile::lineText(line) + "\n";
  return text;
}

class ZipContainerTest : public ::testing::Test {
 protected:
  void SetUp() override { builtinviewers::registerAll(viewers_); }
  ViewerTable viewers_;
  testsupport::TempDir dir_;
};

}  // namespace

TEST_F(ZipContainerTest, RealArchivesListTheMembersTheReferenceReaderLists) {
  for (const char* name : {"testZipEncrypted.zip", "test-zip-of-zip.zip", "zip-test.zip", "made-zip-tree.zip",
                           "made-zip-encrypted.zip", "made-pyzipfile-mixed.zip", "made-zip-stored-deflated.zip",
                           "testZip_with_DataDescriptor.zip"}) {
    ImportFile doc(viewers_);
    ASSERT_EQ(0, doc.open(dataFile(name))) << name;
    ASSERT_NE(nullptr, doc.container()) << name;
    std::vector<std::string> names;
    for (const ContainerMember& m : listAll(*doc.container())) {
      names.push_back(m.name);
      // Folders and empty members are not documents; only the encrypted ones are flagged so.
      bool folder = m.name.back() == '/';
      EXPECT_EQ(folder || m.sizeBytes == 0, (m.flags & ContainerMember::kNotDocument) != 0) << m.name;
      bool secret = m.name == "encrypted.txt" || m.name == "secret.txt";
      EXPECT_EQ(secret, (m.flags & ContainerMember::kEncrypted) != 0) << m.name;
    }
    EXPECT_EQ(lines(testsupport::readFile(dataFile(std::string(name) + ".expected.txt"))), names) << name;
  }
  // Names in a local code page without the UTF-8 flag are read as code page 437 (the format's
  // rule), so only their ASCII tails agree with the reference, which knew the code page.
  ImportFile sjis(viewers_);
  ASSERT_EQ(0, sjis.open(dataFile("testZipEntryNameCharsetShiftSJIS.zip")));
  std::vector<ContainerMember> members = listAll(*sjis.container());
  ASSERT_EQ(2u, members.size());
  EXPECT_EQ("1.txt", members[0].name.substr(members[0].name.size() - 5));
  EXPECT_EQ("2.txt", members[1].name.substr(members[1].name.size() - 5));
}

TEST_F(ZipContainerTest, RequestsAnswerWithTheirResultTexts) {
  FileSource file;
  ASSERT_EQ(0, file.open(dataFile("made-zip-tree.zip")));
  ZipViewer zip(file);
  ASSERT_TRUE(zip.isOpen());
  ASSERT_EQ(7, zip.count());
  ContainerMember m;
  // Names keep "/" between their folders; the search by name is blind to case.
  ASSERT_EQ(0, zip.infoByName("DOCS/SUB/DEEP/NOTE.TXT", &m));
  EXPECT_EQ("docs/sub/deep/note.txt", m.name);
  EXPECT_EQ(-1, zip.infoByName("docs/missing.txt", &m));
  EXPECT_EQ("Item not found", zip.errorText());
  EXPECT_EQ("docs/sub/deep/note.txt", m.name);
  EXPECT_EQ(-1, zip.infoByIndex(7, &m));
  EXPECT_EQ("Index out of bounds", zip.errorText());
  // getNext after the last member fails and keeps the current member.
  std::vector<ContainerMember> all = listAll(zip);
  ASSERT_EQ(7u, all.size());
  EXPECT_EQ(-1, zip.next(&m));
  EXPECT_EQ("zero.txt", zip.current().name);
  EXPECT_EQ(6, zip.current().index);
  std::string bytes;
  ASSERT_EQ(0, zip.infoByName("docs/readme.txt", &m));
  ASSERT_EQ(0, zip.extractToMemory(m, &bytes));
  EXPECT_NE(std::string::npos, bytes.find("aardvark"));
  EXPECT_EQ("OK", zip.errorText());

  FileSource locked;
  ASSERT_EQ(0, locked.open(dataFile("made-zip-encrypted.zip")));
  ZipViewer secret(locked);
  ASSERT_EQ(0, secret.infoByName("secret.txt", &m));
  EXPECT_EQ(-1, secret.extractToMemory(m, &bytes));
  EXPECT_EQ("File skipped, encrypted", secret.errorText());
  EXPECT_TRUE(bytes.empty());

  // A damaged archive: the viewer is made, and every operation says the file is not open.
  std::string whole = testsupport::readFile(dataFile("made-zip-tree.zip"));
  MemorySource cut("cut.zip", whole.substr(0, whole.size() - 30));
  ZipViewer damaged(cut);
  EXPECT_FALSE(damaged.isOpen());
  EXPECT_EQ("Zip file structure invalid", damaged.errorText());
  EXPECT_EQ(-1, damaged.first(&m));
  EXPECT_EQ("Zip file not open", damaged.errorText());
}

TEST_F(ZipContainerTest, ArchiveBehindAProgramIsFoundThroughItsEndRecord) {
  std::string program(300, 'M');
  MemorySource source("sfx.exe", program + ZipBuilder().add("readme.txt", "behind the stub\n", true).build());
  ZipViewer zip(source);
  ASSERT_TRUE(zip.isOpen()) << zip.errorText();
  ContainerMember m;
  std::string bytes;
  ASSERT_EQ(0, zip.first(&m));
  ASSERT_EQ(0, zip.extractToMemory(m, &bytes)) << zip.errorText();
  EXPECT_EQ("behind the stub\n", bytes);
}

TEST_F(ZipContainerTest, MembersOpenAsDocumentsAlsoInsideNestedArchives) {
  ImportFile doc(viewers_);
  ASSERT_EQ(0, doc.open(dataFile("made-zip-tree.zip") + "/docs/readme.txt"));
  EXPECT_EQ(nullptr, doc.container());
  EXPECT_NE(std::string::npos, documentText(doc).find("aardvark"));
  // The next member of the same archive, then one of an archive inside an archive.
  ASSERT_EQ(0, doc.open(dataFile("made-zip-tree.zip") + "/docs/sub/deep/note.txt"));
  EXPECT_NE(std::string::npos, documentText(doc).find("zebrafish"));
  ASSERT_EQ(0, doc.open(dataFile("test-zip-of-zip.zip") + "/html-within-zip.zip/text.html"));
  EXPECT_FALSE(documentText(doc).empty());

  EXPECT_EQ(-1, doc.open(dataFile("made-zip-tree.zip") + "/docs/none.txt"));
  EXPECT_EQ("Unable to extract file: Item not found", doc.errorText());
  EXPECT_EQ(-1, doc.open(dataFile("made-zip-encrypted.zip") + "/secret.txt"));
  EXPECT_EQ("Unable to extract file: File skipped, encrypted", doc.errorText());
  // A plain file is no container.
  std::string text = dir_.file("plain.txt");
  testsupport::writeFile(text, "words\n");
  EXPECT_EQ(-1, doc.open(text + "/member"));
  EXPECT_FALSE(doc.isOpen());

  // Archives nested deeper than the limit are not opened.
  std::string inner = ZipBuilder().add("deep.txt", "deepest words\n").build();
  for (int level = 1; level < ImportFile::kMaxContainerDepth; ++level)
    inner = ZipBuilder().add("n.zip", inner).build();
  std::string deep = dir_.file("deep.zip");
  testsupport::writeFile(deep, inner);
  std::string path = deep;
  for (int level = 1; level < ImportFile::kMaxContainerDepth; ++level) path += "/n.zip";
  ASSERT_EQ(0, doc.open(path + "/deep.txt")) << doc.errorText();
  testsupport::writeFile(deep, ZipBuilder().add("n.zip", inner).build());
  EXPECT_EQ(-1, doc.open(path + "/n.zip/deep.txt"));
}

TEST_F(ZipContainerTest, BombsAreCutShortWithinTheLimits) {
  const std::string zeros(std::size_t{8} << 20, '\0');
  // One member: 8 MB of zeros in about 8 KB, far past the allowed ratio.
  std::string one = ZipBuilder().add("zeros.txt", zeros, true).build();
  ASSERT_LT(one.size(), 10000u);
  MemorySource oneSource("one.zip", one);
  ZipViewer viewer(oneSource);
  ContainerMember m;
  std::string bytes;
  ASSERT_EQ(0, viewer.first(&m));
  EXPECT_EQ(-1, viewer.extractToMemory(m, &bytes));
  EXPECT_EQ(zipresult::kRatioTooHigh, viewer.resultCode());
  EXPECT_TRUE(bytes.empty());

  // Overlapping entries: 400 directory entries share the data of one, 30 KB standing for
  // more than 3 GB. With the ratio allowed, the total per archive stops it.
  ZipBuilder b;
  b.add("zeros0.txt", zeros, true);
  for (int i = 1; i < 400; ++i) b.alias("z" + std::to_string(i), 0);
  std::string bomb = b.build();
  ASSERT_LT(bomb.size(), 40000u);
  MemorySource many("many.zip", bomb);
  ZipViewer overlap(many);
  ZipLimits limits;
  limits.maxRatio = 1 << 20;
  limits.maxMemberBytes = 32 << 20;
  limits.maxTotalBytes = 40 << 20;
  overlap.setLimits(limits);
  int extracted = 0;
  for (int rc = overlap.first(&m); rc == 0; rc = overlap.next(&m)) {
    if (overlap.extractToMemory(m, &bytes) < 0) break;
    ++extracted;
  }
  EXPECT_EQ(5, extracted);
  EXPECT_EQ(zipresult::kArchiveTooLarge, overlap.resultCode());

  // A member that states a small size but expands further is held to the member limit.
  limits.maxMemberBytes = 1 << 20;
  limits.maxTotalBytes = 1 << 30;
  ZipViewer lying(oneSource);
  lying.setLimits(limits);
  ASSERT_EQ(0, lying.first(&m));
  m.sizeBytes = 10;
  EXPECT_EQ(-1, lying.extractToMemory(m, &bytes));
  EXPECT_EQ(zipresult::kMemberTooLarge, lying.resultCode());
}

TEST_F(ZipContainerTest, ClimbingNamesAndLinksAreNeverWritten) {
  ZipBuilder::Entry link;
  link.name = "link";
  link.data = "/etc/passwd";
  link.unixMode = 0120777;
  std::string archive = ZipBuilder()
                            .add("../../x", "climbing\n")
                            .add("/abs/y", "absolute\n")
                            .add("ok/z.txt", "fine words\n")
                            .add(link)
                            .build();
  std::string folder = dir_.file("a/b");
  ASSERT_EQ(0, platform::makeDirectories(folder.c_str()));
  MemorySource source("hostile.zip", archive);
  ZipViewer zip(source);
  std::vector<ContainerMember> all = listAll(zip);
  ASSERT_EQ(4u, all.size());
  EXPECT_TRUE(all[0].flags & ContainerMember::kUnsafeName);
  EXPECT_TRUE(all[1].flags & ContainerMember::kUnsafeName);
  EXPECT_EQ(0u, all[2].flags);
  EXPECT_TRUE(all[3].flags & ContainerMember::kSymbolicLink);
  EXPECT_EQ(-1, zip.extractToFile(all[0], folder + "/" + all[0].name));
  EXPECT_EQ(zipresult::kUnsafeName, zip.resultCode());
  EXPECT_FALSE(testsupport::exists(dir_.file("x")));
  EXPECT_EQ(-1, zip.extractToFile(all[3], folder + "/link"));
  EXPECT_EQ(zipresult::kSymbolicLink, zip.resultCode());
  EXPECT_FALSE(testsupport::exists(folder + "/link"));
  ASSERT_EQ(0, zip.extractToFile(all[2], folder + "/z.txt"));
  EXPECT_EQ("fine words\n", testsupport::readFile(folder + "/z.txt"));

  for (const char* bad : {"..", "a/../../b", "a\\..\\b", "C:x", "\\x", ""})
    EXPECT_TRUE(ZipArchive::isUnsafeName(bad)) << bad;
  for (const char* good : {"a/b..c", "..a/b", "a/.../b"}) EXPECT_FALSE(ZipArchive::isUnsafeName(good)) << good;
}
