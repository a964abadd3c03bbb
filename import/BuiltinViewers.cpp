// The built-in registrations. To give a format its own importer, set `makeImport` in its row.
#include "import/BuiltinViewers.h"

#include <chrono>
#include <cstring>

#include "import/BinaryImporter.h"
#include "import/DbaseImporter.h"
#include "import/ExtractedViewer.h"
#include "import/HtmlImporter.h"
#include "import/Mailbox.h"
#include "import/NotText.h"
#include "import/PackageViewers.h"
#include "import/FormatTypes.h"
#include "import/Recognizers.h"
#include "import/RtfImporter.h"
#include "import/TextImporter.h"
#include "import/ViewerTable.h"
#include "import/WP42Importer.h"
#include "import/WordPerfect6Importer.h"
#include "import/WordPerfectImporter.h"
#include "import/ZipViewer.h"
#include "objects/Trace.h"

namespace builtinviewers {

namespace {

constexpr uint32_t kInternal = LXR_VIEWER_INTERNAL;
constexpr uint32_t kBinaryFlags = 3072;   // internal + 2048
constexpr uint32_t kResultsFlags = 9216;  // internal + 8192
constexpr uint32_t kHtmlFlags = 18;       // hypertext + 16
constexpr uint32_t kHelpFlags = 9;        // container, opened through extraction
constexpr uint32_t kZipFlags = LXR_VIEWER_CONTAINER;
constexpr int32_t kHtmlBlockSize = 32000;

struct Row {
  const char* name;
  int16_t type;
  const char* signature;  // bytes; length below (may hold NUL)
  int16_t signatureLength;
  int16_t signatureConfidence;
  const char* filenamePattern;
  int32_t filenameConfidence;
  lxrRecognizeFn recognize;
  uint32_t flags;
  lxrMakeImportFn makeImport;
  int32_t signatureOffset = 0;
  bool ignoreCase = false;
  bool isPattern = false;
  int32_t blockSize = 0;
  bool fallbackCopy = false;
  bool properties = false;  // registered with the property-set viewer's own functions
};

using namespace formattype;
using namespace recognizers;

std::string_view headOf(const uint8_t* head, int32_t headBytes) {
  return head && headBytes > 0 ? std::string_view(reinterpret_cast<const char*>(head), static_cast<size_t>(headBytes))
                               : std::string_view();
}
int16_t recognizeMailMessage(const char*, const uint8_t* head, int32_t headBytes) {
  std::string_view h = headOf(head, headBytes);
  return mailbox::looksLikeMessage(h) && !mailbox::looksLikeMbox(h) ? 100 : 0;
}
int16_t recognizeMailbox(const char*, const uint8_t* head, int32_t headBytes) {
  return mailbox::looksLikeMbox(headOf(head, headBytes)) ? 100 : 0;
}
int16_t recognizeCompressed(const char*, const uint8_t* head, int32_t headBytes) {
  compressed::Kind kind;
  return compressed::recognize(headOf(head, headBytes), &kind) ? 100 : 0;
}

const Row kRows[] = {
    // 1: Word for Windows, four records, all with type 216.
    {"Microsoft Word for Windows 1.x", kWinWord2, "\x9B\xA5\x21", 3, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    {"Microsoft Word for Windows 2.x", kWinWord2, "\xDB\xA5\x2D", 3, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    {"Microsoft Word for Windows 6.x", kWinWord2, "\xDC\xA5\x65", 3, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    {"Microsoft Word for Windows 7.x", kWinWord2, "\xDC\xA5\x68", 3, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    // 2
    {"Microsoft RTF", kRtf, "{\\RTF", 5, 100, nullptr, 0, nullptr, kInternal, makeRtfImport, 0, true},
    // 3, 4
    {"WordPerfect 5.x", kWordPerfect5, "\xFFWPC", 4, 100, nullptr, 0, recognizeWordPerfect5, kInternal, nullptr},
    {"WordPerfect 6.x", kWordPerfect6, "\xFFWPC", 4, 100, nullptr, 0, recognizeWordPerfect6, kInternal, nullptr},
    // 5, 6, 7: chosen only through the file type table.
    {"WordPerfect 4.2", kWordPerfect42, nullptr, 0, 0, nullptr, 0, nullptr, kInternal, makeWP42Import},
    {"Ansi", kAnsi, nullptr, 0, 0, nullptr, 0, nullptr, kInternal, makeAnsiImport},
    {"Ascii", kAscii, nullptr, 0, 0, nullptr, 0, nullptr, kInternal, makeAsciiImport},
    // 8, 9
    {"Binary (Filtered)", kBinaryFiltered, nullptr, 0, 0, "*", 0, nullptr, kBinaryFlags, makeFilteredImport},
    {"Binary (skipped)", kBinary, nullptr, 0, 0, "*", 0, nullptr, kBinaryFlags, makeSkippedImport},
    // 10 .. 13
    {"Ami Pro", kAmiPro, "[ver]\r\n\t", 8, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    {"dBASE", kDBase, nullptr, 0, 0, "*.DBF", 100, nullptr, kInternal, makeDbaseImport},
    {"Multimate", kMultimate, "##/##/####/##/##", 16, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport, 404, false, true},
    {"Lexaurum Hypertext", kHypertext, "LEXAURUM HYPERTEXT", 18, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport, 0, true},
    // 14: Word, then Write, told apart by their recognizers.
    {"Microsoft Word", kWord, "\x31\xBE\x00\x00\x00\xAB", 6, 100, nullptr, 0, recognizeWord, kInternal, makeFilteredImport},
    {"Microsoft Write", kWrite, "\x31\xBE\x00\x00\x00\xAB", 6, 100, nullptr, 0, recognizeWrite, kInternal, makeFilteredImport},
    // 15: Works, four records.
    {"Microsoft Works", kWorks, "\x01\xFE\x01", 3, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    {"Microsoft Works", kWorks, "\x06\xFE\x01", 3, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    {"Microsoft Works", kWorks, "\x04\xFE\x01", 3, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    {"Microsoft Works", kWorks, "\x04\xFE\x0D", 3, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    // 16, 17
    {"WordStar 5 or later", kWordStar5, "\x1D\x7D\x00\x00", 4, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    {"WordStar (older)", kWordStarOld, nullptr, 0, 0, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    {"WordStar 2000", kWordStar2000, "\x7F WS2000\xFF", 9, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    // 18, 19
    {"Search Results", kSearchResults, "\xFFQMX-VLRD\x00SearchResults", 23, 100, nullptr, 0, nullptr, kResultsFlags, makeFilteredImport},
    {"Search Report", kSearchReport, "\xFFQMX-VLRD\x00SearchReport4", 23, 100, nullptr, 0, nullptr, kResultsFlags, makeFilteredImport},
    // 20: the fallback for any file no other format claims.
    {"Ansi", kAnsi, nullptr, 0, 0, "*", 10, nullptr, kInternal, makeAnsiImport, 0, false, false, 0, true},
    // 21, 22
    {"OLE 2.0 Compound Document", kCompoundDocument, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8, 100, nullptr, 0, nullptr, kInternal, makeFilteredImport},
    {"Properties", kPropertySet, "\xFE\xFF\x00\x00", 4, 100, nullptr, 0, nullptr, 0, nullptr, 0, false, false, 0, false, true},
    // 23: HTML has its own recognizer and larger blocks.
    {"HTML", 0, nullptr, 0, 0, nullptr, 0, recognizeHtml, kHtmlFlags, makeHtmlImport, 0, false, false, kHtmlBlockSize},
    // 24, 25: containers; their members are reached through extraction (ZIP: import/ZipViewer).
    {"Windows Help File", 0, nullptr, 0, 0, "*.HLP", 100, nullptr, kHelpFlags, nullptr},
    {"ZIP Archive", 0, "PK\x03\x04", 4, 100, nullptr, 0, nullptr, kZipFlags, nullptr},
    // Read through extractors (import/Extractors.h). Word 97 is tried before the compound
    // document row: its extractor reads the Word files among compound files and counts the
    // others (workbooks, messages) as holding no text.
    {"PDF", kPdf, nullptr, 0, 0, nullptr, 0, recognizePdf, kInternal, nullptr},
    {"Microsoft Word 97", kWord97, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8, 100, nullptr, 0, nullptr, kInternal, nullptr},
    // Mail: one message (text and attachments), a mailbox of messages (import/Mailbox).
    {"Mail Message", kMailMessage, nullptr, 0, 0, nullptr, 0, recognizeMailMessage, kZipFlags, nullptr},
    {"Mailbox", kMailbox, "From ", 5, 100, nullptr, 0, recognizeMailbox, kZipFlags, nullptr},
    // Compressed single files: containers of the one file inside.
    {"Gzip Compressed", kGzip, "\x1F\x8B\x08", 3, 100, nullptr, 0, recognizeCompressed, kZipFlags, nullptr},
    {"Bzip2 Compressed", kBzip2, "BZh", 3, 100, nullptr, 0, recognizeCompressed, kZipFlags, nullptr},
    {"XZ Compressed", kXz, "\xFD" "7zXZ", 5, 100, nullptr, 0, recognizeCompressed, kZipFlags, nullptr},
    // Images, audio, video, programs and fonts: recognised so that no text is taken from them.
    {"Not Text", kNotText, nullptr, 0, 0, nullptr, 0, nottext::recognize, kInternal, nullptr},
    // 26: document packages (ZIP files of XML parts), tried before the ZIP container. The
    // first row takes any package whose head did not show its kind; each maker makes nothing
    // for a ZIP file that is no package, which the ZIP container then reads.
    {"Document Package", kWordXml, "PK\x03\x04", 4, 100, nullptr, 0, nullptr, kInternal, nullptr},
    {"Office Open XML", kWordXml, "PK\x03\x04", 4, 100, nullptr, 0, packageviewers::recognizeOoxml, kInternal, nullptr},
    {"OpenDocument Text", kOdfText, "PK\x03\x04", 4, 100, nullptr, 0, packageviewers::recognizeOdfText, kInternal, nullptr},
    {"OpenDocument Spreadsheet", kOdfSpreadsheet, "PK\x03\x04", 4, 100, nullptr, 0, packageviewers::recognizeOdfSpreadsheet, kInternal, nullptr},
    {"OpenDocument Presentation", kOdfPresentation, "PK\x03\x04", 4, 100, nullptr, 0, packageviewers::recognizeOdfPresentation, kInternal, nullptr},
    {"EPUB", kEpub, "PK\x03\x04", 4, 100, nullptr, 0, packageviewers::recognizeEpub, kInternal, nullptr},
};

Viewer* makePdfViewer(const ImportSettings& s, ByteSource& src, const lxrViewerInfo& i) {
  return makeExtractedViewer(s, src, i, "pdf");
}
Viewer* makeDocViewer(const ImportSettings& s, ByteSource& src, const lxrViewerInfo& i) {
  return makeExtractedViewer(s, src, i, "doc");
}

// The formats whose recognizer or maker follows the registry's settings (the binary-files
// option, the WordPerfect map and switches, the ZIP trace switch and limits).
struct Hooked {
  const char* name;
  BuiltinHooks hooks;
};
const Hooked kHooked[] = {
    {"Binary (Filtered)", {recognizeBinaryFiltered, nullptr}},
    {"Binary (skipped)", {recognizeBinarySkipped, nullptr}},
    {"WordPerfect 5.x", {nullptr, makeWordPerfectImport}},
    {"WordPerfect 6.x", {nullptr, makeWordPerfect6Import}},
    {"ZIP Archive", {nullptr, makeZipViewer}},
    {"PDF", {nullptr, makePdfViewer}},
    {"Microsoft Word 97", {nullptr, makeDocViewer}},
    {"Mail Message", {nullptr, makeMailViewer}},
    {"Mailbox", {nullptr, makeMboxViewer}},
    {"Gzip Compressed", {nullptr, makeCompressedViewer}},
    {"Bzip2 Compressed", {nullptr, makeCompressedViewer}},
    {"XZ Compressed", {nullptr, makeCompressedViewer}},
    {"Not Text", {nullptr, nottext::makeViewer}},
    {"Document Package", {nullptr, packageviewers::makePackageViewer}},
    {"Office Open XML", {nullptr, packageviewers::makeOoxmlViewer}},
    {"OpenDocument Text", {nullptr, packageviewers::makeOdfViewer}},
    {"OpenDocument Spreadsheet", {nullptr, packageviewers::makeOdfViewer}},
    {"OpenDocument Presentation", {nullptr, packageviewers::makeOdfViewer}},
    {"EPUB", {nullptr, packageviewers::makeEpubViewer}},
};

BuiltinHooks hooksOf(const char* name) {
  for (const Hooked& h : kHooked)
    if (std::strcmp(h.name, name) == 0) return h.hooks;
  return {};
}

}  // namespace

int registerAll(ViewerTable& table) {
  auto started = std::chrono::steady_clock::now();
  int added = 0;
  for (const Row& r : kRows) {
    lxrViewerInfo info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.name, r.name, sizeof info.name - 1);
    info.type = r.type;
    std::strncpy(info.buildDate, __DATE__ " " __TIME__, sizeof info.buildDate - 1);
    info.signatureOffset = r.signatureOffset;
    info.signatureLength = r.signatureLength;
    info.signature = reinterpret_cast<const uint8_t*>(r.signature);
    info.signatureIgnoreCase = r.ignoreCase;
    info.signatureIsPattern = r.isPattern;
    info.signatureConfidence = r.signatureConfidence;
    info.filenamePattern = r.filenamePattern;
    info.filenameConfidence = r.filenameConfidence;
    info.blockSize = r.blockSize;
    info.recognize = r.recognize;
    info.flags = r.flags;
    info.makeImport = r.makeImport;
    if (r.name == std::string("Windows Help File")) info.keepsMemberNames = 1;
    if (r.properties) {
      info.makeViewer = propertiesMakeViewer;
      info.destroyViewer = propertiesDestroyViewer;
      info.readTextBlock = propertiesReadTextBlock;
      info.gotoBookMark = propertiesGotoBookMark;
      info.getFileInfo = propertiesGetFileInfo;
    }
    if (table.add(info, r.fallbackCopy, hooksOf(r.name)) > 0) ++added;
  }
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                  started);
  trace::line("Register viewers complete -- time = %lld ms", static_cast<long long>(ms.count()));
  return added;
}

}  // namespace builtinviewers
