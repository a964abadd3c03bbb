// Mail, mailboxes, compressed single files and files without text: the real samples against
// their reference texts (a message's text with its attachments' texts, the file inside a
// compressed file), attachment names, charsets and the choice of alternatives, and hostile
// input: a 50 MB base64 part, a 1000:1 gzip bomb, signatures that must not steal documents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

#include "import/BuiltinViewers.h"
#include "import/ContainerViewer.h"
#include "import/FormatTypes.h"
#include "import/ImportFile.h"
#include "import/MailExtractor.h"
#include "import/Mailbox.h"
#include "import/PlainMail.h"
#include "import/TextBlock.h"
#include "import/ViewerTable.h"
#include "tests/import/ReferenceWords.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZipBuilder.h"

namespace {

class MailTest : public ::testing::Test {
 protected:
  void SetUp() override { builtinviewers::registerAll(viewers_); }

  // The UTF-8 text of a document in memory and, depth first, of its members: a member's text
  // follows the line "Attachment: NAME" of a message, as the reference texts show it.
  std::string allText(const std::string& name, const std::string& bytes, int depth = 0) {
    MemorySource source(name, bytes);
    const ViewerEntry* format = nullptr;
    std::unique_ptr<Viewer> viewer = viewers_.makeViewer(source, &format);
    if (!viewer) return "";
    std::string text;
    viewer->deliverUtf8();
    while (viewer->readTextBlock(&text) > 0) {
    }
    text = textblock::plainText(text) + "\n";
    auto* c = dynamic_cast<ContainerViewer*>(viewer.get());
    if (c && depth < 3) {
      ContainerMember m;
      std::vector<ContainerMember> members;
      for (int rc = c->first(&m); rc == 0; rc = c->next(&m)) members.push_back(m);
      for (const ContainerMember& each : members) {
        std::string inner;
        if (c->extractToMemory(each, &inner) < 0) continue;
        std::string memberText = allText(each.name, inner, depth + 1);
        size_t line = text.find("Attachment: " + each.name);
        size_t end = line == std::string::npos ? std::string::npos : text.find('\n', line);
        if (end == std::string::npos) text += memberText;
        else text.insert(end + 1, memberText);
      }
    }
    return text;
  }

  std::unique_ptr<Viewer> viewerOf(const std::string& bytes, const ViewerEntry** format, MemorySource** keep) {
    *keep = new MemorySource("doc", bytes);
    sources_.emplace_back(*keep);
    return viewers_.makeViewer(**keep, format);
  }

  ViewerTable viewers_;
  std::vector<std::unique_ptr<MemorySource>> sources_;
};

std::string read(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(MailTest, RealSamplesGiveTheWordsOfTheReferenceTexts) {
  if (!std::filesystem::is_directory("/work/shared/testdata/real")) GTEST_SKIP() << "no real samples here";
  int compared = testsupport::expectReferenceWords({"mail", "compressed"}, [&](const std::string& path) {
    return allText(std::filesystem::path(path).filename().string(), read(path));
  });
  EXPECT_EQ(14, compared);
}

TEST_F(MailTest, AMessageGivesHeadersTextPartsAndSafelyNamedAttachments) {
  const std::string msg =
      "From: =?ISO-8859-1?Q?J=F6rg?= <j@example.org>\r\nTo: a@example.org\r\nCc: c@example.org\r\n"
      "Subject: =?UTF-8?B?R3LDvMOfZQ==?=\r\nDate: Tue, 6 Jun 2017 14:48:27 -0700\r\nMIME-Version: 1.0\r\n"
      "Content-Type: multipart/mixed; boundary=\"X\"\r\n\r\n"
      "--X\r\nContent-Type: multipart/alternative; boundary=\"Y\"\r\n\r\n"
      "--Y\r\nContent-Type: text/html\r\n\r\n<p>htmlform</p>\r\n"
      "--Y\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
      "D=FCsseldorf plainform\r\n--Y--\r\n"
      "--X\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<html><head><meta charset=\"iso-8859-1\"></head><body>\xC3\xA9t\xC3\xA9 <b>Bold</b>&amp;more<script>hidden()</script></body></html>\r\n"
      "--X\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; filename=\"../../etc/passwd\"\r\n\r\nroot\r\n"
      "--X\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; filename=\"a.txt\"\r\n\r\none\r\n"
      "--X\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; filename=\"a.txt\"\r\n\r\ntwo\r\n"
      "--X\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\nAAEC\r\n"
      "--X\r\nContent-Type: message/rfc822\r\n\r\nFrom: b@example.org\r\nSubject: inner\r\n\r\ninnerbody\r\n"
      "--X--\r\n";
  ExtractedText out;
  ASSERT_EQ(0, mail::extract(msg, ExtractLimits(), &out));
  EXPECT_EQ("Grüße", out.title);
  EXPECT_EQ("Jörg <j@example.org>", out.author);
  std::string text = textblock::plainText(out.text);
  EXPECT_EQ(0u, text.find("From: Jörg <j@example.org>\nTo: a@example.org\nCc: c@example.org\nSubject: Grüße\nDate: "));
  EXPECT_NE(std::string::npos, text.find("Düsseldorf plainform"));
  EXPECT_EQ(std::string::npos, text.find("htmlform"));  // the plain form of the alternative
  EXPECT_NE(std::string::npos, text.find("été Bold&more"));
  EXPECT_EQ(std::string::npos, text.find("hidden"));
  std::vector<std::string> names;
  for (const ExtractedMember& m : out.members) names.push_back(m.name);
  EXPECT_EQ((std::vector<std::string>{"passwd", "a.txt", "a (2).txt", "attachment-4", "message-1.eml"}), names);
  ASSERT_EQ(5u, out.members.size());
  EXPECT_EQ(std::string("\0\1\2", 3), out.members[3].bytes);
  EXPECT_NE(std::string::npos, out.members[4].bytes.find("innerbody"));
  EXPECT_NE(std::string::npos, text.find("Attachment: passwd (text/plain)"));
  // Through the registry: the message is a container with text, its members documents.
  const std::string all = allText("m.eml", msg);
  EXPECT_NE(std::string::npos, all.find("innerbody"));
  EXPECT_NE(std::string::npos, all.find("two"));
}

TEST_F(MailTest, AFiftyMegabyteBase64PartInAMailboxStaysWithinTheBounds) {
  std::string body;
  const std::string line = "VGhlIHF1aWNrIGJyb3duIGZveCBqdW1wcyBvdmVyIHRoZSBsYXp5IGRvZ3MgYmFjay4K\n";
  while (body.size() < (50u << 20)) body += line;
  const std::string mbox = "From a@example.org Mon Jun  1 09:56:31 2009\nFrom: a@example.org\nSubject: big\n"
                           "MIME-Version: 1.0\nContent-Type: text/plain\nContent-Transfer-Encoding: base64\n\n" +
                           body + "\nFrom b@example.org Mon Jun  1 09:56:31 2009\nFrom: b@example.org\nSubject: small\n\nsmall\n";
  bool cut = false;
  std::vector<ExtractedMember> messages = mailbox::split(mbox, int64_t{1} << 30, &cut);
  ASSERT_EQ(2u, messages.size());
  EXPECT_FALSE(cut);
  ExtractLimits limits;
  limits.textBytes = 1 << 20;
  ExtractedText out;
  ASSERT_EQ(0, mail::extract(messages[0].bytes, limits, &out));
  EXPECT_TRUE(out.partial);
  EXPECT_LE(out.text.size(), size_t{1} << 20);
  EXPECT_NE(std::string::npos, out.text.find("The quick brown fox"));
  // The mailbox's bound on all its messages is kept too.
  messages = mailbox::split(mbox, 1 << 20, &cut);
  EXPECT_TRUE(cut);
  EXPECT_LE(messages.size(), 1u);
}

TEST_F(MailTest, AMailboxIsAContainerOfItsMessagesUnquoted) {
  const std::string mbox =
      "From a@example.org Mon Jun  1 09:56:31 2009\nFrom: a@example.org\nSubject: one\nDate: x\n\n"
      ">From the start\n>>From twice\nbody one\n\n"
      "From b@example.org Mon Jun  1 09:56:32 2009\nFrom: b@example.org\nSubject: two\n\nbody two\n";
  const ViewerEntry* format = nullptr;
  MemorySource* source;
  std::unique_ptr<Viewer> viewer = viewerOf(mbox, &format, &source);
  ASSERT_NE(nullptr, viewer);
  EXPECT_EQ(formattype::kMailbox, viewer->fileInfo().type);
  auto* c = dynamic_cast<ContainerViewer*>(viewer.get());
  ASSERT_NE(nullptr, c);
  ASSERT_EQ(2, c->count());
  ContainerMember m;
  ASSERT_EQ(0, c->infoByName("message-00001.eml", &m));
  std::string bytes;
  ASSERT_EQ(0, c->extractToMemory(m, &bytes));
  EXPECT_EQ("From: a@example.org\nSubject: one\nDate: x\n\nFrom the start\n>From twice\nbody one\n", bytes);
  ASSERT_EQ(0, c->infoByName("message-00002.eml", &m));
  // A body line beginning "From " without an empty line before it does not split.
  bool cut = false;
  EXPECT_EQ(1u, mailbox::split("From a x 1:00\nS: 1\n\nline\nFrom here on\n", 1 << 20, &cut).size());
}

TEST_F(MailTest, AGzipBombIsRefusedAtTheBoundWithAClearError) {
  const std::string packed = testsupport::ZipBuilder::gzip(std::string(size_t{50} << 20, '\0'));
  ASSERT_LT(packed.size() * 900, size_t{50} << 20);  // about 1000:1
  const ViewerEntry* format = nullptr;
  MemorySource* source;
  std::unique_ptr<Viewer> viewer = viewerOf(packed, &format, &source);
  ASSERT_NE(nullptr, viewer);
  EXPECT_EQ(formattype::kGzip, viewer->fileInfo().type);
  auto* c = dynamic_cast<ContainerViewer*>(viewer.get());
  ASSERT_NE(nullptr, c);
  ContainerMember m;
  ASSERT_EQ(0, c->first(&m));
  EXPECT_EQ("doc.out", m.name);
  std::string bytes;
  EXPECT_EQ(-1, c->extractToMemory(m, &bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_NE(std::string::npos, c->errorText().find("expands more than 200 times")) << c->errorText();
  // A damaged stream fails cleanly; a modest one expands.
  std::string out, error;
  const std::string good = testsupport::ZipBuilder::gzip("plain words\n");
  EXPECT_EQ(-1, compressed::expand(compressed::Kind::kGzip, good.substr(0, good.size() - 6), ZipLimits(), &out, &error));
  EXPECT_EQ(0, compressed::expand(compressed::Kind::kGzip, good, ZipLimits(), &out, &error));
  EXPECT_EQ("plain words\n", out);
}

TEST_F(MailTest, FilesWithoutTextAreRecognisedWithoutStealingDocuments) {
  const std::string png = std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + std::string(200, '\x01') + "readable run of letters";
  std::string pe(256, '\0');
  pe[0] = 'M', pe[1] = 'Z', pe[0x3C] = static_cast<char>(0x80);
  pe.replace(0x80, 4, std::string("PE\0\0", 4));
  for (const std::string& binary : {png, std::string("\x7F" "ELF\x02\x01\x01") + std::string(100, '\0'), pe,
                                    std::string("RIFF\x10\0\0\0WAVEfmt ", 16) + std::string(40, '\0'),
                                    std::string("\0\0\0\x18" "ftypmp42\0\0\0\0", 16) + std::string(40, '\0'),
                                    std::string("wOF2\0\1\0\0", 8) + std::string(40, '\0')}) {
    const ViewerEntry* format = nullptr;
    MemorySource* source;
    std::unique_ptr<Viewer> viewer = viewerOf(binary, &format, &source);
    ASSERT_NE(nullptr, viewer);
    EXPECT_TRUE(viewer->fileInfo().notText) << binary.substr(0, 4);
    EXPECT_EQ(formattype::kNotText, viewer->fileInfo().type);
    std::string text;
    EXPECT_EQ(0, viewer->readTextBlock(&text));
    EXPECT_TRUE(text.empty());
  }
  // Text that begins like a weak signature stays text.
  for (const std::string& doc : {std::string("MZ is how this note begins, and it goes on in words.\n"),
                                 std::string("RIFF\x10\0\0\0RMIDdata", 16) + " words",
                                 std::string("BM and then text for a while, long enough to pass.\n"),
                                 std::string("\xFF\xFEH\0e\0l\0l\0o\0 \0w\0o\0r\0l\0d\0", 24)}) {
    const ViewerEntry* format = nullptr;
    MemorySource* source;
    std::unique_ptr<Viewer> viewer = viewerOf(doc, &format, &source);
    ASSERT_NE(nullptr, viewer);
    EXPECT_FALSE(viewer->fileInfo().notText) << doc.substr(0, 4);
  }
}

// What the unindexed scan's check relies on: a message that PlainMail passes gives no word that
// is not in its own bytes, save the reader's labels; one with anything decoded is not passed.
TEST_F(MailTest, APlainMessageGivesOnlyWordsOfItsOwnBytes) {
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  // The first word of the text that the bytes do not hold, "" when there is none. Control
  // characters other than line ends are left out of the bytes, as the reader leaves them out
  // (and as the check reads past them).
  auto foreignWord = [&](const std::string& bytes) {
    std::string raw;
    for (char c : lower(bytes))
      if (static_cast<unsigned char>(c) >= 32 || c == '\t' || c == '\r' || c == '\n') raw.push_back(c);
    const std::string text = lower(allText("m.eml", bytes));
    for (size_t i = 0; i < text.size();) {
      size_t j = i;
      while (j < text.size() && std::isalnum(static_cast<unsigned char>(text[j]))) ++j;
      const std::string word = text.substr(i, j - i);
      const bool label = std::find(plainmail::kLabels.begin(), plainmail::kLabels.end(), word) != plainmail::kLabels.end();
      if (!word.empty() && !label && raw.find(word) == std::string::npos) return word;
      i = j + 1;
    }
    return std::string();
  };
  const std::string head = "From: Ann Example <ann@example.org>\r\nTo: bob@example.org (Bob Builder)\r\n"
                           "Subject: a folded\r\n subject line\r\nDate: Tue, 30 Jul 2002 08:30:04 +0100\r\n";
  const std::vector<std::string> plain = {
      head + "Content-Type: text/plain; charset=\"us-ascii\"; format=flowed\r\n\r\nkob-\r\nject body\x01text\r\n",
      head + "Content-Type: multipart/mixed; boundary=\"B\"\r\n\r\n--B\r\nContent-Type: text/plain; charset=utf-8\r\n"
             "Content-Transfer-Encoding: 7bit\r\n\r\nfirst part\r\n--B\r\n\r\nsecond part\r\n--B--\r\n",
      "From ann@example.org Tue Jul 30 08:30:04 2002\nFrom: ann@example.org\nSubject: one\n\nfirst\n>From here\n\n"
      "From bob@example.org Tue Jul 30 09:30:04 2002\nFrom: bob@example.org\nSubject: two\n\nsecond\n",
  };
  for (const std::string& m : plain) {
    EXPECT_TRUE(plainmail::readsAsItStands(m)) << m;
    EXPECT_EQ("", foreignWord(m)) << m;
  }
  const std::string body = "Content-Type: text/plain\r\n\r\nbody\r\n";
  const std::vector<std::string> decoded = {
      head + "Content-Transfer-Encoding: base64\r\n" + body,
      head + "Content-Transfer-Encoding: Quoted-Printable\r\n" + body,
      head + "Content-Type: text/plain; charset = UTF-7\r\n\r\n+AGs-object\r\n",
      head + "Content-Type:  TEXT/HTML\r\n\r\n<b>kob</b>ject\r\n",
      head + "Content-Type: application/rtf\r\n\r\n{\\rtf1 k\\'6fbject}\r\n",
      head + "Content-Disposition: attachment\r\n" + body,
      "From: =?utf-8?q?Ann?= <ann@example.org>\r\n" + body,
      "From: ann@xn--mnchen-3ya.de\r\n" + body,
      head + "Content-Type: text/plain; charset=iso-8859-1\r\n\r\nd\xFCsseldorf\r\n",
      head + "Content-Type: text/plain; charset=iso-2022-jp\r\n\r\n\x1B$B#K#O#B\x1B(B\r\n",
  };
  for (const std::string& m : decoded) EXPECT_FALSE(plainmail::readsAsItStands(m)) << m;

  const std::filesystem::path real = "/work/shared/testdata/real/mail";
  if (!std::filesystem::is_directory(real)) return;
  for (const auto& e : std::filesystem::directory_iterator(real)) {
    const std::string bytes = read(e.path());
    if (plainmail::readsAsItStands(bytes)) {
      EXPECT_EQ("", foreignWord(bytes)) << e.path();
    }
  }
}
