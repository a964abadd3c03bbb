// RequestToken: one token of a search request as the lexer cut it. Plain value.
#pragma once

#include <cstdint>
#include <string>

#include "search/NodeKind.h"

struct RequestToken {
  // The token as the search uses it. A quoted token keeps its opening double quote as its
  // first character and loses the closing one; a numeric range is rewritten to its
  // "!i%08x" form in double quotes.
  std::string text;
  // The token before a numeric range was rewritten (file conditions read sizes and dates
  // from it); otherwise equal to text.
  std::string written;
  int kind = nodekind::kWord;
  int32_t n = 0;       // the distance of WI and NOTWITHIN, else 0
  int depth = 0;       // parentheses open at the token's last character
  bool quoted = false;
  // Where the token lies in the text given to the lexer: [begin, end).
  int32_t begin = 0;
  int32_t end = 0;
};
