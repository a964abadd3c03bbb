// PhonicKey: letters A to Z have a sound code; anything else codes 0. Repeated codes collapse,
// and a vowel (code 0) between two equal codes lets the second count again.
#include "search/PhonicKey.h"

#include "import/UnicodeText.h"

namespace {

constexpr char kCodes[] = "01230120022455012623010202";  // A..Z

int code(unsigned char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c < 'A' || c > 'Z') return 0;
  return kCodes[c - 'A'] - '0';
}

}  // namespace

std::string phonicKey(std::string_view word, bool utf8) {
  std::string key;
  if (word.empty()) return key;
  int first = 1;
  if (utf8) unicodetext::decode(word, 0, &first);
  key.append(word.substr(0, static_cast<size_t>(first)));
  int previous = code(static_cast<unsigned char>(word[0]));
  const size_t keyBytes = static_cast<size_t>(first) + 3;
  for (size_t i = static_cast<size_t>(first); i < word.size() && key.size() < keyBytes; ++i) {
    int c = code(static_cast<unsigned char>(word[i]));
    if (c != 0 && c != previous) key += static_cast<char>('0' + c);
    previous = c;
  }
  return key;
}
