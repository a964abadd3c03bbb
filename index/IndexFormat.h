// Constants of an index folder: the file type bits (their names are in
// index/IndexFileNames.h), the layout of the 863-byte index header (INDEX_I.IX) and the
// options file's title and keys. The page that draws them is docs/formats/index-files.md;
// the recovery record INDEX_X.IX is in index-journal.md.
// Constants only: no code, no dependencies.
#pragma once

#include <cstdint>

namespace indexformat {

// ---- File types: one bit each ----
constexpr uint32_t kKeyFile = 0x10;         // INDEX_K.IX, or the pending copy IXK<n>.IX
constexpr uint32_t kRefFile = 0x20;         // INDEX_R.IX
constexpr uint32_t kHeaderFile = 0x40;      // INDEX_I.IX
constexpr uint32_t kDocFile = 0x80;         // INDEX_D.IX
constexpr uint32_t kLockFile = 0x100;       // INDEX_U.IX
constexpr uint32_t kJournalFile = 0x200;    // INDEX_X.IX
constexpr uint32_t kDocIndexFile = 0x400;   // INDEX_DI.IX
constexpr uint32_t kNoiseFile = 0x800;      // INDEX_N.IX
constexpr uint32_t kFoldersFile = 0x1000;   // INDEX_L.IX
constexpr uint32_t kFiltersFile = 0x2000;   // INDEX_S.IX
constexpr uint32_t kReservedFile = 0x4000;  // INDEX_T.IX: opening it does nothing
constexpr uint32_t kOptionsFile = 0x8000;   // INDEX_O.IX
constexpr uint32_t kPFile = 0x20000;        // INDEX_P.IX (named only)
constexpr uint32_t kMFile = 0x40000;        // INDEX_M.IX (named only)
constexpr uint32_t kFFile = 0x80000;        // INDEX_F.IX (named only)
constexpr uint32_t kCancelFile = 0x100000;  // CNCL.TMP
constexpr uint32_t kMergeFile = 0x200000;   // MERGE.TMP
constexpr uint32_t kToIndexFile = 0x400000; // TOINDEX.TMP
constexpr uint32_t kFileListFile = 0x800000;// FILELIST.TMP
constexpr uint32_t kChecksumFile = 0x1000000;// INDEX_C.IX (index-checksums.md)

// The types open() handles, and everything close() may be asked for.
constexpr uint32_t kOpenableTypes =
    kKeyFile | kRefFile | kHeaderFile | kDocFile | kNoiseFile | kReservedFile;
constexpr uint32_t kAllTypes = 0xFFFFFFF0u;
// open() refuses a type set below this.
constexpr uint32_t kMinOpenTypes = 16;

constexpr const char* kLogName = "INDEXLOG.DAT";
constexpr const char* kOldLogName = "INDEXLOG.OLD";   // the log before, once it was full
constexpr const char* kWatcherName = "WATCHER.DAT";   // the state of a watcher (lxr watch)
constexpr const char* kHistoryName = "HISTORY.IX";
constexpr const char* kWorkFolder = "TMP";

// The leading text of the reference file, so that no list starts at position 0.
constexpr const char kRefFileText[] = "Lexaurum Index File (R)\r\n";
constexpr int32_t kRefFileTextBytes = sizeof kRefFileText - 1;

// The dictionary's key length, kind character included.
constexpr int kMaxKeyBytes = 512;
// Key kinds of the dictionary.
constexpr int kWordKind = 0;
constexpr int kNameKind = 1;
constexpr int kFolderKind = 2;

// ---- Index header: 863 bytes, little-endian, fields in this order ----
constexpr int32_t kVersionPos = 0;            // 2
constexpr int32_t kFormatMarkPos = 2;         // 4
constexpr int32_t kDocumentCountPos = 6;      // 4
constexpr int32_t kPathCountPos = 10;         // 4
constexpr int32_t kObsoleteCountPos = 14;     // 4
constexpr int32_t kSegmentCountPos = 18;      // 4
constexpr int32_t kReserved1Pos = 22;         // 24
constexpr int32_t kReserved1Bytes = 24;
constexpr int32_t kWordCountPos = 46;         // 4
constexpr int32_t kDocRootPos = 50;
constexpr int32_t kDocRootBytes = 512;
constexpr int32_t kIndexNamePos = 562;
constexpr int32_t kIndexNameBytes = 40;
constexpr int32_t kCreatedPos = 602;          // 4
constexpr int32_t kUpdatedPos = 606;          // 4
constexpr int32_t kCompressedPos = 610;       // 4
constexpr int32_t kInUsePos = 614;            // 1
constexpr int32_t kWriterPos = 615;
constexpr int32_t kWriterBytes = 31;
constexpr int32_t kVersionTagPos = 646;
constexpr int32_t kVersionTagBytes = 32;
constexpr int32_t kFlagsPos = 678;
constexpr int32_t kFlagsBytes = 15;
constexpr int32_t kWriteCountPos = 693;       // 4
constexpr int32_t kPendingDictionaryPos = 697;// 4
constexpr int32_t kReserved2Pos = 701;
constexpr int32_t kReserved2Bytes = 161;
constexpr int32_t kReservedBytePos = 862;     // 1
constexpr int32_t kHeaderBytes = 863;

// Flag bytes.
constexpr int kFlagIgnoreAccents = 1;
constexpr int kFlagIgnoreCase = 2;
constexpr int kFlagRelativePaths = 3;
constexpr int kFlagValid = 4;

constexpr int16_t kVersion = 412;
constexpr int32_t kFormatMark = 411;
// An index opens when version / kVersionFamilyDivisor == kVersionFamily.
constexpr int kVersionFamilyDivisor = 100;
constexpr int kVersionFamily = 4;
constexpr const char* kVersionTag = "Lexaurum_4";

// ---- Options file (a table file) ----
constexpr const char* kOptionsTitle = "Lexaurum Index Options";
constexpr const char* kOptName = "Name";
constexpr const char* kOptDocRoot = "DocRoot";
constexpr const char* kOptRelativePaths = "RelativePaths";
constexpr const char* kOptCaseSensitive = "CaseSensitive";
constexpr const char* kOptAccentSensitive = "AccentSensitive";
// The text model: "Unicode" (words are UTF-8); absent in indexes of the code-page model,
// whose options file stays as it always was.
constexpr const char* kOptTextModel = "TextModel";
constexpr const char* kTextModelUnicode = "Unicode";

// The index folder's longest name.
constexpr size_t kMaxFolderBytes = 256;

}  // namespace indexformat
