// The entry operations for front ends that show what a search found: the documents of a
// search results file, and a document's lines with its hits marked, read through the
// document text reader. Depends on search/ResultsFile, import/ImportFile, import/FileReader.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "api/DllInterface.h"
#include "api/ErrorReporter.h"
#include "api/Validation.h"
#include "import/FileReader.h"
#include "import/ImportFile.h"
#include "import/LineLayout.h"
#include "import/LineSource.h"
#include "import/TextBlock.h"
#include "lexaurum/lexaurum.h"
#include "objects/DosDateTime.h"
#include "objects/TextFields.h"
#include "objects/Trace.h"
#include "platform/Platform.h"
#include "search/ResultsFile.h"

namespace {

constexpr size_t kPathChars = LXR_PATH_CHARS - 1;
constexpr int kMinWidth = 20;
constexpr int kRingLines = 24;
constexpr int kHitLineFlag = 1;
constexpr int kPageEndFlag = 2;

// The debug-log lines around one operation, and the result.
int16_t finish(const char* name, int rc, int16_t* result) {
  *result = static_cast<int16_t>(rc < 0 ? -1 : 0);
  trace::line("%s %s", name, rc < 0 ? "Failed" : "Done");
  return *result;
}

bool resultWritable(int16_t* result) {
  if (platform::isWritable(result, sizeof *result)) return true;
  trace::text("Parameter Validation Error: Bad short& Reference");
  return false;
}

bool initialised() {
  DllInterface* dll = DllInterface::current();
  if (dll && dll->instance()) return true;
  apierror::report("DLL Not Initialized");
  return false;
}

int listResults(const std::string& name, lxrResultListFn fn, uintptr_t data) {
  ResultsFile file;
  if (file.open(name) < 0) return apierror::report("ListResults", name, "is not a search results file");
  file.mapWhole();
  const int32_t count = file.count();
  ResultsItem item;  // used again, so that its strings keep their memory
  for (int32_t n = 0; n < count; ++n) {
    if (file.read(n, &item) < 0) {
      file.close();
      return apierror::report("ListResults", name, "item " + std::to_string(n) + " could not be read");
    }
    const DocInfo& d = item.doc;
    lxrDocumentInfo info{};
    info.structSize = sizeof info;
    info.docId = d.docId;
    info.fileSize = d.fileSize;
    info.wordCount = d.wordCount;
    textfields::copy(info.modDate, sizeof info.modDate, dosdate::text(d.modDate));
    textfields::copy(info.fileName, sizeof info.fileName, d.fileName);
    textfields::copy(info.title, sizeof info.title, d.title);
    if (fn(data, &info, static_cast<int32_t>(item.hits.size()), d.score, item.hits.data()) != 0) break;
  }
  return file.close() < 0 ? -1 : 0;
}

// An open document as the text reader's line source. It has no word map, so the reader can
// only restart it at the beginning.
class DocumentLines : public LineSource {
 public:
  DocumentLines(ImportFile& doc, int width, std::vector<int32_t> hits, const Alphabet& alphabet)
      : doc_(doc), width_(width), hits_(std::move(hits)), alphabet_(alphabet) {}

  int nextLine(ScreenLine* line) override {
    if (!layout_ && gotoPosition(0, 1) < 0) return -1;
    return layout_->nextLine(line);
  }
  int gotoPosition(int32_t position, int32_t firstWord) override {
    if (position != 0) return -1;
    if (layout_ && doc_.rewind() < 0) return -1;
    auto blocks = [this](std::string* out) {
      if (doc_.nextBlock() < 0) return doc_.errorText().empty() ? 0 : -1;
      out->append(doc_.block());
      return static_cast<int>(doc_.block().size());
    };
    layout_ = std::make_unique<LineLayout>(blocks, width_, alphabet_, firstWord);
    layout_->setHits(hits_);
    return 0;
  }
  int32_t thousandths() const override {
    int64_t size = doc_.fileInfo().sizeBytes;
    int64_t read = layout_ ? layout_->bytesRead() : 0;
    return size > 0 ? static_cast<int32_t>(std::min<int64_t>(1000, read * 1000 / size)) : 0;
  }
  const std::vector<int32_t>& hits() const override { return hits_; }
  const ImportMap* wordMap() const override { return nullptr; }
  bool failed() const { return !doc_.errorText().empty(); }

 private:
  ImportFile& doc_;
  int width_;
  std::vector<int32_t> hits_;
  const Alphabet& alphabet_;
  std::unique_ptr<LineLayout> layout_;
};

// A line's characters as shown, with the hit marks kept: codes other than the hit mark
// dropped, hidden text left out, tabs to their stops. An escaped control character (which
// could be taken for a mark) is shown as a blank.
std::string markedText(const std::string& text) {
  std::string out;
  bool hidden = false;
  size_t column = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == textblock::kEscape && i + 1 < text.size()) {
      unsigned char e = static_cast<unsigned char>(text[++i]);
      if (!hidden) {
        out += e < 32 ? ' ' : static_cast<char>(e);
        ++column;
      }
    } else if (c == textblock::kHidden) {
      hidden = !hidden;
    } else if (hidden) {
      continue;
    } else if (c == textblock::kHitMark) {
      out += static_cast<char>(c);
    } else if (c == textblock::kTab) {
      size_t n = textblock::kTabWidth - column % textblock::kTabWidth;
      out.append(n, ' ');
      column += n;
    } else if (!textblock::isCode(c) && c >= 32) {
      out += static_cast<char>(c);
      ++column;
    }
  }
  return out;
}

int documentLines(const LexaurumInstance& engine, const std::string& name, std::vector<int32_t> hits,
                  int width, bool hitLinesOnly, bool utf8, lxrDocumentLineFn fn, uintptr_t data) {
  const Alphabet unicode = engine.alphabet().unicodeFor(false, false);
  const Alphabet& alphabet = utf8 ? unicode : engine.alphabet();
  ImportFile doc(engine.viewers(), &alphabet);
  if (doc.open(name) < 0) return apierror::report("GetDocumentLines", name, doc.errorText());
  std::sort(hits.begin(), hits.end());
  hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
  if (hits.size() > ResultsFile::kMaxHits) hits.resize(ResultsFile::kMaxHits);
  DocumentLines lines(doc, width, std::move(hits), alphabet);
  FileReader reader(&lines, "", kRingLines, name);
  if (reader.start() < 0) return apierror::report("GetDocumentLines", name, "the reader could not start");
  auto hand = [&](const ScreenLine* l) {
    int flags = (l->lineFlags & ScreenLine::kHasHit) ? kHitLineFlag : 0;
    if (l->lineFlags & ScreenLine::kPageEnd) flags |= kPageEndFlag;
    return fn(data, reader.cursorLineNo(), l->firstWord, flags, markedText(l->text).c_str()) == 0;
  };
  const ScreenLine* first = reader.cursorLine();
  bool goOn = true;
  if (first && (!hitLinesOnly || (first->lineFlags & ScreenLine::kHasHit))) goOn = hand(first);
  if (first && hitLinesOnly) {
    while (goOn && reader.nextHit() == 0) goOn = hand(reader.cursorLine());
  } else if (first) {
    while (goOn && reader.cursorDown() == 0) goOn = hand(reader.cursorLine());
  }
  if (goOn && lines.failed()) return apierror::report("GetDocumentLines", name, doc.errorText());
  return doc.close();
}

}  // namespace

LXR_API int16_t lxrsListResults(const char* resultsName, lxrResultListFn fn, uintptr_t data,
                                int16_t* result) {
  if (!resultWritable(result)) return -1;
  trace::line("lxrsListResults...");
  if (validation::text(resultsName, kPathChars, "resultsName") < 0 ||
      validation::callback(reinterpret_cast<const void*>(fn), "fn") < 0 || !fn || !initialised())
    return finish("lxrsListResults", -1, result);
  return finish("lxrsListResults", listResults(resultsName, fn, data), result);
}

LXR_API int16_t lxrsGetDocumentLines(const char* fileName, const int32_t* hits,
                                     int32_t hitCount, int32_t width, int16_t hitLinesOnly,
                                     lxrDocumentLineFn fn, uintptr_t data, int16_t* result) {
  if (!resultWritable(result)) return -1;
  trace::line("lxrsGetDocumentLines...");
  if (validation::text(fileName, kPathChars, "fileName") < 0 ||
      validation::callback(reinterpret_cast<const void*>(fn), "fn") < 0 || !fn ||
      (hitCount > 0 && validation::readableRecord(hits, static_cast<size_t>(hitCount) * sizeof *hits, "hits") < 0) ||
      !initialised())
    return finish("lxrsGetDocumentLines", -1, result);
  if (hitCount < 0 || width < kMinWidth || width > LineLayout::kMaxLineBytes) {
    apierror::report("Parameter Validation Error:", "bad hitCount or width");
    return finish("lxrsGetDocumentLines", -1, result);
  }
  std::vector<int32_t> list;
  if (hitCount > 0) list.assign(hits, hits + hitCount);
  return finish("lxrsGetDocumentLines",
                documentLines(*DllInterface::current()->instance(), fileName, std::move(list), width, (hitLinesOnly & 1) != 0,
                              (hitLinesOnly & LXR_LINES_UTF8) != 0, fn, data),
                result);
}
