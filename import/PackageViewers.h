// The registrations' side of the document packages (Office Open XML, OpenDocument, EPUB): the
// recognizers, which see only the first bytes of a ZIP file (its first members' names and a
// stored `mimetype` member's value), and the makers, which look at the archive's directory
// and make the extracted viewer only when the file really is such a package. Otherwise they
// make nothing, so that the registry goes on to the ZIP container. Depends on
// import/ZipArchive, import/ExtractedViewer.
#pragma once

#include <cstdint>

#include "import/ImportSettings.h"
#include "import/Viewer.h"
#include "lexaurum/lxrviewer.h"

namespace packageviewers {

// kUnreadable: a ZIP file whose directory cannot be read (truncated, damaged).
enum class Kind : uint8_t { kNone, kUnreadable, kOoxml, kOdf, kEpub };

// What the head of a file shows: 100 for the kind asked, else 0.
int16_t recognizeOoxml(const char* fileName, const uint8_t* head, int32_t headBytes);
int16_t recognizeOdfText(const char* fileName, const uint8_t* head, int32_t headBytes);
int16_t recognizeOdfSpreadsheet(const char* fileName, const uint8_t* head, int32_t headBytes);
int16_t recognizeOdfPresentation(const char* fileName, const uint8_t* head, int32_t headBytes);
int16_t recognizeEpub(const char* fileName, const uint8_t* head, int32_t headBytes);

// The kind of package in `source`, from its directory (kNone for any other ZIP file).
Kind kindOf(ByteSource& source);

// The makers: an extracted viewer, or null when `source` is no package of a kind they read
// (any kind, for makePackageViewer). A file whose head showed the kind but whose directory
// cannot be read gets a viewer that reports the failure (and no text), so that its raw
// bytes are not indexed; makePackageViewer leaves such files to the ZIP container.
Viewer* makeOoxmlViewer(const ImportSettings& s, ByteSource& source, const lxrViewerInfo& info);
Viewer* makeOdfViewer(const ImportSettings& s, ByteSource& source, const lxrViewerInfo& info);
Viewer* makeEpubViewer(const ImportSettings& s, ByteSource& source, const lxrViewerInfo& info);
Viewer* makePackageViewer(const ImportSettings& s, ByteSource& source, const lxrViewerInfo& info);

}  // namespace packageviewers
