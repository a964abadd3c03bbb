// WordSource: the indexer's view of one document: opens it through the importer registry,
// lays its text out in lines as wide as the layout allows, and hands out its words one by
// one, folded by the alphabet and cut to the longest indexed length, each with its word
// number. With hyphen mode 1 a hyphenated pair also yields its joined forms. The numbering
// is the text reader's, so hits found in the index land on the right words when shown.
// Depends on import/ (ImportFile, TextFormat, HyphenWords).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "import/HyphenWords.h"
#include "import/ImportFile.h"
#include "import/TextFormat.h"

// Threads: one user at a time.
class WordSource {
 public:
  // Documents are recognised with `table` and broken into words with `alphabet` (the open
  // index's); both must outlive the source.
  WordSource(const ViewerTable& table, const Alphabet& alphabet, int maxWordLength);
  ~WordSource();
  WordSource(const WordSource&) = delete;
  WordSource& operator=(const WordSource&) = delete;

  // Opens the document. 0, or -1 with errorText() set.
  int open(const std::string& name);
  void close();

  // The next word and its number: true, or false at the document's end (or when it can no
  // longer be read: failed() then says so).
  bool next(std::string* word, int32_t* number);

  const ViewerFileInfo& fileInfo() const { return doc_.fileInfo(); }
  // The document's container viewer when it is a container (a ZIP archive), else null.
  ContainerViewer* container() const { return doc_.container(); }
  // The recognised format's description ("Unknown" when there is none).
  std::string typeName() const;
  int64_t bytesRead() const { return doc_.textBytesRead(); }
  // The number of the last word handed out (0 before the first).
  int32_t lastNumber() const { return lastNumber_; }
  bool failed() const { return failed_; }
  const std::string& errorText() const { return doc_.errorText(); }

 private:
  bool fetch(std::string* word, long* number);
  bool nextLine();

  const Alphabet& alphabet_;
  ImportFile doc_;
  int maxWordLength_;
  std::unique_ptr<HyphenWords> hyphens_;
  ScreenLine line_;
  textformat::WordSpan spans_[textformat::kMaxWordsPerLine];
  int spanCount_ = 0;
  int spanNext_ = 0;
  int32_t spanNumber_ = 0;  // the number of spans_[spanNext_]
  int32_t lastNumber_ = 0;
  bool ended_ = false;
  bool failed_ = false;
};
