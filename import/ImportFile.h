// ImportFile: the document source through which the rest of the engine opens a document. It
// opens the file, chooses its format through the registry, keeps the viewer and the current
// text block, and lays the blocks out into lines. Also the protection of existing documents
// against being overwritten by a job's output. Depends on import/ViewerTable, import/LineLayout.
#pragma once

#include <memory>
#include <string>

#include "import/ContainerViewer.h"
#include "import/LineLayout.h"
#include "import/ScreenLine.h"
#include "import/ViewerTable.h"

class Alphabet;
class Reporter;

// Threads: one user at a time.
class ImportFile {
 public:
  static constexpr const char* kNoViewerText = "Unable to create viewer";
  static constexpr const char* kExtractFailedText = "Unable to extract file";
  // Containers inside containers are opened this many levels deep, the outermost included.
  static constexpr int kMaxContainerDepth = 3;

  // Documents are recognised with `table` and their words found with the classes of
  // `alphabet` (null: the built-in alphabet); both must outlive the object.
  explicit ImportFile(const ViewerTable& table, const Alphabet* alphabet = nullptr);
  ~ImportFile();
  ImportFile(const ImportFile&) = delete;
  ImportFile& operator=(const ImportFile&) = delete;

  // Opens the document `name`, closing one already open: chooses its format and makes the
  // viewer. 0, or -1 with errorText() set (the input's own text when the file cannot be
  // opened, "Unable to create viewer" when no format can read it) and the object closed.
  // A name "ARCHIVE/MEMBER" whose ARCHIVE is a container file opens that member, extracted
  // into memory (also through nested containers, kMaxContainerDepth deep); failure gives
  // "Unable to extract file: " and the container's reason. The container last extracted
  // from stays open until another is needed or this object goes.
  int open(const std::string& name);
  // The same for a document already in memory; `source` is owned from now on.
  int open(std::unique_ptr<ByteSource> source);
  // Closes the document. 0, or -1 when the file's close failed.
  int close();
  bool isOpen() const { return viewer_ != nullptr; }

  // Reads the next text block into block() (UTF-8 for a Unicode alphabet, else
  // Windows-1252): its size (at least 1), or -1 at the end (and at
  // every call after it) or when the document cannot be read (errorText() then says so).
  int nextBlock();
  const std::string& block() const { return block_; }
  bool atEnd() const { return atEnd_; }
  // Back to the first block and the first line. 0 or -1.
  int rewind();

  // The next laid-out line, `width` columns wide (the width of the first call after open or
  // rewind holds until the next rewind). 1 with `*line` filled, 0 at the end, -1 on failure.
  int nextLine(ScreenLine* line, int width);
  // The characters of a laid-out line as plain text: tabs expanded to their stops,
  // formatting codes and hidden text dropped.
  static std::string lineText(const ScreenLine& line);
  // Bytes of document text laid out into lines so far.
  int64_t textBytesRead() const { return layout_ ? layout_->bytesRead() : 0; }

  const ViewerFileInfo& fileInfo() const;
  // The open document's container viewer when the document is a container, else null.
  ContainerViewer* container() const { return dynamic_cast<ContainerViewer*>(viewer_.get()); }
  // The chosen format's registration, or null when closed.
  const ViewerEntry* format() const { return format_; }
  const std::string& name() const { return name_; }
  const std::string& errorText() const { return errorText_; }

 private:
  int attach(std::unique_ptr<ByteSource> source);
  int openMember(const std::string& name);
  int extractMember(ContainerViewer& from, const ContainerMember& member, const std::string& name);

  const ViewerTable& table_;
  const Alphabet& alphabet_;
  std::unique_ptr<ByteSource> source_;
  std::unique_ptr<Viewer> viewer_;
  std::unique_ptr<LineLayout> layout_;
  std::unique_ptr<ImportFile> outer_;  // the container the last member came from
  const ViewerEntry* format_ = nullptr;
  std::string name_;
  std::string block_;
  std::string errorText_;
  bool atEnd_ = false;
  bool failed_ = false;  // the viewer could not read the document
  bool utf8Viewer_ = false;  // the viewer delivers UTF-8 (for a Unicode alphabet)
  std::string utf8Carry_;    // the first bytes of a character the last block cut
};

namespace outputfile {

// Message shown when an output file would overwrite a document or a program.
constexpr int kRefusedMessage = 43;

// True when `name` may be written: it does not exist, or it is neither a document (its
// format's type is 100, 101, 201, 205, 206, 209 to 220 or 222) nor a program ("*.EXE",
// "*.COM", "*.OVL", "*.OBJ"). Otherwise false, and message 43 goes to `reporter` (null: none).
bool mayWrite(const std::string& name, Reporter* reporter, const ViewerTable& table);

}  // namespace outputfile
