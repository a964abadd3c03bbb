// IndexJobRequest: what one index job is asked to do: which index, whether to make it, which
// files to add and which documents to remove, whether to compress it afterwards. The engine
// interface fills it from its job record. Depends on nothing.
#pragma once

#include <string>
#include <vector>

// Which files a job takes.
struct FileSpec {
  // File name patterns; each string may hold several, separated by blanks, commas or
  // semicolons.
  std::vector<std::string> includeFilters;
  std::vector<std::string> excludeFilters;
  std::string directory;          // walked with its subfolders; may be empty
  std::string directoryListName;  // a text file of folders, one a line; may be empty
  std::string filesListName;      // a text file of files, one a line; may be empty
};

struct IndexJobRequest {
  std::string indexName;  // the name a new index gets
  std::string indexPath;  // the index folder
  bool create = false;    // make the index first (replacing any the folder holds)
  bool add = false;       // add new and changed files of `toAdd`
  bool compress = false;  // rebuild without removed documents afterwards
  bool removeListed = false;   // remove the documents listed in toRemoveListName
  bool removeDeleted = false;  // remove the documents whose files are gone
  bool caseSensitive = false;  // for a new index
  bool accentSensitive = false;
  bool relativePaths = false;
  bool unicode = false;  // a new index has the Unicode text model
  FileSpec toAdd;
  std::string toRemoveListName;
  std::string tempFileDir;  // where work files go; empty: the index folder
};
