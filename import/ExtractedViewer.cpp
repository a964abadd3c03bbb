// Reading a document through its extractor.
#include "import/ExtractedViewer.h"

#include "import/ExtractorModule.h"
#include "import/Extractors.h"
#include "import/UnicodeText.h"

ExtractedViewer::ExtractedViewer(const ImportSettings& settings, ByteSource& source, const char* extractor,
                                 int32_t blockBytes)
    : WholeTextViewer(blockBytes) {
  std::string bytes;
  const extractors::Entry* entry = nullptr;
  std::string missing;
  if (!settings.extraction) {
    if (auto linked = extractors::linked()) {
      entry = linked(extractor);
    } else if (!settings.extractorModule.empty()) {
      entry = extractormodule::find(settings.extractorModule, extractor, &missing);
    } else {
      missing = "no extraction helper (lxr-extract) was found";
    }
    if (!entry && missing.empty()) missing = std::string("no extractor ") + extractor;
  }
  if (!settings.extraction && !entry) {
    result_.outcome = ExtractedText::Outcome::kFailed;
    result_.error = missing;
  } else if (!readWhole(source, &bytes)) {
    result_.outcome = ExtractedText::Outcome::kFailed;
    result_.error = "the file could not be read";
  } else if (settings.extraction) {
    settings.extraction->run(extractor, bytes, settings.extractLimits, &result_);
  } else if (entry->extract(bytes, settings.extractLimits, &result_) < 0) {
    result_.outcome = ExtractedText::Outcome::kFailed;
  }
  if (result_.outcome == ExtractedText::Outcome::kFailed && result_.error.empty()) result_.error = "unreadable";
  if (result_.outcome != ExtractedText::Outcome::kText) result_.text.clear();
  // The text stays UTF-8 until the first block: Windows-1252 only when UTF-8 was not asked for.
  text_ = unicodetext::sanitized(result_.text);
  result_.text.clear();
  result_.text.shrink_to_fit();
  info_.title = unicodetext::toWindows1252(result_.title);
  switch (result_.outcome) {
    case ExtractedText::Outcome::kText: break;
    case ExtractedText::Outcome::kEncrypted: info_.encrypted = true; break;
    case ExtractedText::Outcome::kNotText: info_.notText = true; break;
    case ExtractedText::Outcome::kFailed: info_.failure = result_.error; break;
  }
}

bool ExtractedViewer::deliverUtf8() {
  utf8_ = true;
  info_.title = result_.title;
  return true;
}

int ExtractedViewer::readTextBlock(std::string* out) {
  if (!settled_) {
    if (!utf8_) text_ = unicodetext::toWindows1252(text_);
    settled_ = true;
  }
  return WholeTextViewer::readTextBlock(out);
}

Viewer* makeExtractedViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info,
                            const char* extractor) {
  return new ExtractedViewer(settings, source, extractor, info.blockSize);
}
