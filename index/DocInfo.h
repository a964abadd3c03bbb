// DocInfo: one document's record of the document table (INDEX_D.IX), in memory; its field
// definitions, reading and writing a record (relative paths, the "Map" object holding the
// import map), and the dictionary keys that lead from a file name to its id (the name key,
// kind 1) and from a folder to its id (the folder key, kind 2). Saved search results use the
// same record layout with two more fields. Depends on index/TextDB and below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/Vlrfile.h"
#include "objects/DosDateTime.h"

class TextDB;

// A file found for indexing, as the file walk describes it.
struct FoundFile {
  std::string name;          // full name; for a container member "ARCHIVE/MEMBER"
  std::string displayName;   // empty when none
  dosdate::DosDateTime modDate = 0;
  dosdate::DosDateTime foundDate = 0;
  int32_t size = 0;
  bool isMember = false;     // `name` is a container member path
  std::string memberName;    // the member's name inside the container (when isMember)
};

// Threads: one user at a time. Holds no files.
class DocInfo {
 public:
  static constexpr size_t kNameKeyBytes = 260;   // the name key, terminator included
  static constexpr size_t kInitialTitleBytes = 80;
  static constexpr int kDocFieldCount = 13;      // definitions of the document table
  static constexpr int kResultFieldCount = 15;   // definitions of a results list
  static constexpr int kStoredDocFields = 12;    // fields a document table record holds
  // Record field numbers (definition k is record field k - 1).
  enum Field {
    kFileName = 0, kDisplayName, kShortName, kTitle, kModDate, kFileSize, kWordCount, kDocId,
    kPathId, kMapPtr, kSubDocCt, kCancelVer, kHitPtr, kHitCount, kScore
  };
  static constexpr const char* kMapObjectName = "Map";

  DocInfo();

  // Defines the 13 fields of the document table (15 with `results`) on a new record file.
  // 0 or -1 (see vlrFile::defineFields).
  static int defineFields(vlrFile& table, bool results = false);
  // Creates (emptying) the record file `name` with its record index and these fields.
  // 0 or -1 (nothing stays open).
  static int createTable(vlrFile& table, const std::string& name, bool results = false);

  // Empties every field.
  void clear();

  // Reads record `id` of the index's document table: every field, the cancelled flag
  // (CancelVer not 0 and not above the index's write count), the import map (with
  // `loadMap`), and with relative paths the file name made absolute from the document root.
  // 0; -1 when the record is missing or unreadable, and the DocInfo is then cleared.
  int read(TextDB& db, int32_t id, bool loadMap = true);
  // The same on any record file (a results list passes `results`).
  int readRecord(vlrFile& table, int32_t id, int32_t writeCount, const std::string& docRoot,
                 bool relative, bool loadMap, bool results = false);

  // Writes this document as record `id` of the index's document table: DocId = id, the file
  // name stored relative to the document root with relative paths, DisplayName empty when
  // equal to FileName, the import map as a "Map" object at the end of the file (kept where
  // it is when unchanged since read). An existing record is rewritten in place (its old
  // bytes saved in the index's recovery record first); a new one is appended. 0, or -1 when
  // the table is not open for writing, the record would not fit its slot, or a write failed.
  int write(TextDB& db, int32_t id);
  // The same on any record file, without a recovery record (a results list).
  int writeRecord(vlrFile& table, int32_t id, const std::string& docRoot, bool relative,
                  bool results = false);

  // The id of a folder (dictionary kind 2). When absent and the index is open for writing,
  // the header's path count goes up by one and becomes the new folder's id. The id, or -1
  // when absent (and not added) or the dictionary is not open.
  static int32_t folderId(TextDB& db, const std::string& folder);
  // The folder key of a folder: made relative to the document root with relative paths
  // ("." for the root itself), upper-cased.
  static std::string folderKey(const TextDB& db, const std::string& folder);

  // Looks up the document of `fullName` through its folder and name keys and reads its
  // record (cancelled or not). 0 when found; -1 when the folder or the name is not in the
  // dictionary, or the record found belongs to a file whose name differs (letter case):
  // this DocInfo is then cleared. Never adds a folder.
  int findByName(TextDB& db, const std::string& fullName);
  // Inserts the name key with DocId (kind 1). When the key already names a live document of
  // another file (a name that differs only in letter case, which a Linux folder can hold),
  // the exact name key is inserted instead, so that neither file takes the other's place.
  // 0 or -1.
  int addName(TextDB& db);
  // The name key: PathId as four upper-case hex digits, then ShortName upper-cased; cut to
  // 259 bytes.
  std::string nameKey() const;
  // The exact name key of the second of two such files: PathId's four digits, "/" (never part
  // of a file name, so never of a name key), then ShortName as it is; cut the same way.
  std::string exactNameKey() const;

  // Takes the name, display name, short name, dates and size of a found file.
  void setFromFile(const FoundFile& file);

  std::string fileName;
  std::string displayName;
  std::string shortName;
  std::string title;
  dosdate::DosDateTime modDate = 0;
  dosdate::DosDateTime foundDate = 0;  // from the file walk; not stored
  int32_t fileSize = 0;
  int32_t mapPtr = 0;
  std::string importMap;               // opaque bytes built by the importers
  int32_t wordCount = 0;
  int32_t docId = 0;
  int32_t pathId = 0;
  int32_t cancelVer = 0;
  int32_t subDocCount = 0;
  bool cancelled = false;
  bool isMemberPath = false;
  // Results lists only.
  int32_t hitPtr = 0;
  int32_t hitCount = 0;
  int32_t score = 0;

 private:
  int fillRecord(vlrFile& table, int32_t id, const std::string& docRoot, bool relative,
                 bool results);

  // The map as read, so that an unchanged map is not written again.
  std::string loadedMap_;
  int32_t loadedMapPtr_ = 0;
};
