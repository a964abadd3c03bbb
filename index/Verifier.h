// Verifier: reads a whole index and checks that its dictionary, document table and
// reference file agree with each other and are in the order searches rely on: folder keys,
// name keys against their documents, words in strict order, and every reference chain with
// document ids running downwards within the document count and word numbers in order.
// First it compares every file with the checksum file INDEX_C.IX, which catches a changed
// byte that no structure check reads. It changes nothing and stops at the first fault,
// naming it. Callers derive from it to show progress or to stop it. Depends on index/
// (TextDB, IndexChecksums, DocInfo, RefReader) and trie/.
#pragma once

#include <cstdint>
#include <string>

class Reporter;
class TextDB;

// Threads: one user at a time.
class Verifier {
 public:
  virtual ~Verifier() = default;

  // 0 when the index verified (message 62); -1 on the first fault (message 59 with the
  // check line, also in the debug log), when the index cannot be opened (message 1), or
  // when stopped (no message). The messages go to `reporter` (null: none).
  int verify(const std::string& folder, Reporter* reporter = nullptr);

  // The check that failed ("Word: \"x\" Id out of order: 5 > 3"), empty after success.
  const std::string& failure() const { return failure_; }
  // Why the files were not compared with their checksums (no INDEX_C.IX: an index made
  // before there was one; or an update running meanwhile), empty when they were. Shown with
  // the result when there is a reporter.
  const std::string& note() const { return note_; }
  bool stoppedEarly() const { return stopped_; }
  int64_t itemsDone() const { return done_; }
  int64_t itemsTotal() const { return total_; }
  const std::string& currentItem() const { return item_; }

 protected:
  // After each item.
  virtual void reportProgress() {}
  // When a fault is found, before it is reported.
  virtual void reportFault(const std::string& checkLine) { (void)checkLine; }
  // Asked after each item; true stops the run.
  virtual bool pollStop() { return false; }

 private:
  bool item(const std::string& name);
  int fault(const std::string& line);
  int checksums(TextDB& db);
  int paths(TextDB& db);
  int documents(TextDB& db);
  int words(TextDB& db);

  std::string item_;
  std::string failure_;
  std::string note_;
  int64_t done_ = 0;
  int64_t total_ = 0;
  bool stopped_ = false;
  Reporter* reporter_ = nullptr;
};
