// The binary importers and the property-set viewer.
#include "import/BinaryImporter.h"

#include <algorithm>
#include <vector>

#include "import/TextBlock.h"

FilteredImporter::FilteredImporter(ByteSource& source, int32_t blockBytes)
    : source_(source), blockBytes_(std::max<int32_t>(blockBytes, 16)) {}

bool FilteredImporter::isPrintable(unsigned char c) {
  if (c < 32 || c == 127) return false;
  // The five codes that have no character in Windows-1252.
  return c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D;
}

int FilteredImporter::gotoBookMark(int32_t mark) {
  if (mark < 0 || mark > source_.size()) return -1;
  position_ = mark;
  return 0;
}

int FilteredImporter::readTextBlock(std::string* out) {
  const int32_t size = source_.size();
  std::vector<unsigned char> raw;
  size_t before = out->size();
  // Blocks without a run deliver nothing; go on to the next until there is text or the end.
  while (out->size() == before && position_ < size) {
    raw.resize(static_cast<size_t>(blockBytes_));
    int32_t got = source_.readAt(position_, raw.data(), blockBytes_);
    if (got <= 0) return -1;
    raw.resize(static_cast<size_t>(got));
    if (position_ + got < size && isPrintable(raw.back())) {
      std::vector<unsigned char> more(static_cast<size_t>(kMaxRunExtension));
      int32_t extra = source_.readAt(position_ + got, more.data(), kMaxRunExtension);
      if (extra < 0) return -1;
      int32_t k = 0;
      while (k < extra && isPrintable(more[static_cast<size_t>(k)])) ++k;
      raw.insert(raw.end(), more.begin(), more.begin() + k);
    }
    size_t runStart = 0;
    for (size_t i = 0; i <= raw.size(); ++i) {
      if (i < raw.size() && isPrintable(raw[i])) continue;
      if (i - runStart >= static_cast<size_t>(kMinRun)) {
        out->append(reinterpret_cast<const char*>(raw.data()) + runStart, i - runStart);
        out->push_back(static_cast<char>(textblock::kParagraphEnd));
      }
      runStart = i + 1;
    }
    position_ += static_cast<int32_t>(raw.size());
  }
  return static_cast<int>(out->size() - before);
}

void* makeFilteredImport(void* source, const lxrViewerInfo* info) {
  if (!source || !info) return nullptr;
  return static_cast<Viewer*>(new FilteredImporter(*static_cast<ByteSource*>(source), info->blockSize));
}

void* makeSkippedImport(void* source, const lxrViewerInfo* info) {
  if (!source || !info) return nullptr;
  return static_cast<Viewer*>(new SkippedImporter);
}

namespace {

// A ByteSource over the C source record the registry hands a viewer.
class CSource : public ByteSource {
 public:
  explicit CSource(const lxrViewerSource& s) : s_(s), name_(s.fileName ? s.fileName : "") {}
  int32_t readAt(int32_t position, void* into, int32_t n) override {
    return s_.readAt ? s_.readAt(s_.context, position, into, n) : -1;
  }
  int32_t size() const override { return s_.fileSize; }
  dosdate::DosDateTime date() const override { return 0; }
  const std::string& name() const override { return name_; }

 private:
  lxrViewerSource s_;
  std::string name_;
};

// A property set: its readable runs, handed out in pieces that fit the caller's buffer.
struct PropertiesViewer {
  explicit PropertiesViewer(const lxrViewerSource& s, int32_t blockBytes)
      : source(s), runs(source, blockBytes), blockBytes(blockBytes) {}
  CSource source;
  FilteredImporter runs;
  std::string pending;
  int32_t blockBytes;  // the buffer size blocks are counted in
  int32_t blocksDone = 0;
};

}  // namespace

extern "C" {

void* propertiesMakeViewer(const lxrViewerSource* source, const lxrViewerInfo* info) {
  if (!source || !info) return nullptr;
  return new PropertiesViewer(*source, info->blockSize);
}

int32_t propertiesDestroyViewer(void* viewer) {
  delete static_cast<PropertiesViewer*>(viewer);
  return 0;
}

int32_t propertiesReadTextBlock(void* viewer, char* buffer, int32_t bufferBytes) {
  auto* v = static_cast<PropertiesViewer*>(viewer);
  if (!v || !buffer || bufferBytes <= 0) return -1;
  if (v->pending.empty()) {
    int rc = v->runs.readTextBlock(&v->pending);
    if (rc <= 0) return rc;
  }
  size_t n = std::min(v->pending.size(), static_cast<size_t>(bufferBytes));
  std::copy_n(v->pending.data(), n, buffer);
  v->pending.erase(0, n);
  ++v->blocksDone;
  return static_cast<int32_t>(n);
}

int32_t propertiesGotoBookMark(void* viewer, int32_t bookMark) {
  auto* v = static_cast<PropertiesViewer*>(viewer);
  if (!v || bookMark < 0) return -1;
  // Blocks are numbered; go back to the start and read up to the one asked for.
  v->runs.rewind();
  v->pending.clear();
  v->blocksDone = 0;
  std::vector<char> skip(static_cast<size_t>(std::max<int32_t>(v->blockBytes, 1)));
  while (v->blocksDone < bookMark)
    if (propertiesReadTextBlock(v, skip.data(), static_cast<int32_t>(skip.size())) <= 0) return -1;
  return 0;
}

int32_t propertiesGetFileInfo(void* viewer, lxrViewerFileInfo* info) {
  return viewer && info ? 0 : -1;
}

}  // extern "C"
