// The WordPerfect 6.x and 4.2 importers: the real sample documents against the reference
// texts, a note's text packet brought inline, damaged groups, and cutting the samples at
// every offset.
#include "import/WordPerfect6Importer.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/BuiltinViewers.h"
#include "import/TextBlock.h"
#include "import/ViewerTable.h"
#include "import/WP42Importer.h"
#include "import/WordPerfectImporter.h"
#include "tests/import/WordPerfectDocs.h"
#include "tests/support/TempDir.h"
#include "tests/support/ViewerText.h"

namespace {

std::string textOf(const std::string& file, const char* format) {
  ViewerTable table;
  ImportSettings settings;
  auto map = std::make_shared<WPCharMap>();
  EXPECT_EQ(0, map->readFile(testsupport::sourcePath("data/WPCHARS.DAT")));
  settings.wpCharMap = map;
  table.setSettings(settings);
  builtinviewers::registerAll(table);
  MemorySource source("t", file);
  std::unique_ptr<Viewer> viewer = table.makeViewerOf(*table.findByName(format), source);
  if (!viewer) return "<no viewer>";
  return textblock::plainText(testsupport::allBlocks(*viewer));
}

void put16(std::string* s, size_t at, uint32_t v) {
  (*s)[at] = static_cast<char>(v & 0xFF);
  (*s)[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}
void put32(std::string* s, size_t at, uint32_t v) {
  put16(s, at, v & 0xFFFF);
  put16(s, at + 2, v >> 16);
}

// A WordPerfect 6 file: prefix, an index area of a header and one text packet holding
// `noteText`, then the document text.
std::string wp6File(const std::string& text, const std::string& noteText) {
  std::string f(16, '\0');
  f.replace(0, 4, "\xFFWPC");
  f[8] = 1;
  f[9] = 10;
  f[10] = 2;
  put16(&f, ImportWordPerfect6::kIndexPosPos, 16);
  std::string index(2 * ImportWordPerfect6::kIndexEntryBytes, '\0');
  put16(&index, 2, 1);
  index[ImportWordPerfect6::kIndexEntryBytes + 1] = static_cast<char>(ImportWordPerfect6::kTextPacketType);
  std::string packet(10, '\0');
  put16(&packet, 0, 1);
  put32(&packet, 6, static_cast<uint32_t>(noteText.size()));
  packet += noteText;
  size_t packetPos = f.size() + index.size();
  put32(&index, ImportWordPerfect6::kIndexEntryBytes + 6, static_cast<uint32_t>(packet.size()));
  put32(&index, ImportWordPerfect6::kIndexEntryBytes + 10, static_cast<uint32_t>(packetPos));
  put32(&f, ImportWordPerfect::kTextPosPos, static_cast<uint32_t>(packetPos + packet.size()));
  return f + index + packet + text;
}

// A group: code, subgroup, size, flags, `body`, size, code.
std::string wp6Group(uint8_t code, uint8_t sub, uint8_t flags, const std::string& body) {
  std::string g{static_cast<char>(code), static_cast<char>(sub), 0, 0, static_cast<char>(flags)};
  g += body + "  " + static_cast<char>(code);
  put16(&g, 2, static_cast<uint32_t>(g.size()));
  put16(&g, g.size() - 3, static_cast<uint32_t>(g.size()));
  return g;
}

TEST(WordPerfect6ImporterTest, RealDocumentsGiveTheWordsOfTheReferenceText) {
  struct Sample {
    const char* name;
    const char* format;
  };
  for (Sample s : {Sample{"testWordPerfect.wpd", "WordPerfect 6.x"}, Sample{"corel-wordperfect-x3.wpd", "WordPerfect 6.x"},
                   Sample{"testWordPerfect_42.doc", "WordPerfect 4.2"}}) {
    std::string path = wptest::samplePath(s.name);
    std::vector<std::string> want = wptest::wordsOfUtf8(testsupport::readFile(path + ".expected.txt"));
    std::vector<std::string> got = wptest::wordsOf1252(textOf(testsupport::readFile(path), s.format));
    ASSERT_FALSE(want.empty()) << s.name;
    EXPECT_EQ(want, got) << s.name;
  }
}

TEST(WordPerfect6ImporterTest, NoteGroupBringsItsTextPacketInline) {
  std::string note = wp6Group(0xD7, 0, 0x80, std::string("\x01\x01\x00", 3));
  EXPECT_EQ("See\n[Footnote: caf\xE9 note]\nend",
            textOf(wp6File("See" + note + "end", "caf\xF0\x29\x01\xF0\x80note"), "WordPerfect 6.x"));
  // A packet named again (here three times by one group, then by another) comes in once,
  // so packets naming packets cannot multiply the text.
  std::string again = wp6Group(0xD7, 0, 0x80, std::string("\x03\x01\x00\x01\x00\x01\x00", 7));
  EXPECT_EQ("a\n[Footnote: x]\nb", textOf(wp6File("a" + again + note + "b", "x"), "WordPerfect 6.x"));
  // Text kept only for undoing is not the document's.
  EXPECT_EQ("kept", textOf(wp6File(std::string("ke\xF1\x00\x01\x00\xF1gone\xF1\x01\x01\x00\xF1pt", 18), ""), "WordPerfect 6.x"));
}

TEST(WordPerfect6ImporterTest, DamagedGroupsEndTheText) {
  MemorySource zero("t", wp6File(std::string("ab\xD4\x00\x00\x00", 6) + "cd", ""));
  ImportWordPerfect6 a(zero, 64, WPCharMap(), {});
  EXPECT_EQ("ab" + std::string(1, static_cast<char>(textblock::kDamaged)), testsupport::allBlocks(a));
  EXPECT_EQ(ImportWordPerfect::kDamageZeroLength, a.damageCode());
  std::string bad = wp6Group(0xD4, 1, 0, "xx");
  bad[bad.size() - 1] = '\xD5';
  MemorySource copy("t", wp6File("ab" + bad, ""));
  ImportWordPerfect6 b(copy, 64, WPCharMap(), {});
  testsupport::allBlocks(b);
  EXPECT_EQ(ImportWordPerfect::kDamageTrailingCopy, b.damageCode());
}

TEST(WordPerfect6ImporterTest, WordPerfect42NotesAndUnclosedFunctions) {
  // A note: E2, six bytes of numbering, the note's text, E2.
  std::string note = std::string("\xE2\x01\x00\x00\x00\x00\x00", 7) + "small print\xE2";
  EXPECT_EQ("abc\n[Note: small print]\nd", textOf("a\x9D" "b\x9C" "c" + note + "d", "WordPerfect 4.2"));
  MemorySource open("t", "text\xC3 never closed");
  ImportWP42 importer(open, 64);
  EXPECT_EQ("text" + std::string(1, static_cast<char>(textblock::kDamaged)), testsupport::allBlocks(importer));
  EXPECT_EQ(ImportWordPerfect::kDamagePastEnd, importer.damageCode());
}

TEST(WordPerfect6ImporterTest, EveryCutOfTheSamplesEndsCleanly) {
  for (const char* name : {"testWordPerfect.wpd", "testWordPerfect_42.doc"}) {
    std::string file = testsupport::readFile(wptest::samplePath(name));
    for (size_t cut = 0; cut <= file.size(); cut += 3) {
      MemorySource source("t", file.substr(0, cut));
      ImportWordPerfect6 wp6(source, 64, WPCharMap(), {});
      testsupport::allBlocks(wp6);
      ImportWP42 wp42(source, 64);
      testsupport::allBlocks(wp42);
    }
  }
}

}  // namespace
