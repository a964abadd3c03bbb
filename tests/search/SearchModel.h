// A brute-force reading of search requests over documents held as word lists, and a random
// request grammar to go with it: words, wildcards, numbers and number ranges, phrases, AND,
// OR, NOT, w/N, not w/N, TO ... CONTAINS and XFILTER on name and size. Each connector is
// evaluated directly from its meaning over a window of word numbers, so that the engine's
// documents and hits can be compared with it.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace searchmodel {

struct ModelDoc {
  std::string name;  // the file name without its folder
  std::vector<std::string> words;
  int64_t size = 0;  // bytes on disk
};
using Positions = std::set<int32_t>;
using Found = std::map<std::string, std::vector<int32_t>>;  // name -> hits, ascending

// A request and its evaluation over a document: the positions it gives within [lo, hi] and
// whether it holds there.
struct Request {
  std::string text;
  std::function<Positions(const ModelDoc&, int32_t lo, int32_t hi, bool* holds)> eval;
};

// One word of a request and the document words it stands for.
struct Leaf {
  std::string text;
  std::function<bool(const std::string&)> matches;
};

// The words documents are made of (as the index folds them), the wildcard patterns of
// requests, and other written forms of some words (capitals, accents, points) that fold to
// them. "qz" is never written, so requests also ask for a word the index does not know. A
// test may put another vocabulary in place (a Unicode one has `utf8` set: "?" is then one
// character, and only the listed forms are written).
struct Vocabulary {
  std::vector<std::string> letters = {"qa", "qb", "qc", "qd", "qab", "qbc"};
  std::vector<std::string> patterns = {"qa*", "q?", "q?c", "qb*", "*c", "*t", "1*", "2?", "q*b"};
  std::map<std::string, std::string> written;  // folded word -> another written form
  bool utf8 = false;
};
inline Vocabulary& vocabulary() {
  static Vocabulary v;
  return v;
}
inline const std::vector<std::string>& letterWords() { return vocabulary().letters; }
inline const std::vector<std::string>& numberWords() {
  static const std::vector<std::string> w = {"0", "7", "007", "12", "12x", "20", "100", "2147483647", "3000000000",
                                             "99999999999"};
  return w;
}

// The code points of UTF-8 text (well-formed text only: the model writes no other).
inline std::u32string codePointsOf(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t cp = n == 1 ? c : c & (0x3F >> (n - 1));
    for (int k = 1; k < n && i + static_cast<size_t>(k) < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0x3F);
    out += cp;
    i += static_cast<size_t>(n);
  }
  return out;
}

// "?" one character, "*" any run (request words).
template <typename C>
bool globMatch(const C* p, const C* w) {
  if (*p == '\0') return *w == '\0';
  if (*p == '*') return globMatch(p + 1, w) || (*w != '\0' && globMatch(p, w + 1));
  if (*w == '\0') return false;
  return (*p == '?' || *p == *w) && globMatch(p + 1, w + 1);
}

// File name patterns: "?" one character, "#" a digit, "@" a letter, "*" any run, letter case
// ignored.
inline bool namePatternMatch(const char* p, const char* w) {
  if (*p == '\0') return *w == '\0';
  if (*p == '*') return namePatternMatch(p + 1, w) || (*w != '\0' && namePatternMatch(p, w + 1));
  if (*w == '\0') return false;
  const unsigned char c = static_cast<unsigned char>(*w);
  bool ok = *p == '?' || (*p == '#' && std::isdigit(c)) || (*p == '@' && std::isalpha(c)) ||
            std::tolower(static_cast<unsigned char>(*p)) == std::tolower(c);
  return ok && namePatternMatch(p + 1, w + 1);
}

// The number a word that begins with a digit stands for in range searches: its leading
// digits, at most 2^32 - 1.
inline int64_t numberValue(const std::string& w) {
  int64_t v = 0;
  for (char c : w) {
    if (c < '0' || c > '9') break;
    v = std::min<int64_t>(v * 10 + (c - '0'), 0xFFFFFFFFLL);
  }
  return v;
}

inline Positions leafAt(const ModelDoc& d, const Leaf& leaf, int32_t lo, int32_t hi) {
  Positions out;
  for (int32_t i = std::max(lo, 1); i <= hi && i <= static_cast<int32_t>(d.words.size()); ++i)
    if (leaf.matches(d.words[static_cast<size_t>(i - 1)])) out.insert(i);
  return out;
}

inline Leaf randomLeaf(std::mt19937& rng) {
  const auto& letters = letterWords();
  const auto& numbers = numberWords();
  switch (rng() % 12) {
    case 0: {  // a wildcard
      const std::vector<std::string>& patterns = vocabulary().patterns;
      std::string p = patterns[rng() % patterns.size()];
      if (vocabulary().utf8)
        return {p, [p](const std::string& w) { return globMatch(codePointsOf(p).c_str(), codePointsOf(w).c_str()); }};
      return {p, [p](const std::string& w) { return globMatch(p.c_str(), w.c_str()); }};
    }
    case 1: {  // a number range: "a~~b", "a~~" (exactly a), "a~~0" (a and above)
      static const std::vector<int64_t> bounds = {0, 5, 7, 12, 20, 99, 100, 2147483647, 3000000000};
      int64_t a = bounds[rng() % bounds.size()], b = bounds[rng() % bounds.size()];
      int form = static_cast<int>(rng() % 3);
      std::string text = std::to_string(a) + "~~" + (form == 0 ? std::to_string(b) : form == 1 ? "" : "0");
      // Bounds above 2^31 - 1 are taken as 2^31 - 1; an upper bound of 0 means no bound.
      const int64_t top = 0x7FFFFFFF;
      int64_t low = std::min(a, top);
      int64_t high = form == 1 ? low : (form == 2 || b == 0) ? top : std::min(b, top);
      return {text, [low, high](const std::string& w) {
                if (w.empty() || w[0] < '0' || w[0] > '9') return false;
                int64_t v = numberValue(w);
                return v >= low && v <= high;
              }};
    }
    case 2: {  // a number as a plain word
      std::string n = numbers[rng() % numbers.size()];
      return {n, [n](const std::string& w) { return w == n; }};
    }
    case 3:
      if (rng() % 2 == 0) return {"qz", [](const std::string&) { return false; }};
      [[fallthrough]];
    default: {
      std::string w = letters[rng() % letters.size()];
      return {w, [w](const std::string& x) { return x == w; }};
    }
  }
}

inline Request leafRequest(const Leaf& leaf) {
  return {leaf.text, [leaf](const ModelDoc& d, int32_t lo, int32_t hi, bool* s) {
            Positions p = leafAt(d, leaf, lo, hi);
            *s = !p.empty();
            return p;
          }};
}

// Words next to each other: every word of an occurrence whose last word lies in [lo, hi],
// from its first word up to hi.
inline Request phraseRequest(const std::vector<Leaf>& leaves) {
  std::string text;
  for (const Leaf& l : leaves) text += (text.empty() ? "" : " ") + l.text;
  return {text, [leaves](const ModelDoc& d, int32_t lo, int32_t hi, bool* s) {
            Positions out;
            const int32_t k = static_cast<int32_t>(leaves.size());
            const int32_t n = static_cast<int32_t>(d.words.size());
            for (int32_t first = 1; first + k - 1 <= n; ++first) {
              bool all = true;
              for (int32_t i = 0; i < k && all; ++i)
                all = leaves[static_cast<size_t>(i)].matches(d.words[static_cast<size_t>(first + i - 1)]);
              const int32_t last = first + k - 1;
              if (!all || last < lo || first > hi) continue;
              for (int32_t q = first; q <= last && q <= hi; ++q) out.insert(q);
            }
            *s = !out.empty();
            return out;
          }};
}

inline Request orRequest(const Request& l, const Request& r) {
  return {"(" + l.text + " or " + r.text + ")", [l, r](const ModelDoc& d, int32_t lo, int32_t hi, bool* s) {
            bool ls = false, rs = false;
            Positions a = l.eval(d, lo, hi, &ls), b = r.eval(d, lo, hi, &rs);
            *s = ls || rs;
            Positions out;
            if (ls) out.insert(a.begin(), a.end());
            if (rs) out.insert(b.begin(), b.end());
            return out;
          }};
}

// A word, a phrase or an OR of those: what w/N and TO take on their sides.
inline Request wordLike(std::mt19937& rng) {
  switch (rng() % 6) {
    case 0: {
      std::vector<Leaf> leaves;
      for (int k = 2 + static_cast<int>(rng() % 2), i = 0; i < k; ++i) leaves.push_back(randomLeaf(rng));
      return phraseRequest(leaves);
    }
    case 1:
      return orRequest(leafRequest(randomLeaf(rng)), leafRequest(randomLeaf(rng)));
    default:
      return leafRequest(randomLeaf(rng));
  }
}

inline Request xfilterRequest(std::mt19937& rng) {
  static const std::vector<std::string> names = {"f1*", "*3.txt", "f?.txt", "f#.txt", "F2*.TXT", "f1* f4*", "f@*", "*"};
  static const std::vector<std::string> sizes = {"~~60", "60~~120", "100~~", "~40~~90", "~~~80", "1K~~", "~0~~0", "64"};
  std::vector<std::pair<std::string, std::string>> conditions;  // name, value
  int form = static_cast<int>(rng() % 4);
  if (form != 1) conditions.emplace_back(rng() % 4 == 0 ? "excl" : "name", names[rng() % names.size()]);
  if (form != 0) conditions.emplace_back("size", sizes[rng() % sizes.size()]);
  std::string text = "xfilter (";
  for (const auto& [name, value] : conditions) text += (text.back() == '(' ? "" : " ") + name + " \"" + value + "\"";
  text += ")";
  return {text, [conditions](const ModelDoc& d, int32_t, int32_t, bool* s) {
            bool pass = true;
            for (const auto& [name, value] : conditions) {
              if (name == "name" || name == "excl") {
                bool any = false;
                for (size_t at = 0; at < value.size();) {
                  size_t end = value.find(' ', at);
                  if (end == std::string::npos) end = value.size();
                  any = any || namePatternMatch(value.substr(at, end - at).c_str(), d.name.c_str());
                  at = end + 1;
                }
                pass = pass && (name == "name" ? any : !any);
                continue;
              }
              // A size range; a single leading "~" (or "~~~") excludes.
              std::string v = value;
              bool exclude = (v[0] == '~' && v.compare(0, 2, "~~") != 0) || v.compare(0, 3, "~~~") == 0;
              if (exclude) v = v.substr(1);
              auto bytes = [](const std::string& t) {
                int64_t n = std::stoll(t);
                return t.back() == 'K' ? n * 1024 : n;
              };
              size_t at = v.find("~~");
              int64_t low = 0, high = INT64_MAX;
              if (at == std::string::npos) {
                low = high = bytes(v);
              } else {
                if (at > 0) low = bytes(v.substr(0, at));
                if (at + 2 < v.size()) high = bytes(v.substr(at + 2));
              }
              bool in = d.size >= low && d.size <= high;
              pass = pass && (exclude ? !in : in);
            }
            *s = pass;
            return Positions();
          }};
}

inline Request randomRequest(std::mt19937& rng, int depth) {
  int kind = depth <= 0 ? static_cast<int>(rng() % 2) : static_cast<int>(rng() % 12);
  if (kind <= 1) return wordLike(rng);
  if (kind == 2) return xfilterRequest(rng);
  if (kind == 3 || kind == 4) {  // w/N and not w/N; the left side is the anchor
    Request a = wordLike(rng), b = wordLike(rng);
    int32_t n = 1 + static_cast<int32_t>(rng() % 4);
    bool notWithin = kind == 4;
    std::string text = "(" + a.text + (notWithin ? " not w/" : " w/") + std::to_string(n) + " " + b.text + ")";
    return {text, [a, b, n, notWithin](const ModelDoc& d, int32_t lo, int32_t hi, bool* s) {
              Positions out;
              bool as = false;
              for (int32_t p : a.eval(d, lo, hi, &as)) {
                bool bs = false;
                Positions near = b.eval(d, std::max({p - n, 1, lo}), std::min(p + n, hi), &bs);
                if (notWithin) {
                  if (near.empty()) out.insert(p);
                } else if (!near.empty()) {
                  out.insert(p);
                  out.insert(near.begin(), near.end());
                }
              }
              *s = !out.empty();
              return out;
            }};
  }
  if (kind == 5) {  // (s to e) contains c: stretches from an s to the next e at or after it
    Request a = wordLike(rng), b = wordLike(rng), c = randomRequest(rng, depth - 1);
    return {"((" + a.text + " to " + b.text + ") contains " + c.text + ")",
            [a, b, c](const ModelDoc& d, int32_t lo, int32_t hi, bool* s) {
              Positions out;
              *s = false;
              int32_t from = lo;
              while (from <= hi) {
                bool ss = false, es = false, cs = false;
                Positions starts = a.eval(d, from, hi, &ss);
                auto start = starts.lower_bound(from);
                if (start == starts.end()) break;
                Positions ends = b.eval(d, *start, hi, &es);
                auto end = ends.lower_bound(*start);
                if (end == ends.end()) break;
                Positions in = c.eval(d, std::max(*start, lo), std::min(*end, hi), &cs);
                *s = *s || cs;
                out.insert(in.begin(), in.end());
                if (*end >= hi) break;
                from = *end + 1;
              }
              return out;
            }};
  }
  if (kind == 6) {  // not X: holds where X does not
    Request x = randomRequest(rng, depth - 1);
    return {"(not " + x.text + ")", [x](const ModelDoc& d, int32_t lo, int32_t hi, bool* s) {
              bool xs = false;
              x.eval(d, lo, hi, &xs);
              *s = !xs;
              return Positions();
            }};
  }
  Request l = randomRequest(rng, depth - 1), r = randomRequest(rng, depth - 1);
  if (kind == 7 || kind == 8) return orRequest(l, r);
  bool negated = kind == 9;
  return {"(" + l.text + (negated ? " and not " : " and ") + r.text + ")",
          [l, r, negated](const ModelDoc& d, int32_t lo, int32_t hi, bool* s) {
            bool ls = false, rs = false;
            Positions a = l.eval(d, lo, hi, &ls), b = r.eval(d, lo, hi, &rs);
            *s = ls && (negated ? !rs : rs);
            if (!*s) return Positions();
            if (!negated) a.insert(b.begin(), b.end());
            return a;
          }};
}

// The documents a request finds, with their hits.
inline Found evaluate(const Request& r, const std::map<std::string, ModelDoc>& docs) {
  Found out;
  for (const auto& [name, doc] : docs) {
    bool holds = false;
    Positions p = r.eval(doc, 1, 1 << 30, &holds);
    if (!p.empty() || holds) out[name] = std::vector<int32_t>(p.begin(), p.end());
  }
  return out;
}

// How an index folds the words of the documents: letter case, and the one accented letter
// the documents hold (a c with cedilla, Windows-1252 0xE7, written for some c's). Request
// words are written in lower case without accents.
struct Folding {
  bool ignoreCase = true;
  bool ignoreAccents = true;

  std::string operator()(std::string w) const {
    for (char& c : w) {
      if (ignoreCase) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (ignoreAccents && static_cast<unsigned char>(c) == 0xE7) c = 'c';
    }
    return w;
  }
};

// A document of 3 to 42 words, mostly letter words, nine to a line, some written in capitals
// and some c's with a cedilla (*words holds them as the index folds them).
inline std::string randomText(std::mt19937& rng, std::vector<std::string>* words,
                              const Folding& fold = Folding()) {
  std::string text;
  words->clear();
  for (int n = 3 + static_cast<int>(rng() % 40), i = 0; i < n; ++i) {
    const auto& from = rng() % 5 == 0 ? numberWords() : letterWords();
    std::string written = from[rng() % from.size()];
    if (vocabulary().utf8) {
      auto other = vocabulary().written.find(written);
      words->push_back(written);
      if (other != vocabulary().written.end() && rng() % 3 == 0) written = other->second;
      text += written + (i % 9 == 8 ? "\n" : " ");
      continue;
    }
    if (written.back() == 'c' && rng() % 4 == 0) written.back() = '\xE7';
    if (rng() % 10 == 0)
      for (char& c : written) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    words->push_back(fold(written));
    text += written + (i % 9 == 8 ? "\n" : " ");
  }
  return text;
}

}  // namespace searchmodel
