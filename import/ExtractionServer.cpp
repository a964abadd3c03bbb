// The helper's request loop.
#include "import/ExtractionServer.h"

#include <exception>
#include <new>

#include "import/ExtractionProtocol.h"
#include "platform/ChildProcess.h"

#if defined(__SANITIZE_ADDRESS__)
#define LXR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LXR_ADDRESS_SANITIZER 1
#endif
#endif

namespace extractionserver {

namespace {

ExtractFunction lookup(const std::string& name, const extractors::Entry* extra, size_t extraCount) {
  for (size_t i = 0; i < extraCount; ++i)
    if (extra[i].extract && name == extra[i].name) return extra[i].extract;
  const extractors::Entry* e = extractors::find(name);
  return e ? e->extract : nullptr;
}

void runOne(const extractionprotocol::Request& request, ExtractFunction extract, ExtractedText* out) {
  if (!extract) {
    out->outcome = ExtractedText::Outcome::kFailed;
    out->error = "no extractor " + request.extractor;
    return;
  }
  try {
    if (extract(request.bytes, request.limits, out) < 0 && out->outcome != ExtractedText::Outcome::kFailed)
      out->outcome = ExtractedText::Outcome::kFailed;
  } catch (const std::bad_alloc&) {
    *out = ExtractedText{};
    out->outcome = ExtractedText::Outcome::kFailed;
    out->error = "the extraction ran out of memory";
  } catch (...) {
    *out = ExtractedText{};
    out->outcome = ExtractedText::Outcome::kFailed;
    out->error = "the extraction failed";
  }
  if (out->outcome == ExtractedText::Outcome::kFailed && out->error.empty()) out->error = "unreadable";
}

}  // namespace

int serve(const extractors::Entry* extra, size_t extraCount) {
  auto read = [](void* into, size_t n) { return platform::readExactFromParent(into, n); };
  for (;;) {
    extractionprotocol::Request request;
    uint8_t first = 0;
    // The input ending before a request begins is the normal end.
    if (platform::readExactFromParent(&first, 1) < 0) return 0;
    bool used = false;
    auto readRest = [&](void* into, size_t n) {
      if (!used && n > 0) {
        used = true;
        static_cast<uint8_t*>(into)[0] = first;
        return n == 1 ? 0 : read(static_cast<uint8_t*>(into) + 1, n - 1);
      }
      return read(into, n);
    };
    if (extractionprotocol::readRequest(readRest, &request) < 0) return 2;
#ifndef LXR_ADDRESS_SANITIZER
    if (request.limits.addressBytes > 0) platform::limitOwnAddressSpace(request.limits.addressBytes);
#endif
    ExtractedText result;
    runOne(request, lookup(request.extractor, extra, extraCount), &result);
    request = {};
    std::string answer = extractionprotocol::encodeAnswer(result);
    if (platform::writeAllToParent(answer.data(), answer.size()) < 0) return 3;
  }
}

}  // namespace extractionserver
