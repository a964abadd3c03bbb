// The lxr tool as a user runs it: commands, exit codes, and a second process beside one that
// holds the private folder.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "lexaurum/lexaurum.h"
#include "objects/Trace.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

namespace {

using testsupport::ToolRun;

ToolRun lxr(const std::string& privateDir, const std::string& args) {
  return testsupport::runLxr(privateDir, args);
}

TEST(LxrToolTest, SetsOptionsAndKeepsTheLibrary) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p");
  EXPECT_EQ(0, lxr(priv, "options set hyphens 2").status);
  ToolRun shown = lxr(priv, "options");
  EXPECT_EQ(0, shown.status);
  EXPECT_NE(std::string::npos, shown.output.find("hyphens       = 2"));
  std::string mail = dir.file("mail"), other = dir.file("other");
  ASSERT_EQ(0, lxr(priv, "create " + mail).status);
  ASSERT_EQ(0, lxr(priv, "create " + other).status);
  EXPECT_EQ(0, lxr(priv, "library add Mail " + mail).status);
  EXPECT_EQ(2, lxr(priv, "library add Mail " + other).status) << "names are unique";
  EXPECT_EQ(2, lxr(priv, "library add Nowhere " + dir.file("nowhere")).status) << "no index there";
  ToolRun list = lxr(priv, "library list");
  EXPECT_NE(std::string::npos, list.output.find("1 index in the library"));
  EXPECT_NE(std::string::npos, list.output.find(mail));
  EXPECT_EQ(2, lxr(priv, "no-such-command").status);
  // Output that cannot be written fails the command instead of passing for a short list.
  EXPECT_EQ(4, lxr(priv, "library list >/dev/full").status);
}

TEST(LxrToolTest, SecondProcessReadsBesideTheHolderButCannotChangeSettings) {
  testsupport::TempDir dir;
  std::string priv = dir.file("p");
  std::string mail = dir.file("mail");
  ASSERT_EQ(0, lxr(priv, "create " + mail).status);
  ASSERT_EQ(0, lxr(priv, "library add Mail " + mail).status);

  int ready[2];
  ASSERT_EQ(0, pipe(ready));
  pid_t holder = fork();
  if (holder == 0) {
    trace::setSink(nullptr, nullptr);
    lxrInitInfo info;
    LXR_INIT_RECORD(info);
    std::snprintf(info.privateDir, sizeof info.privateDir, "%s", priv.c_str());
    std::snprintf(info.homeDir, sizeof info.homeDir, "%s", testsupport::sourcePath("data").c_str());
    int16_t result;
    if (lxrsDoInit(&info, &result) != 0) _exit(1);
    char c = 'r';
    if (write(ready[1], &c, 1) != 1) _exit(2);
    for (;;) pause();
  }
  char c = 0;
  ASSERT_EQ(1, read(ready[0], &c, 1));

  ToolRun list = lxr(priv, "library list");
  EXPECT_EQ(0, list.status) << list.output;
  EXPECT_NE(std::string::npos, list.output.find(mail));
  ToolRun change = lxr(priv, "options set hyphens 1");
  EXPECT_EQ(3, change.status) << "busy";
  EXPECT_NE(std::string::npos, change.output.find("in use by another Lexaurum process"));
  EXPECT_EQ(3, lxr(priv, "library remove Mail").status);

  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(0, lxr(priv, "library remove Mail").status) << "the folder is free again";
}

}  // namespace
