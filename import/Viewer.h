// The importer side of document import: the byte source a viewer reads a document from and
// the Viewer base class every importer derives from. A viewer turns one document into text
// blocks (import/TextBlock.h) and can go back to a bookmark. Depends on io/ and objects/.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "io/InputFile.h"
#include "objects/DosDateTime.h"

// A document's bytes, read at any position.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to n bytes at `position` into `into`: the count read (0 at or past the end), or
  // -1 when the bytes cannot be read. Requires: n >= 0.
  virtual int32_t readAt(int32_t position, void* into, int32_t n) = 0;
  virtual int32_t size() const = 0;
  virtual dosdate::DosDateTime date() const = 0;
  virtual const std::string& name() const = 0;
};

// A file opened for reading. The file's last-access time is put back when it closes.
class FileSource : public ByteSource {
 public:
  FileSource() : input_(kBufferBytes) {}
  // Opens `name`. 0, or -1 with platform::lastError() (the source stays closed).
  int open(const std::string& name);
  // 0, or -1 when the close failed.
  int close();
  bool isOpen() const { return input_.isOpen(); }

  int32_t readAt(int32_t position, void* into, int32_t n) override;
  int32_t size() const override;
  dosdate::DosDateTime date() const override;
  const std::string& name() const override { return name_; }

 private:
  static constexpr int32_t kBufferBytes = 4096;
  InputFile input_;
  std::string name_;
};

// All of a source's bytes into `out` (replaced): false when a read failed (what was read before
// stays in `out`).
bool readWhole(ByteSource& source, std::string* out);

// Bytes in memory (tests, fuzzing, extracted container members). The bytes are copied.
class MemorySource : public ByteSource {
 public:
  MemorySource(std::string name, std::string bytes, dosdate::DosDateTime date = 0)
      : name_(std::move(name)), bytes_(std::move(bytes)), date_(date) {}
  int32_t readAt(int32_t position, void* into, int32_t n) override;
  int32_t size() const override;
  dosdate::DosDateTime date() const override { return date_; }
  const std::string& name() const override { return name_; }

 private:
  std::string name_;
  std::string bytes_;
  dosdate::DosDateTime date_;
};

// What is known about a document once its viewer is made.
struct ViewerFileInfo {
  std::string title;  // empty when the format has none
  int32_t sizeBytes = 0;
  dosdate::DosDateTime date = 0;
  int16_t type = 0;     // format type code
  bool binary = false;  // a binary document: no text is delivered
  bool encrypted = false;  // protected by a password: no text is delivered
  bool notText = false;    // a file that holds no text (image, audio, video, program, font)
  std::string failure;     // why the document could not be read at all: no text is delivered
};

// One document being read. The registry makes viewers; the caller owns them and deletes
// them before the source they read. Threads: one user at a time.
class Viewer {
 public:
  virtual ~Viewer() = default;
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;

  // Appends the next text block to `out`: the bytes appended (at least 1), 0 at the end of
  // the document, -1 when the document cannot be read (what was appended before stays).
  virtual int readTextBlock(std::string* out) = 0;
  // A mark for the block the next readTextBlock delivers; opaque to callers.
  virtual int32_t bookMark() const = 0;
  // Makes the next readTextBlock deliver the block of a mark taken earlier. 0, or -1 for a
  // mark this viewer never gave (the position is then unchanged).
  virtual int gotoBookMark(int32_t mark) = 0;
  // Back to the first block. 0 or -1.
  virtual int rewind() = 0;
  // Asks for UTF-8 blocks and title (for an index of the Unicode text model), before the first
  // block is read and while the viewer's source is still open. True when the viewer will
  // deliver them; false (the default) leaves Windows-1252, which the caller then converts.
  virtual bool deliverUtf8() { return false; }

  const ViewerFileInfo& fileInfo() const { return info_; }
  ViewerFileInfo& fileInfo() { return info_; }

 protected:
  Viewer() = default;
  ViewerFileInfo info_;
};
