// The document source and the protection of documents against output files.
#include "import/ImportFile.h"

#include "import/TextBlock.h"
#include "import/Wildcard.h"
#include "objects/MessageTable.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

ImportFile::ImportFile(const ViewerTable& table) : table_(table) {}

ImportFile::~ImportFile() { close(); }

int ImportFile::open(const std::string& name) {
  close();
  auto file = std::make_unique<FileSource>();
  if (file->open(name) < 0) {
    int err = platform::lastError();
    errorText_ = platform::errorText(err);
    if (errorText_.empty()) errorText_ = "Unable to open file";
    name_ = name;
    return -1;
  }
  return attach(std::move(file));
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
  atEnd_ = false;
  failed_ = false;
  return rc;
}

int ImportFile::nextBlock() {
  block_.clear();
  if (!viewer_ || atEnd_) return -1;
  int rc = viewer_->readTextBlock(&block_);
  if (rc <= 0) {
    atEnd_ = true;
    if (rc < 0) {
      failed_ = true;
      errorText_ = "Unable to read " + name_;
    }
    return -1;
  }
  return static_cast<int>(block_.size());
}

int ImportFile::rewind() {
  if (!viewer_) return -1;
  layout_.reset();
  block_.clear();
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
    layout_ = std::make_unique<LineLayout>(source, width);
  }
  return layout_->nextLine(line);
}

std::string ImportFile::lineText(const ScreenLine& line) {
  std::string out;
  bool hidden = false;
  const std::string& t = line.text;
  for (size_t i = 0; i < t.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    if (c == textblock::kEscape) {
      if (i + 1 < t.size() && !hidden) out += t[i + 1];
      ++i;
    } else if (c == textblock::kHidden) {
      hidden = !hidden;
    } else if (hidden) {
      continue;
    } else if (c == textblock::kTab) {
      out.append(textblock::kTabWidth - out.size() % textblock::kTabWidth, ' ');
    } else if (c == textblock::kDamaged || c == textblock::kEnd) {
      break;
    } else if (!textblock::isCode(c)) {
      out += static_cast<char>(c);
    }
  }
  return out;
}

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

bool mayWrite(const std::string& name, bool quiet, const ViewerTable& table) {
  if (!platform::fileExists(name.c_str())) return true;
  bool refuse = isProgramName(name);
  if (!refuse) {
    ImportFile doc(table);
    refuse = doc.open(name) == 0 && isDocumentType(doc.fileInfo().type);
  }
  if (!refuse) return true;
  trace::line("Output file %s is a document or a program: not overwritten", name.c_str());
  if (!quiet) messages::showError(kRefusedMessage, {name});
  return false;
}

}  // namespace outputfile
