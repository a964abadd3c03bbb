// A test fixture with the engine initialised through its interface: a fresh private folder
// in a temporary folder, the shipped data files as the home folder, the trace silenced.
// Every engine instance is shut down when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "api/DllInterface.h"
#include "lexaurum/lexaurum.h"
#include "objects/Trace.h"
#include "tests/support/TempDir.h"

namespace testsupport {

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    trace::setSink([](void*, const char*) {}, nullptr);
    startEngine();
  }
  void TearDown() override {
    int16_t result;
    while (DllInterface::current()) lxrsDoShutDown(&result);
    trace::setSink(nullptr, nullptr);
  }
  // Initialises the engine (once more, when it already is), with `ask` as its question
  // call-back.
  void startEngine(lxrAskYesNoFn ask = nullptr) {
    lxrInitInfo info;
    LXR_INIT_RECORD(info);
    std::snprintf(info.privateDir, sizeof info.privateDir, "%s", dir_.file("p").c_str());
    std::snprintf(info.homeDir, sizeof info.homeDir, "%s", sourcePath("data").c_str());
    info.pAskYesNoFn = ask;
    int16_t result = 0;
    ASSERT_EQ(0, lxrsDoInit(&info, &result));
  }

  // Writes the job script `name` into the test's folder and runs it; the run's result.
  int runScript(const std::string& text, const std::string& name = "t.job") {
    writeFile(dir_.file(name), text);
    int16_t result = 0;
    lxrsRunScript(dir_.file(name).c_str(), &result);
    return result;
  }

  // Makes the index `ix` (of the default, Unicode, text model) of the files of `docs`: true
  // when the job succeeded (a failure is also reported as a test failure).
  bool makeIndex(const std::string& ix, const std::string& docs) {
    lxrIndexJob job;
    LXR_INIT_RECORD(job);
    std::snprintf(job.indexPath, sizeof job.indexPath, "%s", ix.c_str());
    std::snprintf(job.toAdd.directory, sizeof job.toAdd.directory, "%s", docs.c_str());
    job.create = job.add = 1;
    int16_t result = 0;
    const int rc = lxrsDoIndexJob(&job, &result);
    EXPECT_EQ(0, rc) << ix;
    return rc == 0;
  }

  TempDir dir_;
};

}  // namespace testsupport
