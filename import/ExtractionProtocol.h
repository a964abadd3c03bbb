// The messages between the engine and its extraction helper process: a request (the
// extractor's name, the limits and the document's bytes) and an answer (an ExtractedText).
// Both are little-endian frames read field by field, so that a length is checked against its
// bound before anything is allocated for it: the answer comes from a process that parses
// hostile files and may be broken in any way. docs/importers.md describes the frames.
// Depends on import/ExtractedText and objects/ByteCodec.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "import/ExtractedText.h"

namespace extractionprotocol {

constexpr uint32_t kRequestMagic = 0x5158524C;  // "LRXQ"
constexpr uint32_t kAnswerMagic = 0x4158524C;   // "LRXA"
constexpr uint32_t kVersion = 1;
constexpr size_t kMaxNameBytes = 256;           // extractor names
constexpr size_t kMaxPropertyBytes = 64 * 1024; // title, author, error text
constexpr size_t kMaxMemberNameBytes = 4096;
constexpr uint32_t kMaxMembers = 10000;
constexpr int64_t kMaxDocumentBytes = int64_t{1} << 32;

// Reads exactly n bytes: 0, or a negative value when they could not be read (passed on).
using ReadExact = std::function<int(void* into, size_t n)>;

struct Request {
  std::string extractor;
  ExtractLimits limits;
  std::string bytes;
};

// The request's frame.
std::string encodeRequest(std::string_view extractor, const ExtractLimits& limits, std::string_view bytes);
// Reads one request. 0; the reader's negative value; -3 for a frame that is not a request.
int readRequest(const ReadExact& read, Request* out);

// The answer's frame.
std::string encodeAnswer(const ExtractedText& result);
// Reads one answer. Its text may hold at most `maxTextBytes` and its members
// `maxMemberBytes` in all. 0; the reader's negative value; -3 for a damaged frame; -4 when
// the text or the members pass their bounds.
int readAnswer(const ReadExact& read, int64_t maxTextBytes, int64_t maxMemberBytes, ExtractedText* out);

}  // namespace extractionprotocol
