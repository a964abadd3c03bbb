// The recognizers of the built-in formats that a signature alone cannot tell: binary files,
// WordPerfect 5.x and 6.x, Word and Write, HTML. Each has the C form of a recognizer
// (include/lexaurum/lxrviewer.h): it sees the file's name and first bytes and returns a score
// 0..100; the binary recognizers also follow the registry's binary-files option.
// Depends on platform/ and import/ImportSettings.
#pragma once

#include <cstdint>

#include "import/ImportSettings.h"
#include "lexaurum/lxrviewer.h"

namespace recognizers {

// The score a binary file gets from the binary recognizers.
constexpr int16_t kBinaryScore = 30;

// True when the bytes look binary: a NUL, or more than one in 32 bytes below 32 that are not
// tab, line feed, vertical tab, form feed or carriage return.
bool looksBinary(const uint8_t* head, int32_t headBytes);

// kBinaryScore for a binary file while the binary-files option is 1 (filtered) or 3
// (skipped), else 0.
int16_t recognizeBinaryFiltered(const ImportSettings& settings, const char* fileName,
                                const uint8_t* head, int32_t headBytes);
int16_t recognizeBinarySkipped(const ImportSettings& settings, const char* fileName,
                               const uint8_t* head, int32_t headBytes);

extern "C" {
// 100 for a WordPerfect document of major version 0 (5.x) or 2 (6.x), unencrypted.
int16_t recognizeWordPerfect5(const char* fileName, const uint8_t* head, int32_t headBytes);
int16_t recognizeWordPerfect6(const char* fileName, const uint8_t* head, int32_t headBytes);
// 100 when the 16-bit value at byte 96 is 0 (Word) or not 0 (Write).
int16_t recognizeWord(const char* fileName, const uint8_t* head, int32_t headBytes);
int16_t recognizeWrite(const char* fileName, const uint8_t* head, int32_t headBytes);
// 100 for "<HTML>", "<TITLE>", "<HEAD>" or a DOCTYPE HTML declaration at the start (after
// white space, case-blind), 99 for a comment "<!--", else 0.
int16_t recognizeHtml(const char* fileName, const uint8_t* head, int32_t headBytes);
// 100 when "%PDF-" starts within the first 1024 bytes (readers accept bytes before it).
int16_t recognizePdf(const char* fileName, const uint8_t* head, int32_t headBytes);
}

}  // namespace recognizers
