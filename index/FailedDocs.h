// FailedDocs: the documents of an index that could not be read (a crash, a limit or a hang of
// their extraction, a damaged file, a password), kept in FAILED.DAT in the index folder with
// the file's date and size, the reason and when it happened. An update does not try such a
// document again until its file changes; `lxr failed` and the job summary show the list. The
// file is rewritten whole (a new copy renamed over the old) after an update is committed, so a
// crash leaves the old list, and a lost list only means the documents are tried again.
// Depends on objects/DosDateTime and platform/.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "objects/DosDateTime.h"

struct FailedDoc {
  std::string name;  // as the index names documents (a member "ARCHIVE/MEMBER")
  dosdate::DosDateTime modDate = 0;
  int32_t size = 0;
  std::time_t when = 0;
  std::string reason;
};

// Threads: one user at a time.
class FailedDocs {
 public:
  static constexpr const char* kFileName = "FAILED.DAT";
  static constexpr size_t kMaxEntries = 1000000;
  static constexpr size_t kMaxReasonBytes = 1000;

  // Reads the list of the index in `folder`. A missing file is an empty list; lines that are
  // not entries are passed over. 0, or -1 when the file exists but cannot be read.
  int read(const std::string& folder);
  // Writes the list to `folder` (a new copy renamed over the old; no file for an empty
  // list). 0, or -1 with platform::lastError() set.
  int write(const std::string& folder) const;

  // The entry of `name` when its file has the same date and size (it has not changed since
  // it failed), else null.
  const FailedDoc* unchanged(const std::string& name, dosdate::DosDateTime modDate, int32_t size) const;
  void put(FailedDoc doc);
  void remove(const std::string& name) { changed_ |= docs_.erase(name) > 0; }
  // Removes the entries `gone` says are no longer there.
  template <typename Gone>
  void removeIf(Gone gone) {
    for (auto it = docs_.begin(); it != docs_.end();) {
      if (!gone(it->second)) {
        ++it;
        continue;
      }
      it = docs_.erase(it);
      changed_ = true;
    }
  }
  // The entries in name order.
  std::vector<FailedDoc> list() const;
  size_t count() const { return docs_.size(); }
  // True when the list changed since it was read.
  bool changed() const { return changed_; }

 private:
  std::map<std::string, FailedDoc> docs_;
  bool changed_ = false;
};
