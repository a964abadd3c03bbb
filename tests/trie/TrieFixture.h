// Shared set-up for the trie/ tests: a temporary folder, a check that every descriptor a
// test opened is closed again, the trace lines written during the test, and consistency
// checks answered "no" so a failed check returns instead of ending the run.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objects/Check.h"
#include "objects/Trace.h"
#include "platform/FaultInjection.h"
#include "tests/support/TempDir.h"

class TrieFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    fdsBefore_ = testsupport::openDescriptorCount();
    trace::setSink(&TrieFixture::collect, this);
    check::setTerminateHook([] {});
  }
  void TearDown() override {
    trace::setSink(nullptr, nullptr);
    platform::clearFaultPlan();
    EXPECT_EQ(fdsBefore_, testsupport::openDescriptorCount()) << "descriptor leaked";
  }
  // True when a trace line starts with `prefix`.
  bool traced(const std::string& prefix) const {
    for (const std::string& l : lines_)
      if (l.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  }
  std::string path(const std::string& name) const { return dir_.file(name); }

  testsupport::TempDir dir_;
  std::vector<std::string> lines_;

 private:
  static void collect(void* self, const char* line) {
    static_cast<TrieFixture*>(self)->lines_.push_back(line);
  }
  int fdsBefore_ = 0;
};
