// What an extractor makes of one document of a complex outside format (PDF, the Office and
// OpenDocument formats, EPUB, Word 97, e-mail): its text as UTF-8 text blocks, its title and
// author, and the files it carries (a message's attachments). Extractors see the whole file's
// bytes and treat them as hostile; they may run in the extraction helper process
// (import/ExtractionHelper.h), so what they return is plain data. Depends on nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The bounds of one extraction. The helper process enforces the CPU time and address space;
// every extractor stops its text at textBytes (and says it was cut).
struct ExtractLimits {
  int32_t cpuSeconds = 30;
  int64_t addressBytes = int64_t{1} << 30;
  int64_t textBytes = int64_t{64} << 20;
};

// A file carried inside a document, handed to the importers as a member of it.
struct ExtractedMember {
  std::string name;      // the attachment's file name ("/" separates folders); never empty
  std::string bytes;     // decoded
  uint16_t dosDate = 0;  // FAT date and time of the member, 0 when unknown
  uint16_t dosTime = 0;
};

struct ExtractedText {
  enum class Outcome : uint8_t {
    kText,       // text was read (perhaps only part of it: see `partial`)
    kEncrypted,  // protected by a password it does not have: counted as encrypted, no text
    kNotText,    // a file that holds no text (an image, a font, a program): skipped, no text
    kFailed,     // the document could not be read at all: `error` says why
  };
  Outcome outcome = Outcome::kText;
  // The format type code (import/FormatTypes.h) the extractor found inside, where one
  // registration reads several formats (a word processing, spreadsheet or presentation
  // package); 0 keeps the registration's own.
  int16_t type = 0;
  // UTF-8 text in text blocks (import/TextBlock.h): paragraph ends (10), line breaks (11),
  // page ends (12) and tabs (9) are the only codes; other control characters are left out.
  std::string text;
  std::string title;   // UTF-8, one line; empty when the document has none
  std::string author;  // UTF-8, one line; empty when the document has none
  bool partial = false;  // damaged or cut at the text limit: `error` says why
  std::string error;
  std::vector<ExtractedMember> members;
};

// An extractor: the whole document in `bytes`, the limits, the result. Returns 0 when
// `out->outcome` is kText, kEncrypted or kNotText, -1 for kFailed (with `out->error` set).
// Must never crash, hang or take memory without bound on any input.
using ExtractFunction = int (*)(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out);
