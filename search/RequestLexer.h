// RequestLexer: cuts a search request into tokens: words, quoted words, connectors (with the
// distance of w/N), numeric ranges, each with its parenthesis depth. The request is folded
// through the alphabet's request map first. Depends on import/Alphabet and search/ only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "search/RequestToken.h"
#include "search/SearchWord.h"

class Alphabet;

// Threads: one user at a time.
class RequestLexer {
 public:
  static constexpr size_t kReservedBytes = 256;

  // `alphabet` null: the built-in alphabet. It must outlive the lexer.
  explicit RequestLexer(const Alphabet* alphabet = nullptr, SearchMarkers markers = {});

  // Cuts `request` into tokens, replacing those held. `cursorPos` is a byte position in
  // `request` (or -1); cursorToken() then names the token that holds it. The token count.
  int tokenize(const std::string& request, int32_t cursorPos = -1);

  int tokenCount() const { return static_cast<int>(tokens_.size()); }
  // Token i; null outside 0..tokenCount()-1. Valid until the next tokenize.
  const RequestToken* token(int i) const;
  // The token that holds the cursor position, or -1.
  int cursorToken() const { return cursorToken_; }
  const std::vector<RequestToken>& tokens() const { return tokens_; }
  // The request after w/N rewriting and folding.
  const std::string& foldedText() const { return folded_; }

  // The numeric range token for `token` (a digit first, "~~" inside): a double quote,
  // "!i" and the low bound in 8 hex digits, and unless nothing follows the "~~", "~~!i"
  // and the high bound (0 meaning 7fffffff); then a double quote. Bounds above 7fffffff are
  // cut to it.
  static std::string numericRange(const std::string& token);
  // True when `token` is a numeric range: its first character is a digit and it holds "~~".
  static bool isNumericRange(const std::string& token);

 private:
  bool isWordChar(unsigned char c) const;

  const Alphabet* alphabet_;
  SearchMarkers markers_;
  std::string folded_;
  std::vector<RequestToken> tokens_;
  int cursorToken_ = -1;
};
