// The WordPerfect 5.x importer and its character map: the real sample documents against
// the reference texts, documents built by hand for notes, damage, tabs and attributes, the
// shipped character map file, and cutting a real document at every offset.
#include "import/WordPerfectImporter.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/BuiltinViewers.h"
#include "import/ImportFile.h"
#include "import/TextBlock.h"
#include "import/ViewerTable.h"
#include "import/WPCharMap.h"
#include "tests/import/WordPerfectDocs.h"
#include "tests/support/TempDir.h"
#include "tests/support/ViewerText.h"

namespace {

using wptest::wp5File;
using wptest::wp5Function;

const char kDamaged = static_cast<char>(textblock::kDamaged);
const char kEnd = static_cast<char>(textblock::kEnd);
const char kPar = static_cast<char>(textblock::kParagraphEnd);

std::string blocks(const std::string& file, const WPCharMap& map = WPCharMap(),
                   wordperfect::Options options = {}, int* damage = nullptr) {
  MemorySource source("t.wp", file);
  ImportWordPerfect importer(source, 64, map, options);
  if (damage) *damage = importer.damageCode();
  return testsupport::allBlocks(importer);
}

std::string text(const std::string& body) { return textblock::plainText(blocks(wp5File(body))); }

// The laid-out text of a file as `lxr text` shows it, through the registry.
std::string importedText(const std::string& path, const char* wantFormat) {
  ViewerTable table;
  ImportSettings settings;
  auto map = std::make_shared<WPCharMap>();
  EXPECT_EQ(0, map->readFile(testsupport::sourcePath("data/WPCHARS.DAT")));
  settings.wpCharMap = map;
  table.setSettings(settings);
  builtinviewers::registerAll(table);
  ImportFile doc(table);
  if (doc.open(path) < 0) return "<" + doc.errorText() + ">";
  EXPECT_STREQ(wantFormat, doc.format()->info.name);
  std::string out;
  ScreenLine line;
  while (doc.nextLine(&line, 80) == 1) out += ImportFile::lineText(line) + "\n";
  return out;
}

TEST(WordPerfectImporterTest, RealDocumentsGiveTheWordsOfTheReferenceText) {
  for (const char* name : {"corel-wordperfect-5.0.wp", "corel-wordperfect-5.1.wp", "testWordPerfect_50.doc",
                           "testWordPerfect_5_0.wp", "truncated-8500-testWordPerfect_5_0.wp"}) {
    std::string path = wptest::samplePath(name);
    std::vector<std::string> want = wptest::wordsOfUtf8(testsupport::readFile(path + ".expected.txt"));
    std::vector<std::string> got = wptest::wordsOf1252(importedText(path, "WordPerfect 5.x"));
    ASSERT_FALSE(want.empty()) << name;
    EXPECT_EQ(want, got) << name;
  }
  // Only the bare prefix: no text, and no crash.
  EXPECT_EQ("", importedText(wptest::samplePath("truncated-16-corel-wordperfect-5.1.wp"), "WordPerfect 5.x"));
}

TEST(WordPerfectImporterTest, FunctionOfLengthZeroEndsTheTextAsDamaged) {
  int damage = 0;
  std::string got = blocks(wp5File("before" + std::string("\xD4\x00\x00\x00", 4) + "after"), WPCharMap(), {}, &damage);
  EXPECT_EQ(ImportWordPerfect::kDamageZeroLength, damage);
  EXPECT_EQ(std::string("before") + kDamaged, got);
  // A body reaching past the end of the file, and a trailing copy that differs.
  blocks(wp5File("a\xD4\x00\x20\x00xyz"), WPCharMap(), {}, &damage);
  EXPECT_EQ(ImportWordPerfect::kDamagePastEnd, damage);
  std::string bad = wp5Function(0xD4, 1, "body");
  bad[bad.size() - 2] = 9;
  EXPECT_EQ(std::string("a") + kDamaged, blocks(wp5File("a" + bad + "b"), WPCharMap(), {}, &damage));
  EXPECT_EQ(ImportWordPerfect::kDamageTrailingCopy, damage);
  // Without the check the function is skipped by its length.
  wordperfect::Options unchecked;
  unchecked.checkTrailingCopies = false;
  EXPECT_EQ("ab", textblock::plainText(blocks(wp5File("a" + bad + "b"), WPCharMap(), unchecked, &damage)));
  EXPECT_EQ(0, damage);
}

TEST(WordPerfectImporterTest, NotesAndCommentsComeInlineBetweenBrackets) {
  // Footnote 3: flags, number, count 1, then 2 * (1 + 1) + 9 bytes before the note's text.
  std::string head = std::string("\x00\x03\x00\x01", 4) + std::string(13, '\x01');
  std::string note = wp5Function(0xD6, 0, head + "See page \xC3\x0C\xC3" "ten\xC4\x0C\xC4.");
  EXPECT_EQ(std::string("Text") + kPar + "[Footnote 3: See page \x01ten\x01.]" + kPar + "more" + kEnd,
            blocks(wp5File("Text" + note + "more" + std::string(1, '\0') + "hidden")));
  // A lettered endnote, and a comment holding a footnote of its own.
  std::string endnote = wp5Function(0xD6, 1, std::string("\x21\x02\x00\x00\x00\x00\x00", 7) + "late");
  EXPECT_EQ("x\n[Endnote B: late]\ny", text("x" + endnote + "y"));
  std::string comment = wp5Function(0xD9, 2, std::string(3, '\0') + "say" + note + "so");
  EXPECT_EQ("\n[Comment: say\n[Footnote 3: See page ten.]\nso]\n", text(comment));
  // A note whose text holds a function running past the note's end is damaged there.
  std::string broken = wp5Function(0xD6, 0, head + "ok\xD4\x00\x40\x00");
  EXPECT_EQ(std::string(1, kPar) + "[Footnote 3: ok" + kDamaged, blocks(wp5File(broken)));
}

TEST(WordPerfectImporterTest, ExtendedCharactersGoThroughTheMap) {
  WPCharMap map;
  map.set(4, 28, '\x92');
  // Character 28 of set 4 is mapped; character 29 is not, and is dropped.
  EXPECT_EQ("it\x92s", textblock::plainText(blocks(wp5File("it\xC0\x1C\x04\xC0s\xC0\x1D\x04\xC0"), map)));
  EXPECT_EQ("its", text("it\xC0\x1C\x04\xC0s"));
}

TEST(WordPerfectImporterTest, TabsAndIndentsReachTheirColumnsWithoutJoiningWords) {
  // A tab to column 20 (position 2400), one past column 50 (position 6120), an ordinary tab.
  std::string tab20 = std::string("\xC1\x00\x60\x09\x00\x00\x00\x00\xC1", 9);
  std::string tab51 = std::string("\xC1\x00\xE8\x17\x00\x00\x00\x00\xC1", 9);
  std::string plain = std::string("\xC1\xC0\x60\x09\x00\x00\x00\x00\xC1", 9);
  EXPECT_EQ("ab" + std::string(18, ' ') + "c", text("ab" + tab20 + "c"));
  EXPECT_EQ("ab c", text("ab" + tab51 + "c"));
  EXPECT_EQ("ab\tc", blocks(wp5File("ab" + plain + "c")));
  // Soft line ends and page ends keep the words on either side apart.
  EXPECT_EQ("one two three four", text("one\x0Dtwo\x0Bthree \x95" "four"));
}

TEST(WordPerfectImporterTest, TextOptionAndMarginsChangeTheLayoutOnly) {
  std::string page = wp5Function(0xD4, 0, "");
  std::string entry = wp5Function(0xD7, 4, std::string("index\0junk", 10));
  std::string file = wp5File("one" + page + "two" + entry + "three");
  EXPECT_EQ("one\ftwothree", blocks(file));
  wordperfect::Options textOption;
  textOption.textOption = true;
  EXPECT_EQ("one two index three", blocks(file, WPCharMap(), textOption));
  // A left margin 2.5 inches in (position 3000): 15 columns beyond the usual inch, one indent
  // code at the start of each paragraph.
  std::string margin = wp5Function(0xD0, 1, std::string("\xB0\x04\xB0\x04\xB8\x0B\xB0\x04", 8));
  const std::string indent(1, static_cast<char>(textblock::kIndent));
  EXPECT_EQ(indent + "a" + kPar + indent + "b", blocks(wp5File(margin + "a\nb")));
}

TEST(WordPerfectImporterTest, ShippedCharacterMapMapsLettersQuotesAndDashes) {
  WPCharMap map;
  ASSERT_EQ(0, map.readFile(testsupport::sourcePath("data/WPCHARS.DAT")));
  EXPECT_EQ(1252, map.codePage());
  EXPECT_EQ(0xE9, map.map(1, 41));  // e acute
  EXPECT_EQ(0xDF, map.map(1, 23));  // sharp s
  EXPECT_EQ(0x93, map.map(4, 32));  // left double quote
  EXPECT_EQ(0x97, map.map(4, 34));  // em dash
  EXPECT_EQ('A', map.map(0, 'A'));
  EXPECT_EQ(0, map.map(7, 1));
  // A file of another kind is refused and the map stays as it was.
  WPCharMap other;
  std::string bytes = map.toBytes();
  bytes[0] = 'X';
  EXPECT_EQ(-1, other.readBytes(bytes));
  EXPECT_EQ(-1, other.readBytes(map.toBytes().substr(0, WPCharMap::kFileBytes - 1)));
  EXPECT_EQ(0, other.map(1, 41));
  EXPECT_EQ(0, other.readBytes(map.toBytes()));
  EXPECT_EQ(0xE9, other.map(1, 41));
}

TEST(WordPerfectImporterTest, EveryCutOfARealDocumentEndsCleanly) {
  std::string file = testsupport::readFile(wptest::samplePath("testWordPerfect_50.doc"));
  ASSERT_FALSE(file.empty());
  std::string whole = blocks(file);
  for (size_t cut = 0; cut <= file.size(); cut += 7) {
    std::string part = blocks(file.substr(0, cut));
    ASSERT_LE(part.size(), whole.size() + 1) << cut;
  }
}

}  // namespace
