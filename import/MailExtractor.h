// The extractor of an Internet message (RFC 5322 with MIME), read through GMime: the From,
// To, Cc, Subject and Date headers (RFC 2047 words decoded) as the first lines, then the text
// parts in order (text/plain preferred in multipart/alternative, text/html through the HTML
// importer's rules), each declared character set brought to UTF-8. Parts with a file name or
// of a type other than text are handed back as members (decoded bytes, safe unique names);
// an attached message becomes a member "NAME.eml". The subject is the title, From the author.
// Bounded: decoded bytes in all (kMaxDecodedBytes), parts (kMaxParts), nesting (kMaxDepth).
// Depends on GMime, import/ExtractedText, import/HtmlImporter, import/Utf8Converter.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "import/ExtractedText.h"

namespace mail {

constexpr int64_t kMaxDecodedBytes = int64_t{256} << 20;  // all parts of one message
constexpr int64_t kMaxMemberBytes = int64_t{64} << 20;    // one attachment
constexpr int kMaxParts = 1000;
constexpr int kMaxDepth = 20;  // multiparts inside multiparts

// The extractor "mail" (import/Extractors.h).
int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out);

// A member name made of an attachment's file name: its last path step, control characters
// dropped, never empty, "." or ".."; `fallback` when nothing is left; made unique against
// `used` (" (2)" before the extension) and added to it.
std::string safeMemberName(std::string_view raw, const std::string& fallback, std::set<std::string>* used);

}  // namespace mail
