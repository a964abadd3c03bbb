// The importer registry: registration, scoring, choosing, and viewers behind the C interface.
#include "import/ViewerTable.h"

#include <algorithm>
#include <cstring>

#include "import/ExtractedViewer.h"
#include "import/Wildcard.h"
#include "objects/MessageTable.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace {

constexpr int kDescriptionMessage = 183;
constexpr int kNonDocumentDescriptionMessage = 184;

int nullCalled(const char* name) {
  trace::line("WARNING: Null viewer api function called -- %s", name);
  return -1;
}

extern "C" {
void* stubMakeViewer(const lxrViewerSource*, const lxrViewerInfo*) {
  nullCalled("makeViewer");
  return nullptr;
}
int32_t stubDestroyViewer(void*) { return nullCalled("destroyViewer"); }
int32_t stubReadTextBlock(void*, char*, int32_t) { return nullCalled("readTextBlock"); }
int32_t stubGotoBookMark(void*, int32_t) { return nullCalled("gotoBookMark"); }
int32_t stubGetFileInfo(void*, lxrViewerFileInfo*) { return nullCalled("getFileInfo"); }
int32_t stubGetCount(const char*) { return nullCalled("getCount"); }
int32_t stubGetFirst(const char*, lxrMemberInfo*) { return nullCalled("getFirst"); }
int32_t stubGetNext(const char*, lxrMemberInfo*) { return nullCalled("getNext"); }
int32_t stubGetInfoByName(const char*, const char*, lxrMemberInfo*) {
  return nullCalled("getInfoByName");
}
int32_t stubGetInfoByIndex(const char*, int32_t, lxrMemberInfo*) {
  return nullCalled("getInfoByIndex");
}
int32_t stubExtractToMem(const char*, const char*, void*, int32_t) {
  return nullCalled("extractToMem");
}
int32_t stubExtractToFile(const char*, const char*, const char*) {
  return nullCalled("extractToFile");
}
void* stubMakeImport(void*, const lxrViewerInfo*) {
  nullCalled("makeImport");
  return nullptr;
}

int32_t readFromSource(void* context, int32_t position, void* buffer, int32_t count) {
  if (!context || !buffer || count < 0) return -1;
  return static_cast<ByteSource*>(context)->readAt(position, buffer, count);
}
}  // extern "C"

template <typename Fn>
void orStub(Fn* fn, Fn stub) {
  if (!*fn) *fn = stub;
}

// A text field of a record from outside: at most `capacity` bytes, NUL or not.
std::string boundedText(const char* field, size_t capacity) {
  return std::string(field, strnlen(field, capacity));
}

// A viewer behind the C functions of a registration (external libraries, and built-in
// formats registered with their own functions).
class CViewer : public Viewer {
 public:
  CViewer(const lxrViewerInfo& info, ByteSource& source) : info_c_(info), source_(source) {
    name_ = source.name();
    record_.structSize = sizeof record_;
    record_.fileName = name_.c_str();
    record_.fileSize = source.size();
    record_.context = &source_;
    record_.readAt = readFromSource;
  }
  ~CViewer() override {
    if (handle_ && info_c_.destroyViewer(handle_) < 0) trace::text("CViewer: destroyViewer failed");
  }
  int make() {
    handle_ = info_c_.makeViewer(&record_, &info_c_);
    return handle_ ? 0 : -1;
  }
  // Asks the viewer for the title and binary flag.
  void readFileInfo() {
    lxrViewerFileInfo fi;
    std::memset(&fi, 0, sizeof fi);
    fi.structSize = sizeof fi;
    fi.fileSize = info_.sizeBytes;
    fi.fileDate = info_.date;
    fi.type = info_.type;
    if (info_c_.getFileInfo(handle_, &fi) < 0) return;
    info_.title = boundedText(fi.title, sizeof fi.title);
    info_.binary = fi.isBinary != 0;
  }

  int readTextBlock(std::string* out) override {
    if (ended_) return 0;
    std::vector<char> buffer(static_cast<size_t>(info_c_.blockSize));
    int32_t n = info_c_.readTextBlock(handle_, buffer.data(), info_c_.blockSize);
    if (n < 0) return -1;
    if (n == 0) {
      ended_ = true;
      return 0;
    }
    n = std::min(n, info_c_.blockSize);  // a viewer that claims more than fits is not believed
    out->append(buffer.data(), static_cast<size_t>(n));
    ++blockNum_;
    return n;
  }
  int32_t bookMark() const override { return blockNum_; }
  int gotoBookMark(int32_t mark) override {
    if (mark < 0 || info_c_.gotoBookMark(handle_, mark) < 0) return -1;
    blockNum_ = mark;
    ended_ = false;
    return 0;
  }
  int rewind() override { return gotoBookMark(0); }

 private:
  lxrViewerInfo info_c_;
  ByteSource& source_;
  std::string name_;
  lxrViewerSource record_{};
  void* handle_ = nullptr;
  int32_t blockNum_ = 0;
  bool ended_ = false;
};

std::string baseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int ViewerTable::add(const lxrViewerInfo& info, bool fallbackCopy, const BuiltinHooks& hooks) {
  std::string name = boundedText(info.name, sizeof info.name);
  if (name.empty()) return -1;
  auto e = std::make_unique<ViewerEntry>();
  e->info = info;
  std::memset(e->info.name, 0, sizeof e->info.name);
  std::memcpy(e->info.name, name.data(), std::min(name.size(), sizeof e->info.name - 1));
  e->info.buildDate[sizeof e->info.buildDate - 1] = '\0';
  e->fallbackCopy = fallbackCopy;
  e->hooks = hooks;

  int16_t sigLength = info.signatureLength;
  if (sigLength > 0 && sigLength <= LXR_VIEWER_MAX_SIGNATURE && info.signature)
    e->signature.assign(reinterpret_cast<const char*>(info.signature), static_cast<size_t>(sigLength));
  else if (sigLength > 0 && !info.signature)
    e->info.signatureLength = 0;  // a length without bytes: no signature
  if (info.signatureIgnoreCase)
    for (char& c : e->signature) c = static_cast<char>(platform::charUpper(static_cast<unsigned char>(c)));
  e->info.signature = reinterpret_cast<const uint8_t*>(e->signature.data());

  if (info.filenamePattern) e->filenamePattern = info.filenamePattern;
  e->info.filenamePattern = e->filenamePattern.c_str();
  e->patterns = wildcard::splitPatterns(e->filenamePattern, kMaxPatterns);

  if (e->info.blockSize <= 0) e->info.blockSize = kDefaultBlockSize;
  if (e->info.blockSize > kMaxBlockSize) e->info.blockSize = kMaxBlockSize;

  e->description = info.description && *info.description ? info.description
                                                          : messages::text(kDescriptionMessage);
  e->nonDocumentDescription = info.nonDocumentDescription && *info.nonDocumentDescription
                                  ? info.nonDocumentDescription
                                  : messages::text(kNonDocumentDescriptionMessage);
  e->info.description = e->description.c_str();
  e->info.nonDocumentDescription = e->nonDocumentDescription.c_str();

  e->hasMakeImport = info.makeImport != nullptr;
  e->hasMakeViewer = info.makeViewer != nullptr;
  lxrViewerInfo& f = e->info;
  orStub(&f.makeViewer, stubMakeViewer);
  orStub(&f.destroyViewer, stubDestroyViewer);
  orStub(&f.readTextBlock, stubReadTextBlock);
  orStub(&f.gotoBookMark, stubGotoBookMark);
  orStub(&f.getFileInfo, stubGetFileInfo);
  orStub(&f.getCount, stubGetCount);
  orStub(&f.getFirst, stubGetFirst);
  orStub(&f.getNext, stubGetNext);
  orStub(&f.getInfoByName, stubGetInfoByName);
  orStub(&f.getInfoByIndex, stubGetInfoByIndex);
  orStub(&f.extractToMem, stubExtractToMem);
  orStub(&f.extractToFile, stubExtractToFile);
  orStub(&f.makeImport, stubMakeImport);

  entries_.insert(entries_.begin(), std::move(e));
  return count();
}

void ViewerTable::clear() { entries_.clear(); }

const ViewerEntry* ViewerTable::findByName(const std::string& name) const {
  for (const auto& e : entries_)
    if (wildcard::equalsNoCase(e->info.name, name)) return e.get();
  return nullptr;
}

int ViewerTable::assignPatterns(const std::string& name, const std::vector<std::string>& patterns,
                                int32_t confidence) {
  int changed = 0;
  for (auto& e : entries_) {
    if (e->fallbackCopy || !wildcard::equalsNoCase(e->info.name, name)) continue;
    e->patterns.assign(patterns.begin(),
                       patterns.begin() + static_cast<long>(std::min(patterns.size(), kMaxPatterns)));
    e->info.filenameConfidence = confidence;
    ++changed;
  }
  return changed;
}

int ViewerTable::probe(ByteSource& source, FileProbe* out) {
  char head[LXR_VIEWER_HEAD_BYTES];
  int32_t n = source.readAt(0, head, sizeof head);
  if (n < 0) return -1;
  out->name = baseName(source.name());
  out->head.assign(head, static_cast<size_t>(n));
  out->source = &source;
  return 0;
}

int ViewerTable::score(const ViewerEntry& entry, const FileProbe& probe) const {
  const lxrViewerInfo& info = entry.info;
  const bool recognizes = info.recognize || entry.hooks.recognize;
  auto clamp = [](int32_t s) { return static_cast<int>(std::clamp<int32_t>(s, 0, kMaxScore)); };
  if (!entry.patterns.empty()) {
    bool named = std::any_of(entry.patterns.begin(), entry.patterns.end(),
                             [&](const std::string& p) { return wildcard::match(p, probe.name); });
    if (!named) return 0;
    if (info.signatureLength <= 0 && !recognizes)
      return clamp(static_cast<int16_t>(info.filenameConfidence));
  }
  if (info.signatureLength > 0) {
    if (info.signatureLength > LXR_VIEWER_MAX_SIGNATURE || info.signatureOffset < 0) return 0;
    size_t length = static_cast<size_t>(info.signatureLength);
    size_t offset = static_cast<size_t>(info.signatureOffset);
    std::string bytes;
    if (offset + length <= probe.head.size()) {
      bytes = probe.head.substr(offset, length);
    } else {
      if (!probe.source || offset > INT32_MAX - length) return 0;
      bytes.resize(length);
      int32_t got = probe.source->readAt(static_cast<int32_t>(offset), bytes.data(),
                                         static_cast<int32_t>(length));
      if (got != static_cast<int32_t>(length)) return 0;
    }
    if (info.signatureIgnoreCase)
      for (char& c : bytes) c = static_cast<char>(platform::charUpper(static_cast<unsigned char>(c)));
    bool same = info.signatureIsPattern ? wildcard::matchBytes(entry.signature.data(), entry.signature.size(), bytes.data(), bytes.size())
                                        : bytes == entry.signature;
    if (!same) return 0;
  }
  const auto* head = reinterpret_cast<const uint8_t*>(probe.head.data());
  const auto headBytes = static_cast<int32_t>(probe.head.size());
  if (entry.hooks.recognize)
    return clamp(entry.hooks.recognize(settings_, probe.name.c_str(), head, headBytes));
  if (info.recognize) return clamp(info.recognize(probe.name.c_str(), head, headBytes));
  return info.signatureLength > 0 ? clamp(info.signatureConfidence) : 0;
}

std::unique_ptr<Viewer> ViewerTable::makeViewerOf(const ViewerEntry& entry, ByteSource& source) const {
  std::unique_ptr<Viewer> viewer;
  if (entry.hooks.make) {
    viewer.reset(entry.hooks.make(settings_, source, entry.info));
  } else if (entry.hasMakeImport) {
    viewer.reset(static_cast<Viewer*>(entry.info.makeImport(&source, &entry.info)));
  } else if (entry.hasMakeViewer) {
    auto c = std::make_unique<CViewer>(entry.info, source);
    c->fileInfo().sizeBytes = source.size();
    c->fileInfo().date = source.date();
    c->fileInfo().type = entry.info.type;
    if (c->make() < 0) return nullptr;
    c->readFileInfo();
    viewer = std::move(c);
  }
  if (!viewer) return nullptr;
  ViewerFileInfo& fi = viewer->fileInfo();
  fi.sizeBytes = source.size();
  fi.date = source.date();
  fi.type = entry.info.type;
  // One registration may read several formats; its extractor says which one it found.
  if (auto* extracted = dynamic_cast<ExtractedViewer*>(viewer.get()); extracted && extracted->extracted().type != 0)
    fi.type = extracted->extracted().type;
  return viewer;
}

const ViewerEntry* ViewerTable::firstChoice(ByteSource& source) const {
  FileProbe p;
  if (probe(source, &p) < 0) return nullptr;
  const ViewerEntry* best = nullptr;
  int bestScore = 0;
  for (const auto& e : entries_) {
    int s = score(*e, p);
    if (s == kMaxScore) return e.get();
    if (s > bestScore) {
      best = e.get();
      bestScore = s;
    }
  }
  return best;
}

std::unique_ptr<Viewer> ViewerTable::makeViewer(ByteSource& source, const ViewerEntry** chosen) const {
  FileProbe p;
  if (probe(source, &p) < 0) return nullptr;
  struct Candidate {
    int score;
    const ViewerEntry* entry;
  };
  std::vector<Candidate> candidates;
  for (const auto& e : entries_) {
    int s = score(*e, p);
    if (s <= 0) continue;
    if (s == kMaxScore) {
      if (auto v = makeViewerOf(*e, source)) {
        if (chosen) *chosen = e.get();
        return v;
      }
      continue;
    }
    candidates.push_back({s, e.get()});
  }
  // Highest score first; stable, so the entry met first wins among equals.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
  for (const Candidate& c : candidates) {
    if (auto v = makeViewerOf(*c.entry, source)) {
      if (chosen) *chosen = c.entry;
      return v;
    }
  }
  return nullptr;
}
