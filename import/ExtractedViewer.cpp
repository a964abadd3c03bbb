// Reading a document through its extractor.
#include "import/ExtractedViewer.h"

#include "import/Extractors.h"
#include "import/UnicodeText.h"

ExtractedViewer::ExtractedViewer(const ImportSettings& settings, ByteSource& source, const char* extractor,
                                 int32_t blockBytes)
    : WholeTextViewer(blockBytes) {
  std::string bytes;
  const extractors::Entry* entry = settings.extraction ? nullptr : extractors::find(extractor);
  if (!settings.extraction && !entry) {
    result_.outcome = ExtractedText::Outcome::kFailed;
    result_.error = std::string("no extractor ") + extractor;
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
  utf8_ = unicodetext::sanitized(result_.text);
  result_.text.clear();
  result_.text.shrink_to_fit();
  text_ = unicodetext::toWindows1252(utf8_);
  info_.title = unicodetext::toWindows1252(result_.title);
  switch (result_.outcome) {
    case ExtractedText::Outcome::kText: break;
    case ExtractedText::Outcome::kEncrypted: info_.encrypted = true; break;
    case ExtractedText::Outcome::kNotText: info_.notText = true; break;
    case ExtractedText::Outcome::kFailed: info_.failure = result_.error; break;
  }
}

bool ExtractedViewer::deliverUtf8() {
  text_ = std::move(utf8_);
  utf8_.clear();
  info_.title = result_.title;
  return true;
}

Viewer* makeExtractedViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info,
                            const char* extractor) {
  return new ExtractedViewer(settings, source, extractor, info.blockSize);
}
