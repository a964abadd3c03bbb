// The index library: the engine's list of the indexes a user knows about (display name, index
// folder, selected for searching) and the library file that keeps it, by default IXLIB.ILB
// in the private folder. The file layout is in docs/formats/index-library.md. The engine
// instance owns it; the index store below the interface is told an index's library name.
// Depends on io/ and below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Reporter;

struct IndexLibraryEntry {
  std::string name;       // at most 39 bytes, no surrounding white space, unique (exact)
  std::string path;       // the index folder, normalised, at most 511 bytes
  uint8_t selected = 0;   // non-zero: the index takes part in searches
  bool temporary = false; // shown and searched, never written to the library file
  std::string owner;      // "Lexaurum" for entries the engine adds itself
};

// One library. Every change sorts the entries by name (ascending byte order), keeps the
// current entry by its name, and rewrites the library file. Names and paths that hold a
// double quote, a line break or a NUL cannot be stored in the file's quoted lines and are
// refused. Messages it shows: 49 (library not written), 50 (library not created), 51
// (library not read), 54 (no such index), 71 (question: replace the existing file?), 110
// (library switched), 111 (library created). Not thread-safe: the engine's one thread.
class IndexLibrary {
 public:
  static constexpr size_t kMaxEntries = 100;
  static constexpr size_t kMaxNameBytes = 39;
  static constexpr size_t kMaxPathBytes = 511;
  static constexpr const char* kFirstLine = "Lexaurum Index Library";
  static constexpr const char* kOwnerTag = "Lexaurum";
  static constexpr size_t kMaxFileBytes = 1u << 20;

  // An empty library, not yet backed by a file. Relative library file names, and the
  // default IXLIB.ILB (well-known kind 30), resolve in `privateFolder`.
  // Its messages and questions go to `reporter` (null: nowhere, default answers), which must
  // outlive the library.
  explicit IndexLibrary(const std::string& privateFolder, Reporter* reporter = nullptr);
  IndexLibrary(const IndexLibrary&) = delete;
  IndexLibrary& operator=(const IndexLibrary&) = delete;
  // Does not write: call save() first.
  ~IndexLibrary() = default;

  // ---- Library files -------------------------------------------------------------------
  // Opens the named library (IXLIB.ILB when `fileName` is empty). When it cannot be read it
  // is created empty (quietly); when that fails IXLIB.ILB is read, and then created. 0 once
  // one of these worked; -1 when all failed: message 50 with the path, the trace line
  // "Unable to create library <path>: <error>", and the library is left empty and without a
  // file: changes stay in memory (message 49 each time) until create or switchTo succeeds,
  // so a file the user declined to replace is never overwritten.
  int open(const std::string& fileName);
  // Saves this library if it must be, then reads the named file. 0: the file's library
  // replaces this one and message 110 names the file. -1: message 51 names it and this
  // library stays as it was.
  int switchTo(const std::string& fileName);
  // Saves this library if it must be, then makes an empty library with the named file and
  // writes it. When the file exists, question 71 asks whether to replace it (the default,
  // without a call-back, is no). 0, with message 111 unless `quiet`. -1 on "no", or when the
  // write failed (message 50); this library then stays as it was.
  int create(const std::string& fileName, bool quiet);
  // Writes the library file when a change has not reached it yet. 0, or -1 (message 49).
  int save();

  // ---- Changes -------------------------------------------------------------------------
  // Adds an index. The name is cut to 39 bytes and stripped of surrounding white space; the
  // path is normalised (see normalisePath). The first entry of a library without a selected
  // entry is selected. 0 when added (a failed file write only shows message 49: the entry
  // stays and the next change writes it). -1, library unchanged, when the name is empty,
  // already present or not storable, the path is empty, too long or not storable, or the
  // library holds kMaxEntries.
  int add(const std::string& name, const std::string& path);
  // Adds an entry that is never written to the file, with `owner` as its owner tag.
  // 0 when added; the position + 1 of the entry when the name is already present; -1 when the
  // library is full or the name or path is not storable.
  int addTemporary(const std::string& name, const std::string& path, const std::string& owner);
  // Renames an entry; the new name is cut to 39 bytes and stripped. 0 (a failed write shows
  // message 49 as for add). -1, library unchanged: `oldName` absent (message 54), or the new
  // name empty, not storable or held by another entry.
  int rename(const std::string& oldName, const std::string& newName);
  // Removes an entry. 0 (a failed write shows message 49 as for add); -1 when absent.
  int remove(const std::string& name);
  // Removes the first entry whose path is `folder` (normalised first), as remove() does.
  // 0, or -1 when no entry has that path.
  int removeFolder(const std::string& folder);
  // Sets or clears the entry's selected mark (kept in memory only; the file holds none).
  // 0, or -1 when absent.
  int setSelected(const std::string& name, uint8_t selected);
  // Makes the named entry the current one. 0, or -1 when absent (the current entry stays).
  int setCurrentEntry(const std::string& name);

  // ---- Queries -------------------------------------------------------------------------
  // Entries, temporaries included, in library order.
  size_t count() const { return entries_.size(); }
  size_t temporaryCount() const { return temporaryCount_; }
  // Entry `i`, or null when i >= count(). Valid until the next change.
  const IndexLibraryEntry* entry(size_t i) const;
  // The position + 1 of the entry named exactly `name`, or 0 when absent.
  int find(const std::string& name) const;
  // The name of the first entry whose path is `folder` (normalised first), "" when none.
  std::string nameOf(const std::string& folder) const;
  // The current entry, or null. Valid until the next change.
  const IndexLibraryEntry* currentEntry() const;
  // The library file (absolute), "" before the first open or create.
  const std::string& filePath() const { return filePath_; }
  // True when a change has not reached the library file yet.
  bool mustSave() const { return mustSave_; }
  // True after any change since the flag was last cleared (for views of the library).
  bool changed() const { return changed_; }
  void clearChanged() { changed_ = false; }

  // The paths of the selected entries joined by ",", stopping before the first path that
  // would not fit; always NUL-ended. Returns the number of paths put in (0 when size is 0).
  int selectedPaths(char* buffer, size_t size) const;
  // Writes one line per selected entry with its path, each ended by CR LF, replacing the
  // file (a relative name resolves in the private folder). 0, or -1 when it cannot be written.
  int writeSelectedPaths(const std::string& fileName) const;

  // ---- Memory form (tests, fuzzing) ----------------------------------------------------
  // Reads a library file's bytes, replacing the entries. 0; or -1 when the first line is not
  // kFirstLine or the count line is not a decimal number, and the entries are then
  // unchanged. At most kMaxEntries lines are read; a line without both fields, with an empty
  // name, a path longer than kMaxPathBytes or a name already read is skipped.
  int parse(const char* data, size_t size);
  // The file form of the library (temporary entries left out).
  std::string serialize() const;

  // The absolute form of `path`: relative to the current folder, "//", "/./" and ".."
  // collapsed, no trailing "/" (except for the root itself). "" for an empty path.
  static std::string normalisePath(const std::string& path);
  // `fileName` resolved in the private folder when relative, then normalised.
  std::string resolve(const std::string& fileName) const;

 private:
  int readFile(const std::string& path, std::vector<IndexLibraryEntry>* entries) const;
  int writeFile();
  // Sorts, keeps the current entry, marks the library changed and writes it when `persist`.
  void afterChange(bool persist);
  void replaceEntries(std::vector<IndexLibraryEntry> entries, const std::string& path);
  int createQuietly(const std::string& path, bool quiet);

  std::string privateFolder_;
  Reporter* reporter_;
  std::string filePath_;
  std::vector<IndexLibraryEntry> entries_;
  size_t temporaryCount_ = 0;
  std::string currentName_;  // the current entry's name, "" when none
  bool changed_ = false;
  bool mustSave_ = false;
};
