// The viewer of a document whose format an extractor reads (import/Extractors.h): the file is
// read whole, the extractor runs (in the extraction helper process when the settings hold
// one, else in this process: import/Extractors.h says how) and its text is handed out in
// blocks like any converted document. A document the extractor could not read, or that is encrypted or holds no text,
// still gets a viewer: its file information says so and it delivers no text, so the registry
// does not fall back to another format and index the file's raw bytes.
// Depends on import/WholeTextViewer, import/ExtractedText, import/ImportSettings.
#pragma once

#include <string>

#include "import/ExtractedText.h"
#include "import/ImportSettings.h"
#include "import/WholeTextViewer.h"
#include "lexaurum/lxrviewer.h"

class ExtractedViewer : public WholeTextViewer {
 public:
  // Runs the extractor `extractor` on all of `source` (read now; it need not outlive the
  // viewer). The text is Windows-1252 until deliverUtf8 is asked for.
  ExtractedViewer(const ImportSettings& settings, ByteSource& source, const char* extractor, int32_t blockBytes);
  bool deliverUtf8() override;
  int readTextBlock(std::string* out) override;

  // What the extraction gave: the outcome, the properties and the members (the text itself
  // has moved into the blocks).
  const ExtractedText& extracted() const { return result_; }
  // The members, moved out (a container over them takes them: import/MemberContainer).
  std::vector<ExtractedMember> takeMembers() { return std::move(result_.members); }

 private:
  ExtractedText result_;
  bool utf8_ = false;     // deliverUtf8 was asked for
  bool settled_ = false;  // the text is in the form it is delivered in
};

// The registry's maker for an extracted format: a new ExtractedViewer, or null when `source`
// is null.
Viewer* makeExtractedViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info,
                            const char* extractor);
