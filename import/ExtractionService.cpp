// Running one extraction in the helper process.
#include "import/ExtractionService.h"

#include "import/ExtractionProtocol.h"
#include "platform/Platform.h"

int ExtractionService::fail(ExtractedText* out, std::string reason) {
  *out = ExtractedText{};
  out->outcome = ExtractedText::Outcome::kFailed;
  out->error = std::move(reason);
  documentsOfHelper_ = 0;
  return -1;
}

int ExtractionService::run(std::string_view extractor, std::string_view bytes, const ExtractLimits& limits,
                           ExtractedText* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!child_.running()) {
    if (child_.start(program_, {"--serve"}) < 0)
      return fail(out, "the extraction helper " + program_ + " could not be started (" +
                           platform::errorText(platform::lastError()) + ")");
    ++helpersStarted_;
    documentsOfHelper_ = 0;
  }
  child_.limitCpuFromNow(limits.cpuSeconds);
  const int64_t deadline = platform::ChildProcess::nowMillis() + wallMillis(limits.cpuSeconds);
  // The end of the helper, in words, for a failure that ends it.
  auto ended = [&](const std::string& what) {
    std::string how = child_.stop(200);
    if (how == "CPU time limit reached")
      return fail(out, "the extraction was stopped at the CPU time limit of " + std::to_string(limits.cpuSeconds) + " s");
    if (how == "exited with status 127" && documentsOfHelper_ == 0)
      return fail(out, "the extraction helper " + program_ + " could not be run");
    return fail(out, what + " (" + how + ")");
  };
  std::string request = extractionprotocol::encodeRequest(extractor, limits, bytes);
  int rc = child_.writeAll(request.data(), request.size(), deadline);
  request.clear();
  request.shrink_to_fit();
  if (rc == -2) {
    child_.stop();
    return fail(out, "the extraction was stopped after " + std::to_string(wallMillis(limits.cpuSeconds) / 1000) +
                         " s (it did not take the document)");
  }
  if (rc < 0) return ended("the extraction helper ended");
  auto read = [&](void* into, size_t n) { return child_.readExact(into, n, deadline); };
  // The text may pass the limit by what ends a block; more means the helper ignored it.
  const int64_t maxText = limits.textBytes + 65536;
  rc = extractionprotocol::readAnswer(read, maxText, kMaxMemberBytes, out);
  if (rc == -2) {
    child_.stop();
    return fail(out, "the extraction was stopped after " + std::to_string(wallMillis(limits.cpuSeconds) / 1000) +
                         " s (the wall-clock limit)");
  }
  if (rc == -4) {
    child_.stop();
    return fail(out, "the extraction was stopped at the output limit of " +
                         std::to_string(limits.textBytes >> 20) + " MiB of text");
  }
  if (rc == -3) {
    child_.stop();
    return fail(out, "the extraction helper gave a damaged answer");
  }
  if (rc < 0) return ended("the extraction helper crashed");
  ++documentsOfHelper_;
  return 0;
}
