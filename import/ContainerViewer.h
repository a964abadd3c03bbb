// ContainerViewer: the viewer of a file that holds other files (a ZIP archive). Most deliver
// no text of their own (see deliversText); it lists its members and extracts one at a time, into memory or to a
// file. ImportFile opens members through it ("ARCHIVE/MEMBER"), and the indexer walks it to
// index every member as a document of its own. Depends on import/Viewer only.
#pragma once

#include <cstdint>
#include <string>

#include "import/Viewer.h"

// What a container says about one member.
struct ContainerMember {
  static constexpr uint32_t kEncrypted = 1;      // needs a password: never extracted
  static constexpr uint32_t kNotDocument = 2;    // a folder, a volume label or 0 bytes long
  static constexpr uint32_t kSymbolicLink = 4;   // a link: never followed nor extracted
  static constexpr uint32_t kUnsafeName = 8;     // absolute, or climbs out with ".."

  int32_t index = -1;      // position in the container, from 0
  int64_t sizeBytes = 0;   // as the container states it
  int64_t packedBytes = 0; // bytes it takes inside the container
  std::string name;        // folders separated by "/"
  dosdate::DosDateTime date = 0;
  uint32_t flags = 0;
};

// Threads: one user at a time. Every operation of a container whose directory could not be
// read fails, with errorText() saying why.
class ContainerViewer : public Viewer {
 public:
  int readTextBlock(std::string*) override { return 0; }
  int32_t bookMark() const override { return 0; }
  int gotoBookMark(int32_t mark) override { return mark == 0 ? 0 : -1; }
  int rewind() override { return 0; }
  // True when the container also has text of its own (a message with attachments): the
  // indexer then indexes that text as the container's document.
  virtual bool deliversText() const { return false; }

  // True when the container's directory was read.
  virtual bool isOpen() const = 0;
  // The number of members, or -1 when not open.
  virtual int32_t count() const = 0;
  // The first member; then each following one. 0, or -1 (past the last member, or not open):
  // `member` and the current position are then unchanged.
  virtual int first(ContainerMember* member) = 0;
  virtual int next(ContainerMember* member) = 0;
  // The member of that name (exactly, else without regard to case), or of that index. 0, or
  // -1 with `member` unchanged ("Item not found", "Index out of bounds").
  virtual int infoByName(const std::string& name, ContainerMember* member) = 0;
  virtual int infoByIndex(int32_t index, ContainerMember* member) = 0;
  // The member's bytes into `bytes` (replaced). 0, or -1 with errorText() set: encrypted,
  // a link, too large, expanding too far, damaged. `bytes` is then empty.
  virtual int extractToMemory(const ContainerMember& member, std::string* bytes) = 0;
  // Writes the member to the file `outputName` and gives it the member's date. 0, or -1 with
  // errorText() set; a file begun is removed again. Members with unsafe names are refused.
  virtual int extractToFile(const ContainerMember& member, const std::string& outputName) = 0;
  // The text of the last operation's result ("OK" after success).
  virtual const std::string& errorText() const = 0;
};
