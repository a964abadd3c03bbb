// IndexMaker: creates a new, empty index in a folder: header, options file, document table
// with its empty record 0, dictionary and reference file. Depends on index/TextDB.
#pragma once

#include <functional>
#include <string>

// What the new index is to be.
struct IndexRequest {
  std::string folder;
  std::string name;             // the index name, at most 39 bytes
  bool caseSensitive = false;
  bool accentSensitive = false;
  bool relativePaths = false;
  bool unicode = false;  // the Unicode text model (else the code page of the alphabet)
  // The noise word file whose text becomes the index's INDEX_N.IX ("" for none; a file
  // that cannot be read leaves the index without noise words).
  std::string noiseFile;
  // Called with the folder once the index it held before is deleted (null: nothing to do);
  // the engine drops that index from its index library.
  std::function<void(const std::string& folder)> forget;
};

// Threads: one user at a time. Holds nothing between calls.
class IndexMaker {
 public:
  // Creates the folder (every missing level), deletes an index already there but keeps its
  // folders and filters files, and writes the new index; logs "IndexMaker::make() Done -- OK".
  // 0, or -1 with errorText() set (the folder may then hold a partial index, which the next
  // make replaces).
  int make(const IndexRequest& request);
  const std::string& errorText() const { return errorText_; }

 private:
  int failWith(const std::string& text);
  std::string errorText_;
};
