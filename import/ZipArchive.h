// ZipArchive: the unzip layer of the ZIP container, over libzip. It reads an archive from any
// ByteSource (a file, or an archive extracted from another one into memory) and answers the
// requests the container makes: open the directory, a member by index or by name, extract a
// member. Every result is a code of import/ZipResult.h. Extraction is bounded (see
// ZipLimits), so a small archive that expands to gigabytes is refused, not unpacked.
// Depends on libzip, import/ContainerViewer.h, io/File, objects/.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "import/ContainerViewer.h"

// Bounds on what extraction produces.
struct ZipLimits {
  int64_t maxMemberBytes = int64_t{64} << 20;   // one member
  int64_t maxTotalBytes = int64_t{1} << 30;     // all members taken from one open archive
  int64_t maxRatio = 200;                       // expanded bytes per packed byte ...
  int64_t ratioFreeBytes = int64_t{1} << 20;    // ... checked once a member passes this size
};

// Threads: one user at a time.
class ZipArchive {
 public:
  ZipArchive();
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // Opens the archive in `source` (which must outlive this object) and reads its directory;
  // an archive behind other bytes (a self-extracting program) is found through its end
  // record. 0, or -1 with result() set; an archive already open is closed first.
  int open(ByteSource& source);
  void close();
  bool isOpen() const { return zip_ != nullptr; }
  // Members in the directory (0 when not open).
  int32_t count() const { return count_; }

  // The member at `index`. 0, or -1 (kIndexOutOfBounds, kNotOpen) with `member` unchanged.
  int itemAt(int32_t index, ContainerMember* member);
  // The member called `name`, compared exactly, else without regard to case. 0, or -1
  // (kItemNotFound) with `member` unchanged.
  int find(const std::string& name, ContainerMember* member);
  // The bytes of a member into `bytes`, within the limits. 0, or -1 with result() set and
  // `bytes` empty.
  int extract(const ContainerMember& member, std::string* bytes);
  // Writes the member to `outputName` with the member's date. 0, or -1 with result() set and
  // no file left behind. Members with unsafe names and links are refused.
  int extractToFile(const ContainerMember& member, const std::string& outputName);

  // The code of the last request (zipresult::kOk after success).
  int result() const { return result_; }
  void setLimits(const ZipLimits& limits) { limits_ = limits; }
  // With logging on, each request and its result go to the trace log.
  void setLog(bool on) { log_ = on; }
  // Bytes extracted since open, towards maxTotalBytes.
  int64_t extractedBytes() const { return extractedBytes_; }

  // True for a name that is absolute ("/x", "\x", "C:x") or that has a ".." step (with "/"
  // or "\" between steps), or that is empty.
  static bool isUnsafeName(const std::string& name);

 private:
  struct Source;
  int openAt(ByteSource& source, int64_t prefix);
  int fail(int code);
  int readMember(const ContainerMember& member, std::string* bytes);

  std::unique_ptr<Source> source_;
  struct zip* zip_ = nullptr;
  std::string archiveName_;
  int32_t count_ = 0;
  int result_ = 0;
  bool log_ = false;
  ZipLimits limits_;
  int64_t extractedBytes_ = 0;
};
