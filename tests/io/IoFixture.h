// Shared set-up for the io/ tests: a temporary folder, a check that every descriptor opened
// by a test was closed again, a trace listener that keeps the lines written, and no fault
// plan left behind.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objects/Trace.h"
#include "platform/FaultInjection.h"
#include "tests/support/TempDir.h"

class IoFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    fdsBefore_ = testsupport::openDescriptorCount();
    trace::setSink(&IoFixture::collect, this);
  }
  void TearDown() override {
    trace::setSink(nullptr, nullptr);
    platform::clearFaultPlan();
    EXPECT_EQ(fdsBefore_, testsupport::openDescriptorCount()) << "descriptor leaked";
  }
  bool traced(const std::string& line) const {
    for (const std::string& l : lines_)
      if (l == line) return true;
    return false;
  }

  testsupport::TempDir dir_;
  std::vector<std::string> lines_;

 private:
  static void collect(void* self, const char* line) {
    static_cast<IoFixture*>(self)->lines_.push_back(line);
  }
  int fdsBefore_ = 0;
};
