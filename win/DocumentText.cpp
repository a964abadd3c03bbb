#include "win/DocumentText.h"

#include <QObject>

#include "lexaurum/lexaurum.h"
#include "win/EngineText.h"

namespace {

constexpr char kHitMark = 7;
constexpr int kPageEndFlag = 2;

int takeLine(uintptr_t data, int32_t, int32_t, int32_t flags, const char* text) {
  auto* doc = reinterpret_cast<DocumentText*>(data);
  if (doc->lines().size() >= DocumentText::kMaxLines) return 1;
  doc->addLine(text, (flags & kPageEndFlag) != 0);
  return 0;
}

}  // namespace

void DocumentText::addLine(const char* markedText, bool endsPage) {
  std::string plain;
  int hitStart = -1;
  const int line = static_cast<int>(lines_.size());
  std::vector<std::pair<size_t, size_t>> spans;  // byte offsets of the hits in `plain`
  for (const char* p = markedText; *p; ++p) {
    if (*p != kHitMark) {
      plain += *p;
      continue;
    }
    if (hitStart < 0) {
      hitStart = static_cast<int>(plain.size());
    } else {
      spans.emplace_back(static_cast<size_t>(hitStart), plain.size());
      hitStart = -1;
    }
  }
  // The offsets in the QString: UTF-8 text has characters of several bytes.
  for (const auto& [from, to] : spans) {
    int start = enginetext::shownLength(plain, from);
    hits_.push_back({line, start, enginetext::shownLength(plain, to) - start});
  }
  QString shown = enginetext::fromEngine(plain);
  while (shown.endsWith(u' ')) shown.chop(1);
  lines_ << shown;
  if (endsPage) pageStarts_.push_back(line + 1);
}

int DocumentText::load(const std::string& engineName, const std::vector<int32_t>& hits, int width, bool utf8Lines) {
  lines_.clear();
  hits_.clear();
  pageStarts_.clear();
  int16_t result = 0;
  int rc = lxrsGetDocumentLines(engineName.c_str(), hits.empty() ? nullptr : hits.data(),
                                static_cast<int32_t>(hits.size()), width, utf8Lines ? LXR_LINES_UTF8 : 0, takeLine,
                                reinterpret_cast<uintptr_t>(this), &result);
  cut_ = lines_.size() >= kMaxLines;
  if (cut_) lines_ << QObject::tr("[The rest of the document is not shown: it has more than %1 lines.]").arg(kMaxLines);
  return rc < 0 ? -1 : 0;
}
