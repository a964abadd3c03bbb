// The extraction helper process: answers come back whole, the helper is reused, and a hang,
// a spin, a crash or an answer past the output limit fails that one document with its
// reason, after which a new helper serves the next.
#include "import/ExtractionService.h"

#include <gtest/gtest.h>

#include <cstring>

#include "import/ExtractedViewer.h"
#include "import/ExtractionProtocol.h"

namespace {

ExtractLimits quick() {
  ExtractLimits l;
  l.cpuSeconds = 1;
  l.textBytes = 1 << 20;
  return l;
}

TEST(ExtractionServiceTest, ReusesOneHelperAndRestartsItAfterEachKindOfFailure) {
  ExtractionService service(LXR_EXTRACTION_TEST_HELPER);
  ExtractedText a, b;
  ASSERT_EQ(service.run("echo", "first document", quick(), &a), 0);
  EXPECT_EQ(a.text, "first document");
  ASSERT_EQ(service.run("echo", "member:inside", quick(), &b), 0);
  EXPECT_EQ(b.title, a.title) << "the same process serves both";
  ASSERT_EQ(b.members.size(), 1u);
  EXPECT_EQ(b.members[0].name, "inner.txt");
  EXPECT_EQ(b.members[0].bytes, "inside");
  EXPECT_EQ(b.members[0].dosDate, 0x5A21);
  EXPECT_EQ(service.helpersStarted(), 1);

  // A spinning helper meets the CPU limit first, unless the machine is so loaded that it got
  // less than a second of CPU in the wall-clock limit's four.
  struct Case {
    const char* extractor;
    const char* reason;
    const char* orReason;
  } cases[] = {
      {"hang", "wall-clock limit", nullptr},
      {"spin", "CPU time limit of 1 s", "wall-clock limit"},
      {"crash", "the extraction helper crashed", nullptr},
      {"flood", "output limit of 1 MiB", nullptr},
  };
  int started = service.helpersStarted();
  for (const Case& c : cases) {
    ExtractedText r;
    EXPECT_EQ(service.run(c.extractor, "x", quick(), &r), -1) << c.extractor;
    EXPECT_EQ(r.outcome, ExtractedText::Outcome::kFailed);
    EXPECT_TRUE(r.error.find(c.reason) != std::string::npos ||
                (c.orReason && r.error.find(c.orReason) != std::string::npos))
        << c.extractor << ": " << r.error;
    EXPECT_TRUE(r.text.empty());
    ExtractedText next;
    ASSERT_EQ(service.run("echo", "after", quick(), &next), 0) << "after " << c.extractor;
    EXPECT_EQ(next.text, "after");
    EXPECT_EQ(service.helpersStarted(), ++started);
  }

  // An extractor's own failure is an answer: the helper stays.
  ExtractedText refused;
  EXPECT_EQ(service.run("refuse", "x", quick(), &refused), 0);
  EXPECT_EQ(refused.outcome, ExtractedText::Outcome::kFailed);
  EXPECT_EQ(refused.error, "not a document of this kind");
  EXPECT_EQ(service.helpersStarted(), started);
}

TEST(ExtractionServiceTest, AMissingHelperFailsTheDocumentWithTheReason) {
  ExtractionService service("/nonexistent/lxr-extract");
  ExtractedText r;
  EXPECT_EQ(service.run("echo", "x", quick(), &r), -1);
  EXPECT_NE(r.error.find("could not be run"), std::string::npos) << r.error;
}

TEST(ExtractionServiceTest, AViewerOfAFailedExtractionDeliversNothingAndSaysWhy) {
  ImportSettings settings;
  settings.extractLimits = quick();
  settings.extraction = std::make_shared<ExtractionService>(LXR_EXTRACTION_TEST_HELPER);
  MemorySource crashing("a.bin", "x");
  ExtractedViewer failed(settings, crashing, "crash", 2048);
  std::string text;
  EXPECT_EQ(failed.readTextBlock(&text), 0);
  EXPECT_NE(failed.fileInfo().failure.find("crashed"), std::string::npos);
  MemorySource locked("b.bin", "encrypted");
  ExtractedViewer encrypted(settings, locked, "echo", 2048);
  EXPECT_TRUE(encrypted.fileInfo().encrypted);
  EXPECT_EQ(encrypted.readTextBlock(&text), 0);
  MemorySource plain("c.bin", "caf\xC3\xA9");
  ExtractedViewer utf8(settings, plain, "echo", 2048);
  EXPECT_EQ(utf8.readTextBlock(&text), 4);
  EXPECT_EQ(text, "caf\xE9") << "Windows-1252 unless UTF-8 is asked for";
}

// Answers are read field by field with their bounds: a cut or lying frame is refused.
TEST(ExtractionServiceTest, DamagedAnswersAreRefused) {
  ExtractedText good;
  good.text = "words";
  good.members.push_back({"m", "bytes", 0, 0});
  const std::string frame = extractionprotocol::encodeAnswer(good);
  for (size_t cut = 0; cut < frame.size(); ++cut) {
    std::string part = frame.substr(0, cut);
    size_t at = 0;
    auto read = [&](void* into, size_t n) {
      if (part.size() - at < n) return -1;
      std::memcpy(into, part.data() + at, n);
      at += n;
      return 0;
    };
    ExtractedText r;
    EXPECT_LT(extractionprotocol::readAnswer(read, 100, 100, &r), 0) << cut;
  }
  size_t at = 0;
  auto whole = [&](void* into, size_t n) {
    if (frame.size() - at < n) return -1;
    std::memcpy(into, frame.data() + at, n);
    at += n;
    return 0;
  };
  ExtractedText r;
  EXPECT_EQ(extractionprotocol::readAnswer(whole, 4, 100, &r), -4) << "text past its bound";
}

}  // namespace
