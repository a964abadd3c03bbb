// IndexJournal: the recovery record INDEX_X.IX, a rollback journal for one index update.
// Before an update changes a file that readers or a restart rely on, the old state of that
// part (a whole small file, the bytes about to be overwritten, or the length of a file that
// only grows) is appended here and put on the disk; the journal is emptied once everything
// the update wrote is on the disk. Restoring applies the saved states, so the index is
// exactly as it was before the update. Layout: docs/formats/index-journal.md.
// Depends on io/ and below.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "io/File.h"

// One saved state. Names are the bare file names inside the index folder.
struct JournalEntry {
  static constexpr uint8_t kLength = 'L';  // `length`: the file's old length, -1 = absent
  static constexpr uint8_t kImage = 'I';   // `bytes` stood at `pos`
  static constexpr uint8_t kWhole = 'W';   // the whole old file (`length` -1 = absent)

  uint8_t kind = kLength;
  std::string name;
  int32_t pos = 0;
  int32_t length = 0;
  std::string bytes;
};

// Threads: one user at a time. The writer of an index owns one; it owns the journal file
// while armed and closes it in its destructor (the journal stays on disk).
class IndexJournal {
 public:
  // Bounds a reader applies to a journal before trusting it.
  static constexpr size_t kMaxNameBytes = 64;
  static constexpr size_t kMaxJournalBytes = size_t{1} << 30;

  IndexJournal() = default;
  ~IndexJournal();
  IndexJournal(const IndexJournal&) = delete;
  IndexJournal& operator=(const IndexJournal&) = delete;

  // ---- Reading a journal left on disk ----
  // Reads the journal of `folder` (file `journalName`) into `entries`. 1 when it holds an
  // update's saved states; 0 when there is nothing to undo (absent, empty, or never armed:
  // the update it belonged to changed nothing yet); -1 when it is armed but cannot be read
  // or is damaged (`reason` says why). A torn entry after the armed part ends the list.
  static int load(const std::string& folder, const std::string& journalName,
                  std::vector<JournalEntry>* entries, std::string* reason);
  // Puts every saved state back (newest first), puts the restored files on the disk and
  // then empties the journal. 0 when done or nothing was to be done; -1 when the journal is
  // damaged or a file could not be restored (`reason` says why; the journal then stays, so
  // a later attempt starts over).
  static int restore(const std::string& folder, const std::string& journalName,
                     std::string* reason);

  // ---- Writing during an update ----
  // Opens (creating) the journal, writes `entries` unarmed, puts them on the disk, then
  // arms the journal and puts that on the disk. 0, or -1 (the journal is left unarmed).
  int begin(const std::string& folder, const std::string& journalName,
            const std::vector<JournalEntry>& entries);
  // Appends one saved state and puts it on the disk before returning. 0 or -1.
  // Requires: armed.
  int append(const JournalEntry& entry);
  // Empties the journal and puts that on the disk: the update is final. 0, also when only the
  // emptying's sync failed (traced: the update is committed); -1 when the record could not be
  // emptied (it stands, and the next open undoes the update).
  int finish();
  // Closes the journal without emptying it (an update that must be rolled back).
  void abandon();
  bool isArmed() const { return armed_; }

  // True once `name` [pos, pos + bytes) was already saved in this update (a whole-file
  // entry, or a length entry of an absent file, covers every later change of that file; a
  // length entry covers the bytes at or past the old length); records the range. A longer
  // stretch at a place saved before counts as not saved.
  bool alreadySaved(const std::string& name, int32_t pos, int32_t bytes);
  // Saved-state builders, reading from the disk. -1 when the file exists but cannot be read.
  static int wholeFile(const std::string& folder, const std::string& name, JournalEntry* out);
  static int lengthOf(const std::string& folder, const std::string& name, JournalEntry* out);
  static int imageOf(const std::string& folder, const std::string& name, int32_t pos,
                     int32_t bytes, JournalEntry* out);

 private:
  static std::string encodeEntry(const JournalEntry& e, uint32_t salt);
  // Records what a saved state covers, for alreadySaved().
  void noteCovered(const JournalEntry& entry);
  int writeAt(int32_t pos, const std::string& bytes);

  File file_;
  std::string folder_;
  bool armed_ = false;
  uint32_t salt_ = 0;
  int32_t endPos_ = 0;
  std::set<std::string> whole_;                               // files saved whole
  std::map<std::string, int32_t> lengths_;                    // old lengths of growing files
  std::map<std::pair<std::string, int32_t>, int32_t> ranges_;  // (name, pos) -> bytes saved
};
