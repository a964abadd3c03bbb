// Hyphen processing: the joined forms of hyphenated words.
#include "import/HyphenWords.h"

#include "import/Alphabet.h"
#include "import/TextFormat.h"

namespace {
std::string cut(std::string s) {
  if (s.size() > HyphenWords::kMaxJoined) s.resize(HyphenWords::kMaxJoined);
  return s;
}
}  // namespace

bool HyphenWords::endsInSpecialHyphen(const std::string& w) const {
  return !w.empty() &&
         textformat::charClass(alphabet_, static_cast<unsigned char>(w.back())) == textformat::kHyphenChar;
}

bool HyphenWords::next(std::string* word, long* number) {
  if (!held_.empty()) {
    *word = std::move(held_.front().word);
    *number = held_.front().number;
    held_.pop_front();
    return true;
  }
  std::string w;
  long n = 0;
  if (!fetch_(&w, &n)) return false;
  if (alphabet_.hyphenMode() != 1 || !endsInSpecialHyphen(w) || w.size() >= kMaxJoinInput) {
    *word = std::move(w);
    *number = n;
    return true;
  }
  std::string w1 = w.substr(0, w.size() - 1);
  std::string w2;
  long n2 = 0;
  if (fetch_(&w2, &n2)) {
    if (endsInSpecialHyphen(w2)) w2.pop_back();
    held_.push_back({cut(w1 + "-" + w2), n});
    held_.push_back({cut(w1 + w2), n});
    held_.push_back({w2, n + 1});
  }
  *word = std::move(w1);
  *number = n;
  return true;
}
