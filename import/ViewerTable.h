// The importer registry: one registration per document format, newest first. It scores every
// registration against a file's name and first bytes, chooses the format and makes the
// viewer that turns the file into text. Built-in formats are added by import/BuiltinViewers,
// external ones by import/ExternalViewers. Depends on import/Viewer and below.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "import/ImportSettings.h"
#include "import/Viewer.h"
#include "lexaurum/lxrviewer.h"

// A built-in format's recognizer and maker that follow the registry's settings; each takes
// the place of the record's function when set.
struct BuiltinHooks {
  int16_t (*recognize)(const ImportSettings& settings, const char* fileName, const uint8_t* head,
                       int32_t headBytes) = nullptr;
  // A Viewer made with new, or null when the document cannot be read as this format.
  Viewer* (*make)(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info) = nullptr;
};

// One registration: a copy of the record with its own copies of the texts and bytes it
// pointed at, and the file name patterns.
struct ViewerEntry {
  lxrViewerInfo info{};  // null functions replaced by stubs; pointers into the fields below
  std::string signature;
  std::string filenamePattern;
  std::string description;
  std::string nonDocumentDescription;
  std::vector<std::string> patterns;  // at most ViewerTable::kMaxPatterns
  bool hasMakeImport = false;         // the record gave makeImport
  bool hasMakeViewer = false;         // the record gave makeViewer
  bool fallbackCopy = false;          // the file type table leaves this one alone
  BuiltinHooks hooks;
};

// What recognition looks at: the file's name without its folder, its first bytes (at most
// LXR_VIEWER_HEAD_BYTES) and, for signatures further in, the source itself.
struct FileProbe {
  std::string name;
  std::string head;
  ByteSource* source = nullptr;  // may be null: then only the head is looked at
};

// Threads: the registry is filled at start-up and read afterwards, by any number of threads at
// once (recognition and the viewer makers keep no state of their own).
// The engine owns one, filled with the built-in formats, the external viewers and the file
// type table, and sets its import settings from the engine's options.
class ViewerTable {
 public:
  static constexpr size_t kMaxPatterns = 20;
  static constexpr int32_t kDefaultBlockSize = 2048;
  static constexpr int32_t kMaxBlockSize = 1 << 20;  // larger sizes are cut to this
  static constexpr int kMaxScore = 100;

  ViewerTable() = default;
  ViewerTable(const ViewerTable&) = delete;
  ViewerTable& operator=(const ViewerTable&) = delete;

  // Copies `info` into a new entry at the head of the list: the pattern set is made from
  // filenamePattern, block size 0 (or below) becomes 2048, empty descriptions become
  // messages 183 and 184, and null functions become stubs that trace "WARNING: Null viewer
  // api function called -- " and the function's name and fail. A `fallbackCopy` is left
  // alone by the file type table. Returns the new count, or -1 for a record without a name
  // (nothing added).
  int add(const lxrViewerInfo& info, bool fallbackCopy = false, const BuiltinHooks& hooks = {});
  // Removes every entry.
  void clear();
  int count() const { return static_cast<int>(entries_.size()); }
  // The entries, newest first.
  const std::vector<std::unique_ptr<ViewerEntry>>& entries() const { return entries_; }

  // The newest entry whose name equals `name` without regard to case, or null. The pointer
  // stays valid until the entry is removed.
  const ViewerEntry* findByName(const std::string& name) const;

  // The file type table: every entry named `name` (the Ansi fallback excepted) gets the
  // patterns (at most kMaxPatterns) and the name confidence. Returns the number of entries
  // changed, 0 when no entry has the name.
  int assignPatterns(const std::string& name, const std::vector<std::string>& patterns,
                     int32_t confidence);

  // The score 0..100 of `entry` for the file.
  int score(const ViewerEntry& entry, const FileProbe& probe) const;
  // The probe of a source: its name without the folder and its first bytes. -1 when the
  // first bytes cannot be read.
  static int probe(ByteSource& source, FileProbe* out);

  // Chooses the format of the document and makes its viewer: an entry scoring 100 is tried as
  // soon as it is met (in list order); then the other positive scores, highest first and the
  // earliest met among equals. The viewer's file information holds the source's size and
  // date and the entry's type. Null when no viewer could be made; `chosen` (when given) is
  // set to the entry on success only. The viewer reads `source`, which must outlive it.
  std::unique_ptr<Viewer> makeViewer(ByteSource& source, const ViewerEntry** chosen = nullptr) const;
  // The entry makeViewer tries first for the document: the first met that scores 100, else the
  // highest score, the earliest met among equals. Null when none scores or the first bytes
  // cannot be read. Nothing is made.
  const ViewerEntry* firstChoice(ByteSource& source) const;
  // Makes the viewer of one entry; null when it cannot be made.
  std::unique_ptr<Viewer> makeViewerOf(const ViewerEntry& entry, ByteSource& source) const;

  // The options the built-in importers follow (the defaults until set).
  const ImportSettings& settings() const { return settings_; }
  void setSettings(ImportSettings settings) { settings_ = std::move(settings); }

 private:
  std::vector<std::unique_ptr<ViewerEntry>> entries_;
  ImportSettings settings_;
};
