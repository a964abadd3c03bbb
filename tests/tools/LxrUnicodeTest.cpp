// lxr over Unicode indexes: the real multilingual documents (Greek, Russian, Chinese, Japanese,
// Arabic, Hebrew, Polish, Czech, Turkish, some in legacy code pages) are found by the words of
// their QUERIES.tsv and not by the absent word; accented and capitalised forms find what the
// plain ones find; what lxr prints is valid UTF-8; a code-page index is still made on request.
// Skipped when the samples are not on this machine.
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import/UnicodeText.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

namespace {

namespace fs = std::filesystem;
using testsupport::runLxr;

const fs::path kSamples = "/work/shared/testdata/real/multilingual";

struct Query {
  std::string file;
  std::vector<std::string> words;
  std::string absent;
};

std::vector<Query> readQueries() {
  std::vector<Query> out;
  std::ifstream in(kSamples / "QUERIES.tsv");
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream s(line);
    for (std::string cell; std::getline(s, cell, '\t');) cells.push_back(cell);
    if (cells.size() == 5) out.push_back({cells[0], {cells[1], cells[2], cells[3]}, cells[4]});
  }
  return out;
}

// The documents a search names (JSON lines), by file name.
std::set<std::string> found(const testsupport::ToolRun& run) {
  std::set<std::string> names;
  std::stringstream s(run.output);
  for (std::string line; std::getline(s, line);) {
    size_t at = line.find("{\"name\":\"");
    if (at == std::string::npos) continue;
    size_t end = line.find('"', at + 9);
    names.insert(fs::path(line.substr(at + 9, end - at - 9)).filename().string());
  }
  return names;
}

class LxrUnicodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::is_directory(kSamples)) GTEST_SKIP() << "no multilingual samples here";
    queries_ = readQueries();
    ASSERT_EQ(20u, queries_.size());
    docs_ = dir_.file("docs");
    fs::create_directories(docs_);
    for (const Query& q : queries_) fs::copy_file(kSamples / q.file, fs::path(docs_) / q.file);
    priv_ = dir_.file("p");
    index_ = dir_.file("idx");
    ASSERT_EQ(0, runLxr(priv_, "add " + index_ + " " + docs_).status);
  }

  testsupport::ToolRun search(const std::string& request) {
    return runLxr(priv_, "search '" + request + "' " + index_ + " --json --context 3");
  }

  testsupport::TempDir dir_;
  std::vector<Query> queries_;
  std::string docs_, priv_, index_;
};

TEST_F(LxrUnicodeTest, EveryQueryWordFindsItsDocumentAndTheAbsentWordDoesNot) {
  int searches = 0;
  for (const Query& q : queries_) {
    for (const std::string& w : q.words) {
      testsupport::ToolRun run = search(w);
      EXPECT_TRUE(found(run).count(q.file)) << q.file << ": " << w << "\n" << run.output;
      EXPECT_TRUE(unicodetext::isValid(run.output)) << w;
      ++searches;
    }
    EXPECT_FALSE(found(search(q.absent)).count(q.file)) << q.file << ": " << q.absent;
  }
  EXPECT_EQ(60, searches);
}

TEST_F(LxrUnicodeTest, AccentedAndCapitalisedFormsFindWhatThePlainFormsFind) {
  const std::pair<const char*, const char*> forms[] = {
      {"Μάθημα", "μαθημα"}, {"Мёрдока", "мердока"},     {"Naciśnij", "nacisnij"},
      {"Věnováno", "venovano"}, {"İmleci", "imleci"}, {"ΒΙΒΛΊΟ", "βιβλιο"}};
  for (const auto& [marked, plain] : forms) {
    std::set<std::string> a = found(search(marked)), b = found(search(plain));
    EXPECT_FALSE(a.empty()) << marked;
    EXPECT_EQ(a, b) << marked << " / " << plain;
  }
  // Kana voicing marks are letters of their own: ガ is not カ.
  EXPECT_NE(found(search("ファイル")), found(search("フアイル")));
}

TEST_F(LxrUnicodeTest, ChineseAndJapaneseWordsAreFoundInsideSentencesWithoutBlanks) {
  // Both occur only inside longer runs of characters with no blank between words.
  EXPECT_TRUE(found(search("光标")).count("zh-emacs-TUTORIAL.cn.txt"));
  EXPECT_TRUE(found(search("カーソル")).count("ja-vimtutor.shift_jis.txt"));
  // A phrase written as one run is cut into the same words.
  EXPECT_TRUE(found(search("入門ガイド")).count("ja-emacs-TUTORIAL.ja.iso-2022-jp.txt"));
}

TEST_F(LxrUnicodeTest, WildcardsAndFuzzyDifferencesCountCharacters) {
  auto words = [&](const std::string& pattern) { return runLxr(priv_, "words " + index_ + " --match '" + pattern + "'").output; };
  EXPECT_NE(std::string::npos, words("кур?ор").find("курсор"));     // ? is one two-byte letter
  EXPECT_NE(std::string::npos, words("строк?").find("строке"));
  EXPECT_EQ(1, runLxr(priv_, "words " + index_ + " --match 'курс??ор'").status);  // no such word
  EXPECT_TRUE(found(search("кур%сар")).count("ru-vimtutor.windows-1251.txt"));  // one letter differs
  EXPECT_TRUE(found(search("光*")).count("zh-emacs-TUTORIAL.cn.txt"));
}

TEST_F(LxrUnicodeTest, WordsAndSearchOutputAreValidUtf8OnEveryDocument) {
  testsupport::ToolRun words = runLxr(priv_, "words " + index_);
  EXPECT_EQ(0, words.status);
  EXPECT_TRUE(unicodetext::isValid(words.output));
  EXPECT_NE(std::string::npos, words.output.find("курсор"));
  testsupport::ToolRun all = search("a* or е* or 的 or ה*");
  EXPECT_TRUE(unicodetext::isValid(all.output));
  EXPECT_GE(found(all).size(), 10u);
}

TEST(LxrTextModelTest, AnAlphabetFileMakesACodePageIndexWhoseOptionsFileIsAsBefore) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p");
  fs::create_directories(dir.file("d"));
  std::ofstream(dir.file("d/a.txt")) << "harbour pilot\n";
  ASSERT_EQ(0, runLxr(priv, "add " + dir.file("cp") + " " + dir.file("d") + " --alphabet ENGLISH.ABC").status);
  ASSERT_EQ(0, runLxr(priv, "add " + dir.file("uni") + " " + dir.file("d")).status);
  auto read = [](const std::string& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(std::string::npos, read(dir.file("cp/INDEX_O.IX")).find("TextModel"));
  EXPECT_NE(std::string::npos, read(dir.file("uni/INDEX_O.IX")).find("TextModel = Unicode"));
  EXPECT_EQ(2, runLxr(priv, "add " + dir.file("x") + " " + dir.file("d") + " --alphabet OTHER.ABC").status);
}

}  // namespace
