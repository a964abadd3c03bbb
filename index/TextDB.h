// TextDB: one open index. It names the files of an index folder, takes the index's lock
// (many readers, one writer, across processes), reads and writes the index header and the
// options file, opens the document table, the dictionary and the reference file, keeps the
// recovery record of an update, and swaps in a new dictionary after an update. The file set
// is drawn in docs/formats/index-files.md. Depends on trie/, io/ and import/ (the alphabet),
// never on search/ or the engine interface.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "import/Alphabet.h"
#include "index/IndexFormat.h"
#include "index/IndexHeader.h"
#include "index/IndexJournal.h"
#include "io/IOFile.h"
#include "io/LockFile.h"
#include "io/Vlrfile.h"
#include "objects/Status.h"
#include "trie/KeyFile.h"

class StringSet;

// The name the engine's index library gives the index in `folder`; "" when it has none.
using LibraryNameFn = std::function<std::string(const std::string& folder)>;

// Threads: one user at a time; nothing here locks within the process. Several processes
// share an index through the sharing modes of INDEX_U.IX. A TextDB owns every file it opened
// and closes them (and releases the lock) in its destructor; copy and assignment are deleted.
// An update still running when the TextDB is destroyed counts as abandoned and is rolled
// back: callers keep an update with close(I) or unlock().
//
// Updates: from the writer's lock to the close of the header (or unlock), every change to a
// file that readers rely on is first saved in INDEX_X.IX. A failed write marks the update
// failed; closing then puts the index back as it was instead of keeping a half-made update.
//
// Messages of the message table: 1 (index not accessible), 5 (not an index of this
// version), 74 (index in use, deleteIndex).
class TextDB {
 public:
  static constexpr int kInUseMessage = 74;
  TextDB();
  ~TextDB();
  TextDB(const TextDB&) = delete;
  TextDB& operator=(const TextDB&) = delete;

  // The index folder, at most 256 bytes (a trailing "/" is dropped). 0, or -1 when longer or
  // empty (the folder is then unchanged).
  int setDirectory(const std::string& folder);
  const std::string& directory() const { return folder_; }
  // The index library's name for this index (empty: none). When set before the index is
  // read, it replaces the name the header holds (and a writer stores it).
  void setLibraryName(const std::string& name) { libraryName_ = name; }
  // The alphabet of the engine's options (the built-in one until set). Reading the index
  // folds a copy of it by the index's flags: alphabet() then gives it.
  void setBaseAlphabet(const Alphabet& base) { base_ = base; }
  // The index's own alphabet: its words and every request searched in it are folded by it.
  // The built-in one, unfolded, before the index is read.
  const Alphabet& alphabet() const { return alphabet_; }

  // The full name of the file of `type` (one bit of index/IndexFormat.h); for the dictionary
  // the file in use (the pending copy when one is recorded, else INDEX_K.IX). "" for another
  // type, traced as "ERROR Illegal index file type: %d".
  std::string fileName(uint32_t type) const;
  // The name of dictionary copy `n` ("IXK<n>.IX", indexfiles::keyCopyName); INDEX_K.IX for 0.
  std::string dictionaryName(long n) const;

  // Opens the requested files (mode: io/FileMode.h bits) in the order I, D, K, R, N, T,
  // taking the lock first when it is not held. A mode without write gets kDenyNone. 0 when
  // every requested type is open; -1 otherwise ("ERROR TextDB::open(flags < 16)" for
  // types < 16). Files that did open stay open. errorText() says why.
  int open(int mode, uint32_t types);
  // Closes the requested open files in the order D, K (its word count goes into the
  // header), R, N, T, I. Closing I after opening for writing closes the other files too,
  // clears the in-use byte, writes the header and the options file, puts everything on the
  // disk and empties the recovery record; after a failed update it restores the index from
  // the record instead. 0, or -1 when any of that failed.
  int close(uint32_t types = indexformat::kAllTypes);

  // Takes the lock (see docs/formats/index-files.md for the order of the steps), reads the
  // header and the options, folds the index's alphabet by its flags and, for writing, marks the
  // header in use and arms the recovery record. 0, or -1 with errorText() set (message 1 or
  // 5 or the version text); no lock is held after -1.
  int lockIndex(int mode);
  // Releases the lock; for a writer, closes the open files and commits the update as
  // close(I) does. 0, or -1 when the commit failed.
  int unlock();
  // True when INDEX_U.IX exists and an open of it for reading and writing is refused with
  // access denied (a writer holds the index).
  bool isLocked() const;
  bool hasLock() const { return lock_ != nullptr; }

  // The bytes of the index's files (header, dictionary in use, references, document table
  // and its record index, noise words, folders and filters).
  int64_t indexBytes() const;
  // The sum of the word counts of documents 1..document count that are not cancelled;
  // -1 when the document table is not open.
  int64_t countWords();

  // Reads the filters file (INDEX_S.IX) and the folders file (INDEX_L.IX) into the sets
  // (each may be null). A missing file gives empty sets. 0, or -1 when a file exists but
  // cannot be read.
  int readFilters(StringSet* include, StringSet* exclude, StringSet* folders);
  // Replaces the two files (saved in the recovery record first during an update). 0 or -1.
  int writeFilters(const StringSet* include, const StringSet* exclude, const StringSet* folders);

  // Deletes stale dictionary copies and makes the pending copy INDEX_K.IX (see
  // docs/formats/index-files.md). Takes the writer's lock for the moment when this TextDB
  // does not hold one. 0, or -1 when the header cannot be read or written.
  int cleanUpDictionaries();

  // During an update: deletes the dictionary copies that are neither pending nor this
  // update's and that no reader has open, and INDEX_K.IX when a copy is pending. Safe
  // whether the update is kept or rolled back. 0, or -1 when not writing.
  int dropUnusedDictionaries();
  // The same after an update: every copy but `pending` and `keep` (0: none) that no one
  // has open, and INDEX_K.IX when a copy is pending.
  static void removeStaleDictionaries(const std::string& folder, long pending, long keep);

  // Deletes the index of `folder`: refused while it is locked (a busy status with message 74
  // in `*status`, which may be null); otherwise deletes its files (and, unless
  // `keepSettings`, L, S and the folder), then does the same for the subfolder TMP. The
  // index library is the caller's to update. 0, or -1 when refused.
  static int deleteIndex(const std::string& folder, bool keepSettings, Status* status = nullptr);

  // ---- For compression: putting a rebuilt index in place ----
  // The index's work folder (the subfolder TMP), where a rebuilt file set is made.
  std::string workFolder() const { return folder_ + "/" + indexformat::kWorkFolder; }
  // Replaces the reference file, the document table, its record index and the dictionary by
  // the complete files of the same names in workFolder(), and then the header by `header`.
  // Requires the writer's lock, with the dictionary, reference file and document table
  // closed. A marker written before the first replacement makes the next open finish a
  // switch that a crash interrupted. The update is then over (nothing to roll back).
  // 0, or -1 when the rebuilt files could not be put on the disk (the index stays as it
  // was) or a replacement failed (the next open completes it).
  int switchToRebuilt(const IndexHeader& header);
  // Completes an interrupted switch of `folder`: every rebuilt file still waiting in the
  // work folder takes its place, in the switch's order. Call with the writer's lock held.
  // 0, or -1 when a file could not be moved.
  static int settleRebuilt(const std::string& folder);
  // True when `folder` holds the marker of a switch not yet finished.
  static bool switchPending(const std::string& folder);

  // ---- The checksum file INDEX_C.IX (docs/formats/index-checksums.md) ----
  // The paths of the files the checksum file covers, in its order (index/ChecksumFormat.h);
  // for INDEX_K.IX the dictionary in use.
  std::vector<std::string> checksumPaths() const;

  // ---- For the update code: saving state before changing a file in place ----
  // Saves [pos, pos + bytes) of the file of `type` before the caller overwrites it (once per
  // range and update). 0 when saved or nothing needs saving (no update running, or the
  // range lies past the file's length at the start of the update); -1 when the record could
  // not be written: the caller must not overwrite.
  int saveRange(uint32_t type, int32_t pos, int32_t bytes);
  // Saves the whole file of `type` before the caller rewrites it. 0 or -1 as above.
  int saveWholeFile(uint32_t type);
  // Marks the running update failed: closing will roll it back.
  void failUpdate();
  bool updateFailed() const { return updateFailed_; }
  // Writes the header now (during an update). 0 or -1.
  int writeHeader();

  IndexHeader& header() { return header_; }
  const IndexHeader& header() const { return header_; }
  vlrFile& docTable() { return docs_; }
  KeyFile& keys() { return keys_; }
  IOFile& refFile() { return refs_; }
  // The raw text of the noise word list (empty when the index has none).
  const std::string& noiseText() const { return noiseText_; }
  // The folder relative document paths refer to: the header's, else the index folder.
  const std::string& documentRoot() const { return docRoot_; }
  // Why the last open, lock or update failed: its kind (an index that is not there, one a
  // writer holds, a damaged or foreign one, an I/O error) and its message.
  const Status& status() const { return status_; }
  const std::string& errorText() const { return status_.message(); }
  int mode() const { return mode_; }
  uint32_t openTypes() const { return openTypes_; }
  bool isWriting() const { return writing_; }
  bool isOpen(uint32_t type) const { return (openTypes_ & type) != 0; }
  // The number of document records when the running update began (records below it are
  // rewritten in place only after saveRange); 0 when no update runs.
  int32_t docStartRecords() const { return journal_.isArmed() ? docStartRecords_ : 0; }
  // The dictionary copy made while open for writing, 0 when none.
  long newDictionary() const { return newDictionary_; }

 private:
  int fail(Status::Kind kind, int number, const std::string& a, const std::string& b);
  void setStatus(Status::Kind kind, std::string message, int osError = 0);
  int readHeaderFile(std::string* reason, int* problem, int* osError = nullptr);
  int settleAfterRead();
  int armJournal();
  int commitUpdate();
  int rollBackUpdate();
  int writeChecksums();
  // Compares the committed files with INDEX_C.IX: 1 when they agree, 0 when the index has no
  // checksum file, -1 when a file (or the checksum file) does not agree (`why` names it).
  // Files of the types in `typesLeftOut` are not compared.
  int matchChecksums(std::string* why, uint32_t typesLeftOut) const;
  // The damaged status of this index with `why` and the way back.
  int failDamaged(const std::string& why);
  int writeRebuiltChecksums();
  int openFile(uint32_t type, int mode);
  int openDictionary(int mode);
  int copyFile(const std::string& from, const std::string& to);
  int syncFile(const std::string& name);
  void releaseLock();

  std::string folder_;
  std::string libraryName_;
  Alphabet base_ = Alphabet::builtIn();
  Alphabet alphabet_ = Alphabet::builtIn();
  std::string docRoot_;
  IndexHeader header_;
  vlrFile docs_;
  KeyFile keys_;
  IOFile refs_{4096};
  std::string noiseText_;
  std::unique_ptr<LockFile> lock_;
  IndexJournal journal_;
  Status status_;
  int mode_ = 0;
  uint32_t openTypes_ = 0;
  bool writing_ = false;
  bool updateFailed_ = false;
  long newDictionary_ = 0;
  // The lengths of the document table and its record index when the update began.
  int32_t docStartBytes_ = 0;
  int32_t docIndexStartBytes_ = 0;
  int32_t docStartRecords_ = 0;
  // The length of the reference file when the update began (-1: absent).
  int32_t refStartBytes_ = -1;
};
