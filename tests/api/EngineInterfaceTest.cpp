// The engine interface: initialisation and shutdown, options, the index list, validation of
// records and call-backs, and the debug-log frame.
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/DllInterface.h"
#include "api/IndexLibrary.h"
#include "lexaurum/lexaurum.hpp"
#include "objects/Trace.h"
#include "tests/support/TempDir.h"

namespace {

std::vector<std::string> gTrace;
void collect(void*, const char* line) { gTrace.push_back(line); }

bool traced(const std::string& text) {
  for (const std::string& l : gTrace)
    if (l.find(text) != std::string::npos) return true;
  return false;
}

lxrInitInfo initInfo(const std::string& privateDir,
                     const std::string& homeDir = testsupport::sourcePath("data")) {
  lxrInitInfo info;
  LXR_INIT_RECORD(info);
  std::snprintf(info.privateDir, sizeof info.privateDir, "%s", privateDir.c_str());
  std::snprintf(info.homeDir, sizeof info.homeDir, "%s", homeDir.c_str());
  return info;
}

class EngineInterfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gTrace.clear();
    trace::setSink(collect, nullptr);
  }
  void TearDown() override {
    // Leave the process uninitialised for the next test.
    int16_t result;
    while (DllInterface::current()) lxrsDoShutDown(&result);
    trace::setSink(nullptr, nullptr);
  }
  int16_t init(lxrInitInfo& info) {
    int16_t result = 99;
    int16_t rc = lxrsDoInit(&info, &result);
    EXPECT_EQ(rc, result);
    return result;
  }
  testsupport::TempDir dir_;
};

TEST_F(EngineInterfaceTest, InitMakesThePrivateFolderAndShutDownUndoesIt) {
  std::string priv = dir_.file("a/b/private");
  lxrInitInfo info = initInfo(priv);
  ASSERT_EQ(0, init(info)) << info.errorText;
  EXPECT_EQ(0, info.errorCode);
  EXPECT_TRUE(testsupport::exists(priv + "/IN_USE.TMP"));
  EXPECT_FALSE(testsupport::exists(priv + "/INIT.TMP"));
  EXPECT_EQ("Lexaurum Lock File\n", testsupport::readFile(priv + "/IN_USE.TMP").substr(0, 19));

  // A second init only counts; two shutdowns end the engine, a third finds it gone.
  lxrInitInfo again = initInfo(priv);
  ASSERT_EQ(0, init(again));
  EXPECT_EQ(2, DllInterface::current()->useCount());
  int16_t result = 99;
  EXPECT_EQ(0, lxrsDoShutDown(result));  // by reference (lexaurum.hpp)
  EXPECT_TRUE(testsupport::exists(priv + "/IN_USE.TMP"));
  EXPECT_EQ(0, lxrsDoShutDown(&result));
  EXPECT_FALSE(testsupport::exists(priv + "/IN_USE.TMP")) << "the folder lock is deleted";
  EXPECT_EQ(nullptr, DllInterface::current());
  EXPECT_EQ(-1, lxrsDoShutDown(&result));
  EXPECT_EQ(-1, result);
  EXPECT_TRUE(traced("DLL Not Initialized"));
  EXPECT_TRUE(traced("lxrsDoShutDown: List of files still open: {"));
}

TEST_F(EngineInterfaceTest, FrameLinesSurroundEveryEntry) {
  lxrInitInfo info = initInfo(dir_.file("p"));
  ASSERT_EQ(0, init(info));
  std::vector<std::string> want = {"\n\n==================================================",
                                   "lxrsDoInit...", "      Private directory: ",
                                   "      Home directory:    ", "lxrsDoInit: allocating dllInterface",
                                   "   useCount = 1", "dllInterface::DoInit OK", "lxrsDoInit Done",
                                   "==================================================\n\n"};
  size_t at = 0;
  for (const std::string& w : want) {
    while (at < gTrace.size() && gTrace[at].compare(0, w.size(), w) != 0) ++at;
    ASSERT_LT(at, gTrace.size()) << "missing or out of order: " << w;
  }
}

TEST_F(EngineInterfaceTest, NullResultWritesOnlyTheLogLine) {
  lxrInitInfo info = initInfo(dir_.file("p"));
  EXPECT_EQ(-1, lxrsDoInit(&info, nullptr));
  EXPECT_EQ(nullptr, DllInterface::current());
  EXPECT_FALSE(testsupport::exists(dir_.file("p")));
  ASSERT_EQ(1u, gTrace.size());
  EXPECT_EQ("Parameter Validation Error: Bad short& Reference", gTrace[0]);
}

TEST_F(EngineInterfaceTest, FailedInitLeavesNothingBehind) {
  // No message file in the home folder: a necessary file is missing.
  lxrInitInfo info = initInfo(dir_.file("p"), dir_.file("nohome"));
  EXPECT_EQ(-1, init(info));
  EXPECT_EQ(LXR_INIT_FILE_MISSING, info.errorCode);
  EXPECT_NE(nullptr, std::strstr(info.errorText, "LEXAURUM.MSG"));
  EXPECT_EQ(nullptr, DllInterface::current());
  EXPECT_FALSE(testsupport::exists(dir_.file("p/IN_USE.TMP")));

  // A private folder that is a plain file cannot be reached.
  testsupport::writeFile(dir_.file("plain"), "x");
  lxrInitInfo blocked = initInfo(dir_.file("plain"));
  EXPECT_EQ(-1, init(blocked));
  EXPECT_EQ(LXR_INIT_PRIVATE_DIR, blocked.errorCode);
  EXPECT_TRUE(traced("Unable to access private directory"));

  // Afterwards a sound init works and counts one user.
  lxrInitInfo good = initInfo(dir_.file("p"));
  ASSERT_EQ(0, init(good));
  EXPECT_EQ(1, DllInterface::current()->useCount());
}

void notCode() {}
char gDataNotCode[16];

TEST_F(EngineInterfaceTest, BadRecordsAndCallbacksAreRefusedByName) {
  int16_t result = 0;
  EXPECT_EQ(-1, lxrsDoInit(reinterpret_cast<lxrInitInfo*>(16), &result));
  EXPECT_TRUE(traced("Parameter Validation Error: Bad Object Pointer lxrInitInfo"));

  lxrInitInfo info = initInfo(dir_.file("p"));
  info.pBeepFn = reinterpret_cast<lxrBeepFn>(static_cast<void*>(gDataNotCode));
  EXPECT_EQ(-1, init(info));
  EXPECT_TRUE(traced("Parameter Validation Error: Bad Callback pBeepFn"));
  info.pBeepFn = notCode;
  ASSERT_EQ(0, init(info));

  lxrOptions* readOnly = static_cast<lxrOptions*>(
      mmap(nullptr, sizeof(lxrOptions), PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  EXPECT_EQ(-1, lxrsGetOptions(readOnly, &result));
  EXPECT_TRUE(traced("Parameter Validation Error: Bad Object Pointer lxrOptions"));
  munmap(readOnly, sizeof(lxrOptions));

  lxrSearchJob search;
  LXR_INIT_RECORD(search);
  int notASet[32] = {};
  search.indexesToSearch = reinterpret_cast<StringSet*>(notASet);
  EXPECT_EQ(-1, lxrsDoSearchJob(&search, &result));
  EXPECT_TRUE(traced("Parameter Validation Error: Bad String Set lxrSearchJob.indexesToSearch"));

  EXPECT_EQ(-1, lxrsRunScript(reinterpret_cast<const char*>(8), &result));
  EXPECT_TRUE(traced("Parameter Validation Error: Bad Object Pointer scriptName"));
}

std::vector<std::vector<unsigned char>> gProgressCalls;
void recordProgress(uintptr_t data, void* progress) {
  EXPECT_EQ(42u, data);
  auto* p = static_cast<unsigned char*>(progress);
  gProgressCalls.emplace_back(p, p + sizeof(lxrIndexProgressInfo));
}

TEST_F(EngineInterfaceTest, IndexJobCallbackIsProvedWithOneZeroCall) {
  lxrInitInfo info = initInfo(dir_.file("p"));
  ASSERT_EQ(0, init(info));
  lxrIndexJob job;
  LXR_INIT_RECORD(job);
  job.base.pReportCallBack = recordProgress;
  job.base.pReportData = 42;
  std::strcpy(job.indexName, "No Such Index");
  gProgressCalls.clear();
  int16_t result = 0;
  EXPECT_EQ(-1, lxrsDoIndexJob(&job, &result));
  ASSERT_EQ(1u, gProgressCalls.size());
  for (unsigned char b : gProgressCalls[0]) ASSERT_EQ(0, b);
  EXPECT_TRUE(traced("Validating callback Done OK"));
  EXPECT_TRUE(traced("No Such Index"));

  job.base.pReportCallBack = nullptr;
  gTrace.clear();
  EXPECT_EQ(-1, lxrsDoIndexJob(&job, &result));
  EXPECT_TRUE(traced("   (no callback supplied)"));
  EXPECT_EQ(1u, gProgressCalls.size());
}

TEST_F(EngineInterfaceTest, OptionsRoundTripThroughTheOptionsFile) {
  std::string priv = dir_.file("p");
  lxrInitInfo info = initInfo(priv);
  ASSERT_EQ(0, init(info));
  lxrOptions options;
  LXR_INIT_RECORD(options);
  int16_t result = 0;
  ASSERT_EQ(0, lxrsGetOptions(&options, &result));
  EXPECT_EQ(2, options.binaryFiles);
  EXPECT_EQ(3, options.hyphenMode);
  EXPECT_STREQ("ENGLISH.ABC", options.alphabetName);
  EXPECT_EQ(1, options.indexNumbers);
  EXPECT_NE(nullptr, std::strchr(options.wordChars, 'a'));
  EXPECT_EQ(nullptr, std::strchr(options.wordChars, ' '));

  options.binaryFiles = 3;
  options.hyphenMode = 2;
  std::strcpy(options.alphabetName, "GERMAN.ABC");
  options.indexNumbers = 0;
  ASSERT_EQ(0, lxrsSetOptions(&options, &result));
  std::string file = testsupport::readFile(priv + "/OPTIONS.DAT");
  EXPECT_EQ(0u, file.find("Lexaurum Options\r\n"));
  EXPECT_NE(std::string::npos, file.find("\r\nalphabetName = GERMAN.ABC\r\n"));
  EXPECT_NE(std::string::npos, file.find("\r\nindexNumbers = No\r\n"));

  // A new engine reads the file back.
  ASSERT_EQ(0, lxrsDoShutDown(&result));
  lxrInitInfo again = initInfo(priv);
  ASSERT_EQ(0, init(again));
  lxrOptions back;
  LXR_INIT_RECORD(back);
  ASSERT_EQ(0, lxrsGetOptions(&back, &result));
  EXPECT_EQ(3, back.binaryFiles);
  EXPECT_EQ(2, back.hyphenMode);
  EXPECT_STREQ("GERMAN.ABC", back.alphabetName);
  EXPECT_EQ(0, back.indexNumbers);
}

TEST_F(EngineInterfaceTest, IndexListReportsNamesAndPaths) {
  lxrInitInfo info = initInfo(dir_.file("p"));
  ASSERT_EQ(0, init(info));
  int16_t count = -1;
  int32_t needed = 0;
  ASSERT_EQ(0, lxrsGetIndexList(&count, nullptr, 0, &needed));
  EXPECT_EQ(0, count);
  EXPECT_EQ(5, needed);

  IndexLibrary& library = DllInterface::current()->instance()->library();
  ASSERT_EQ(0, library.add("Mail", "/data/mail"));
  ASSERT_EQ(0, library.add("Brown", "/data/brown"));
  ASSERT_EQ(0, lxrsGetIndexList(&count, nullptr, 0, &needed));
  EXPECT_EQ(2, count);
  EXPECT_EQ(5 + (5 + 11 + 2) + (4 + 10 + 2), needed);
  std::vector<char> buffer(static_cast<size_t>(needed), 'x');
  ASSERT_EQ(0, lxrsGetIndexList(&count, buffer.data(), needed, &needed));
  EXPECT_EQ(0, std::memcmp(buffer.data(), "Brown\0/data/brown\0Mail\0/data/mail\0", 34));
  EXPECT_TRUE(traced("Adding to index list: Brown in /data/brown"));

  // A buffer too small for both takes the first whole entry and reports the shortfall.
  std::vector<char> small(20, 'x');
  EXPECT_EQ(-1, lxrsGetIndexList(&count, small.data(), 20, &needed));
  EXPECT_EQ(0, std::memcmp(small.data(), "Brown\0/data/brown\0\0", 19));
  EXPECT_EQ('x', small[19]);
}

TEST(VersionTest, IsFourTwelve) {
  int16_t major = 0, minor = 0;
  lxrVersion(&major, &minor);
  EXPECT_EQ(4, major);
  EXPECT_EQ(12, minor);
}

// Runs `body` in a child process and returns its exit status.
template <typename Body>
pid_t spawn(Body body) {
  pid_t pid = fork();
  if (pid == 0) {
    trace::setSink(nullptr, nullptr);
    _exit(body());
  }
  return pid;
}

int exitStatus(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

TEST_F(EngineInterfaceTest, PrivateFolderIsLockedAgainstASecondProcessUntilTheFirstDies) {
  std::string priv = dir_.file("shared");
  int ready[2];
  ASSERT_EQ(0, pipe(ready));
  pid_t holder = spawn([&] {
    lxrInitInfo info = initInfo(priv);
    int16_t result;
    if (lxrsDoInit(&info, &result) != 0) return 1;
    char c = 'r';
    if (write(ready[1], &c, 1) != 1) return 2;
    for (;;) pause();
  });
  char c = 0;
  ASSERT_EQ(1, read(ready[0], &c, 1));

  auto tryInit = [&] {
    lxrInitInfo info = initInfo(priv);
    int16_t result;
    lxrsDoInit(&info, &result);
    return result == 0 ? 0 : 10 + info.errorCode;
  };
  EXPECT_EQ(12, exitStatus(spawn(tryInit))) << "refused with error code 2";

  kill(holder, SIGKILL);
  EXPECT_EQ(100 + SIGKILL, exitStatus(holder));
  EXPECT_EQ(0, exitStatus(spawn(tryInit))) << "the dead holder's lock is gone";
  close(ready[0]);
  close(ready[1]);
}

}  // namespace
