// Consistency checks: the message, the error log block and the terminate question.
#include "objects/Check.h"

#include <gtest/gtest.h>

#include "objects/ErrorLog.h"
#include "objects/Trace.h"
#include "tests/support/TempDir.h"

namespace {

int gAnswer = 0;
std::string gQuestion;
int gTerminations = 0;
int answer(const char* text) {
  gQuestion = text;
  return gAnswer;
}
void countTermination() { ++gTerminations; }

class CheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    errorlog::setFolder(dir_.path());
    check::setTerminateQuestion([](const std::string& q) { return answer(q.c_str()) != 0; });
    check::setTerminateHook(countTermination);
    gTerminations = 0;
  }
  void TearDown() override {
    errorlog::setFolder("");
    check::setTerminateQuestion(nullptr);
    check::setTerminateHook(nullptr);
  }
  testsupport::TempDir dir_;
};

TEST_F(CheckTest, FailedCheckIsLoggedWithTheStateAndAsked) {
  trace::text("Indexer::addDocs");
  gAnswer = 0;
  int before = check::failureCount();
  bool held = LXR_CHECK(1 + 1 == 3);
  int line = __LINE__ - 1;
  EXPECT_FALSE(held);
  EXPECT_EQ(before + 1, check::failureCount());
  std::string expected = "ERROR -- ASSERTION FAILED in objects/CheckTest, line " +
                         std::to_string(line) + ": 1 + 1 == 3";
  EXPECT_EQ(expected, check::lastFailure());
  EXPECT_NE(std::string::npos, gQuestion.find(expected));
  EXPECT_EQ(0, gTerminations);

  std::string log = testsupport::readFile(dir_.file("ERROR.LOG"));
  size_t msg = log.find(expected);
  size_t head = log.find("Debug State Stack: \n");
  size_t state = log.find("Indexer::addDocs", head);
  size_t tail = log.find("End of Debug State Stack\n");
  ASSERT_NE(std::string::npos, msg);
  ASSERT_NE(std::string::npos, head);
  EXPECT_LT(msg, head);
  EXPECT_LT(head, state);
  EXPECT_LT(state, tail);
  EXPECT_NE(std::string::npos, tail);
}

TEST_F(CheckTest, YesTerminatesThroughTheHook) {
  gAnswer = 1;
  EXPECT_TRUE(LXR_CHECK(2 > 1));
  EXPECT_EQ(0, gTerminations) << "a holding check asks nothing";
  EXPECT_FALSE(LXR_CHECK(2 < 1));
  EXPECT_EQ(1, gTerminations);
}

TEST_F(CheckTest, NobodyToAskMeansTheProcessGoesOn) {
  check::setTerminateQuestion(nullptr);
  gQuestion.clear();
  EXPECT_FALSE(LXR_CHECK(2 < 1));
  EXPECT_EQ(0, gTerminations);
  EXPECT_TRUE(gQuestion.empty());
}

TEST(CheckSourceNameTest, KeepsFolderAndStem) {
  EXPECT_EQ("io/Vlrfile", check::sourceName("/home/x/lexaurum/io/Vlrfile.cpp"));
  EXPECT_EQ("index/Ix_merge", check::sourceName("index/Ix_merge.cpp"));
  EXPECT_EQ("Fail", check::sourceName("Fail.cpp"));
}

TEST(ErrorLinesTest, TraceLinesBeginningWithErrorReachTheErrorLog) {
  testsupport::TempDir dir;
  errorlog::setFolder(dir.path());
  trace::text("ordinary line");
  trace::line("ERROR IOBuffer::flush failed.  name= %s", "x.dat");
  errorlog::setFolder("");
  EXPECT_EQ("ERROR IOBuffer::flush failed.  name= x.dat\n",
            testsupport::readFile(dir.file("ERROR.LOG")));
}

}  // namespace
