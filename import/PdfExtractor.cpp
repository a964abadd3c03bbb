// PDF through poppler's C++ interface. poppler parses the file from our buffer (it copies
// nothing and writes nothing); its messages are silenced, its exceptions caught here.
#include "import/PdfExtractor.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "import/UnicodeText.h"

namespace pdfextractor {

namespace {

// Pages past this many are not read: a page tree that claims more is hostile or broken, and the
// text limit and the helper's CPU limit end a real document long before.
constexpr int kMaxPages = 1 << 20;
// A page tree whose pages stop resolving is not walked on: this many missing pages in a row end
// the document.
constexpr int kMaxMissingPagesInRow = 64;

void ignoreMessage(const std::string&, void*) {}

// poppler keeps one process-wide message sink; it is set once, to discard.
void silencePoppler() {
  static std::once_flag once;
  std::call_once(once, [] { poppler::set_debug_error_function(ignoreMessage, nullptr); });
}

std::string utf8Of(const poppler::ustring& s) {
  poppler::byte_array bytes = s.to_utf8();
  return std::string(bytes.begin(), bytes.end());
}

// One line of a document property: control characters become blanks, blanks are trimmed.
std::string oneLine(const poppler::ustring& s) {
  std::string text = utf8Of(s), line;
  for (char c : text) line += static_cast<unsigned char>(c) < 32 || c == 127 ? ' ' : c;
  size_t first = line.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  size_t last = line.find_last_not_of(' ');
  return line.substr(first, last - first + 1);
}

// Appends one page's text in text-block form: a line end is a line break, an empty line between
// two lines a paragraph end; tabs stay, other control characters go. Trailing line ends are
// dropped (the page end follows).
void appendPage(std::string_view page, std::string* out) {
  int pendingLines = 0;
  bool any = false;
  for (char ch : page) {
    auto c = static_cast<unsigned char>(ch);
    if (c == '\n' || c == '\r' || c == '\f') {
      if (c == '\n' || c == '\f') ++pendingLines;
      continue;
    }
    if (c < 32 && c != '\t') continue;
    if (c == 127) continue;
    if (pendingLines > 0 && any) out->push_back(pendingLines > 1 ? '\n' : '\v');
    pendingLines = 0;
    out->push_back(ch);
    any = true;
  }
}

int fail(ExtractedText* out, const char* why) {
  out->outcome = ExtractedText::Outcome::kFailed;
  out->error = why;
  out->text.clear();
  return -1;
}

int extractText(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out) {
  if (bytes.size() > static_cast<size_t>(INT32_MAX)) return fail(out, "the PDF file is too large");
  std::unique_ptr<poppler::document> doc(
      poppler::document::load_from_raw_data(bytes.data(), static_cast<int>(bytes.size())));
  if (!doc) return fail(out, "not a readable PDF file");
  if (doc->is_locked()) {
    out->outcome = ExtractedText::Outcome::kEncrypted;
    return 0;
  }
  out->title = oneLine(doc->get_title());
  out->author = oneLine(doc->get_author());
  const int pages = doc->pages();
  const auto textLimit = static_cast<size_t>(std::max<int64_t>(limits.textBytes, 0));
  int missingInRow = 0, read = 0;
  for (int i = 0; i < pages; ++i) {
    if (i >= kMaxPages) {
      out->partial = true;
      out->error = "too many pages";
      break;
    }
    std::unique_ptr<poppler::page> page(doc->create_page(i));
    if (!page) {
      if (++missingInRow >= kMaxMissingPagesInRow) {
        out->partial = true;
        out->error = "the page tree is damaged";
        break;
      }
      continue;
    }
    missingInRow = 0;
    ++read;
    appendPage(utf8Of(page->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout)), &out->text);
    out->text.push_back('\f');
    if (out->text.size() > textLimit) {
      out->text.resize(unicodetext::completePrefix(std::string_view(out->text).substr(0, textLimit)));
      out->partial = true;
      out->error = "text limit reached";
      break;
    }
  }
  if (pages > 0 && read == 0) return fail(out, "no page of the PDF file could be read");
  return 0;
}

}  // namespace

int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out) {
  silencePoppler();
  try {
    return extractText(bytes, limits, out);
  } catch (const std::bad_alloc&) {
    return fail(out, "out of memory reading the PDF file");
  } catch (...) {
    return fail(out, "the PDF reader failed");
  }
}

}  // namespace pdfextractor
