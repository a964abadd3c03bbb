// InputFile: a read-only block buffer joined to a File; documents being indexed and files
// only read are opened through it. Depends on io/File and io/IOBuffer.
#pragma once

#include <cstdint>

#include "io/File.h"
#include "io/FileLink.h"
#include "io/IOBuffer.h"

// Threads: one user at a time.
class InputFile : public InputBuffer {
 public:
  explicit InputFile(int32_t bufferBytes = kDefaultBufferBytes, char* external = nullptr)
      : InputBuffer(bufferBytes, external) {}
  // Closes the file if it is still attached.
  ~InputFile() override;

  // Opens `name` for reading only (mode 1, so others may read but not write meanwhile)
  // through a File of its own and positions at 0. 0, or -1 when a file is attached or the
  // open fails (platform::lastError() says why).
  int open(const char* name);
  // Opens with an explicit mode of io/FileMode.h (for example read with deny-none).
  int open(const char* name, int mode);
  // Joins an already open File, taking a reference; the caller keeps ownership.
  // -1 (traced as an ERROR) for a null File or when one is attached.
  int attach(File* file);
  // Releases the File and deletes it when this InputFile opened it and it is no longer
  // open. -1 (traced as an ERROR) when nothing is attached, or when the close failed.
  int close();

  File* file() const { return link_.get(); }
  bool isOpen() const { return link_.get() != nullptr; }

 protected:
  int32_t readBlock(int32_t position, char* into, int32_t n) override;
  const char* bufferName() const override;

 private:
  FileLink link_;
};
