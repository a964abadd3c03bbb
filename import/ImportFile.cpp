// The document source and the protection of documents against output files.
#include "import/ImportFile.h"

#include "import/Alphabet.h"
#include "import/TextBlock.h"
#include "import/UnicodeText.h"
#include "import/Wildcard.h"
#include "objects/MessageTable.h"
#include "objects/Reporter.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

ImportFile::ImportFile(const ViewerTable& table, const Alphabet* alphabet)
    : table_(table), alphabet_(alphabet ? *alphabet : Alphabet::builtIn()) {}

ImportFile::~ImportFile() { close(); }

int ImportFile::open(const std::string& name) {
  close();
  auto file = std::make_unique<FileSource>();
  if (file->open(name) < 0) {
    int err = platform::lastError();
    errorText_ = platform::errorText(err);
    if (errorText_.empty()) errorText_ = "Unable to open file";
    name_ = name;
    return openMember(name);
  }
  return attach(std::move(file));
}

int ImportFile::openMember(const std::string& name) {
  // The container of the last member, when the name lies in it.
  if (outer_ && outer_->container() && name.size() > outer_->name().size() + 1 &&
      name.compare(0, outer_->name().size(), outer_->name()) == 0 && name[outer_->name().size()] == '/') {
    ContainerMember m;
    ContainerViewer& c = *outer_->container();
    if (c.infoByName(name.substr(outer_->name().size() + 1), &m) == 0) return extractMember(c, m, name);
  }
  // The file the name starts with: the longest leading part that is one.
  std::string archive;
  for (size_t cut = name.rfind('/'); cut != std::string::npos && cut > 0; cut = name.rfind('/', cut - 1)) {
    std::string head = name.substr(0, cut);
    if (platform::fileExists(head.c_str())) {
      archive = head;
      break;
    }
  }
  if (archive.empty()) return -1;  // the file's own open error stands
  auto outer = std::make_unique<ImportFile>(table_, &alphabet_);
  if (outer->open(archive) < 0 || !outer->container()) {
    errorText_ = std::string(kExtractFailedText) + ": " + archive + " is not a container";
    return -1;
  }
  std::string rest = name.substr(archive.size() + 1);
  for (int depth = 1;; ++depth) {
    ContainerViewer& c = *outer->container();
    // The longest leading part of the rest that is a member: the member itself, or a
    // container inside this one.
    ContainerMember m;
    size_t end = rest.size();
    while (c.infoByName(rest.substr(0, end), &m) < 0) {
      size_t slash = end == 0 ? std::string::npos : rest.rfind('/', end - 1);
      if (slash == std::string::npos || slash == 0) {
        errorText_ = std::string(kExtractFailedText) + ": " + c.errorText();
        return -1;
      }
      end = slash;
    }
    if (end == rest.size()) {
      outer_ = std::move(outer);
      return extractMember(*outer_->container(), m, name);
    }
    std::string bytes;
    std::string innerName = outer->name() + "/" + rest.substr(0, end);
    if (depth >= kMaxContainerDepth) {
      errorText_ = std::string(kExtractFailedText) + ": containers nested too deep";
      return -1;
    }
    if (c.extractToMemory(m, &bytes) < 0) {
      errorText_ = std::string(kExtractFailedText) + ": " + c.errorText();
      return -1;
    }
    auto inner = std::make_unique<ImportFile>(table_, &alphabet_);
    if (inner->open(std::make_unique<MemorySource>(innerName, std::move(bytes), m.date)) < 0 ||
        !inner->container()) {
      errorText_ = std::string(kExtractFailedText) + ": " + innerName + " is not a container";
      return -1;
    }
    outer = std::move(inner);
    rest = rest.substr(end + 1);
  }
}

int ImportFile::extractMember(ContainerViewer& from, const ContainerMember& member, const std::string& name) {
  std::string bytes;
  if (from.extractToMemory(member, &bytes) < 0) {
    errorText_ = std::string(kExtractFailedText) + ": " + from.errorText();
    return -1;
  }
  return attach(std::make_unique<MemorySource>(name, std::move(bytes), member.date));
}

int ImportFile::open(std::unique_ptr<ByteSource> source) {
  close();
  if (!source) return -1;
  return attach(std::move(source));
}

int ImportFile::attach(std::unique_ptr<ByteSource> source) {
  name_ = source->name();
  source_ = std::move(source);
  viewer_ = table_.makeViewer(*source_, &format_);
  if (!viewer_) {
    errorText_ = kNoViewerText;
    close();
    return -1;
  }
  errorText_.clear();
  // A Unicode index takes UTF-8: from the viewer when it can, else converted here.
  utf8Viewer_ = alphabet_.isUnicode() && viewer_->deliverUtf8();
  if (alphabet_.isUnicode()) {
    std::string& title = viewer_->fileInfo().title;
    title = utf8Viewer_ ? unicodetext::sanitized(title) : unicodetext::fromWindows1252(title);
  }
  return 0;
}

int ImportFile::close() {
  int rc = 0;
  layout_.reset();
  viewer_.reset();
  format_ = nullptr;
  if (source_) {
    if (auto* file = dynamic_cast<FileSource*>(source_.get())) rc = file->close();
    source_.reset();
  }
  block_.clear();
  utf8Carry_.clear();
  atEnd_ = false;
  failed_ = false;
  return rc;
}

int ImportFile::nextBlock() {
  block_.clear();
  if (!viewer_ || atEnd_) return -1;
  int rc = viewer_->readTextBlock(&block_);
  if (rc == 0 && !utf8Carry_.empty()) {  // a character cut at the very end
    block_ = unicodetext::sanitized(utf8Carry_);
    utf8Carry_.clear();
    return static_cast<int>(block_.size());
  }
  if (rc <= 0) {
    atEnd_ = true;
    if (rc < 0) {
      failed_ = true;
      errorText_ = "Unable to read " + name_;
    }
    return -1;
  }
  if (alphabet_.isUnicode()) {
    if (!utf8Viewer_) {
      block_ = unicodetext::fromWindows1252(block_);
    } else {
      // Blocks may end inside a character: its first bytes wait for the next block.
      if (!utf8Carry_.empty()) block_.insert(0, utf8Carry_);
      size_t whole = unicodetext::completePrefix(block_);
      utf8Carry_.assign(block_, whole, std::string::npos);
      block_.resize(whole);
      if (!unicodetext::isValid(block_)) block_ = unicodetext::sanitized(block_);
      if (block_.empty()) block_ = " ";
    }
  }
  return static_cast<int>(block_.size());
}

int ImportFile::rewind() {
  if (!viewer_) return -1;
  layout_.reset();
  block_.clear();
  utf8Carry_.clear();
  atEnd_ = false;
  failed_ = false;
  return viewer_->rewind();
}

int ImportFile::nextLine(ScreenLine* line, int width) {
  if (!viewer_) return -1;
  if (!layout_) {
    auto source = [this](std::string* out) {
      if (nextBlock() < 0) return failed_ ? -1 : 0;
      out->append(block_);
      return static_cast<int>(block_.size());
    };
    layout_ = std::make_unique<LineLayout>(source, width, alphabet_);
  }
  return layout_->nextLine(line);
}

std::string ImportFile::lineText(const ScreenLine& line) { return textblock::shownText(line.text); }

const ViewerFileInfo& ImportFile::fileInfo() const {
  static const ViewerFileInfo none;
  return viewer_ ? viewer_->fileInfo() : none;
}

namespace outputfile {

namespace {

bool isDocumentType(int16_t type) {
  return type == 100 || type == 101 || type == 201 || type == 205 || type == 206 ||
         (type >= 209 && type <= 220) || type == 222;
}

bool isProgramName(const std::string& name) {
  size_t slash = name.rfind('/');
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  for (const char* p : {"*.EXE", "*.COM", "*.OVL", "*.OBJ"})
    if (wildcard::match(std::string(p), base)) return true;
  return false;
}

}  // namespace

bool mayWrite(const std::string& name, Reporter* reporter, const ViewerTable& table) {
  if (!platform::fileExists(name.c_str())) return true;
  bool refuse = isProgramName(name);
  if (!refuse) {
    ImportFile doc(table);
    refuse = doc.open(name) == 0 && isDocumentType(doc.fileInfo().type);
  }
  if (!refuse) return true;
  trace::line("Output file %s is a document or a program: not overwritten", name.c_str());
  if (reporter) reporter->error(messages::text(kRefusedMessage, {name}));
  return false;
}

}  // namespace outputfile
