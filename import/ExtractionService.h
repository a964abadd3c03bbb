// The engine's side of extraction in isolation: runs extractors in a helper process (the
// program lxr-extract, or one a test names) with a CPU-time limit, an address-space limit and
// an output limit, and a wall-clock limit for one that hangs without using CPU. The helper is
// kept for the next document and started afresh after any failure. A crash, a limit or a hang
// ends that one document as failed with its reason. Depends on platform/ChildProcess and
// import/ExtractionProtocol.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "import/ExtractedText.h"
#include "platform/ChildProcess.h"

// Threads: safe to share; one extraction runs at a time.
class ExtractionService {
 public:
  // Members an answer may carry, in all.
  static constexpr int64_t kMaxMemberBytes = int64_t{512} << 20;

  explicit ExtractionService(std::string program) : program_(std::move(program)) {}
  ExtractionService(const ExtractionService&) = delete;
  ExtractionService& operator=(const ExtractionService&) = delete;

  // Runs the extractor `extractor` on `bytes` in the helper. 0 with `*out` the helper's
  // answer (whose outcome may still be kFailed: the extractor's own failure); -1 when the
  // helper failed, with `*out` kFailed and its error the reason ("the extraction was stopped
  // at the CPU time limit of 30 s", "the extraction helper crashed (killed by signal 11
  // (Segmentation fault))", ...).
  int run(std::string_view extractor, std::string_view bytes, const ExtractLimits& limits, ExtractedText* out);

  const std::string& program() const { return program_; }
  // Documents the running helper has extracted, and helpers started (for tests and logs).
  int documentsOfHelper() const { return documentsOfHelper_; }
  int helpersStarted() const { return helpersStarted_; }

  // The wall-clock limit of one extraction for a CPU-time limit: twice it and two seconds.
  static int64_t wallMillis(int32_t cpuSeconds) { return int64_t{cpuSeconds} * 2000 + 2000; }

 private:
  int fail(ExtractedText* out, std::string reason);

  std::mutex mutex_;
  std::string program_;
  platform::ChildProcess child_;
  int documentsOfHelper_ = 0;
  int helpersStarted_ = 0;
};
