// The names of the files of an index folder, by their type bit (index/IndexFormat.h): the one
// table the engine, the lxr tool, the interface and the fuzzers name index files from, and
// the names of the dictionary's pending copies. Depends on index/IndexFormat.h and, for two
// names kept in the well-known list, objects/WellKnownFiles.
#pragma once

#include <cstdint>
#include <string>

#include "index/IndexFormat.h"
#include "objects/WellKnownFiles.h"

namespace indexfiles {

struct FileName {
  uint32_t type;      // one type bit
  const char* name;   // null when the name is the well-known file `wellKnownKind`
  int wellKnownKind;  // a wellknown::Kind, or 0
};

// Every named file of an index folder. The dictionary's pending copies are named by
// keyCopyName(). The work files of an index run (TOINDEX.TMP and FILELIST.TMP) take their
// names from the well-known list.
inline constexpr FileName kFileNames[] = {
    {indexformat::kKeyFile, "INDEX_K.IX", 0},      {indexformat::kRefFile, "INDEX_R.IX", 0},
    {indexformat::kHeaderFile, "INDEX_I.IX", 0},   {indexformat::kDocFile, "INDEX_D.IX", 0},
    {indexformat::kLockFile, "INDEX_U.IX", 0},     {indexformat::kJournalFile, "INDEX_X.IX", 0},
    {indexformat::kDocIndexFile, "INDEX_DI.IX", 0}, {indexformat::kNoiseFile, "INDEX_N.IX", 0},
    {indexformat::kFoldersFile, "INDEX_L.IX", 0},  {indexformat::kFiltersFile, "INDEX_S.IX", 0},
    {indexformat::kReservedFile, "INDEX_T.IX", 0}, {indexformat::kOptionsFile, "INDEX_O.IX", 0},
    {indexformat::kChecksumFile, "INDEX_C.IX", 0}, {indexformat::kPFile, "INDEX_P.IX", 0},
    {indexformat::kMFile, "INDEX_M.IX", 0},        {indexformat::kFFile, "INDEX_F.IX", 0},
    {indexformat::kCancelFile, "CNCL.TMP", 0},     {indexformat::kMergeFile, "MERGE.TMP", 0},
    {indexformat::kToIndexFile, nullptr, wellknown::kToIndex},
    {indexformat::kFileListFile, nullptr, wellknown::kFileList},
};

// The fixed name of the file of `type`, for constants and tables: null for a type that is
// not one bit of the table, or whose name comes from the well-known list.
constexpr const char* nameOf(uint32_t type) {
  for (const FileName& f : kFileNames)
    if (f.type == type) return f.name;
  return nullptr;
}

// The bare name of the file of `type` (the main dictionary INDEX_K.IX for kKeyFile). For a
// type that names no file (no bit, several bits, an unknown bit), traces
// "ERROR Illegal index file type: <type>" and returns "".
std::string bareName(uint32_t type);

// folder + "/" + bareName(type); "" when the type names no file.
std::string path(const std::string& folder, uint32_t type);

// The bare name of dictionary copy n, "IXK<n>.IX". Requires: n > 0.
std::string keyCopyName(long n);

// The n of a bare name "IXK<n>.IX" (n in decimal digits); -1 for any other name and for
// an n too large to be a copy's.
long keyCopyNumber(const std::string& name);

}  // namespace indexfiles
