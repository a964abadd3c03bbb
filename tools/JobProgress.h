// The progress of one index job as lxr shows it: a single bar for the whole job whose
// percentage only grows (checking, indexing and merging each take their share), the phase
// named beside it; and the words indexed, counted for the job's summary.
#pragma once

#include <cstdint>
#include <string>

namespace jobprogress {

class Tracker {
 public:
  // The engine's progress call-back; `data` is the Tracker.
  static void onIndexProgress(uintptr_t data, void* record);
  // The call-back of a verification.
  static void onVerifyProgress(uintptr_t data, void* record);

  int64_t wordsIndexed() const { return words_; }
  int shownPercent() const { return shown_; }

 private:
  void index(const void* record);
  void verify(const void* record);
  void show(int percent, const std::string& phase, const std::string& detail, bool force);

  int shown_ = 0;          // never goes down
  int fileBase_ = 0;       // the percentage of the bytes of the files finished
  int64_t words_ = 0;
  int64_t lastDrawMillis_ = -1000;
  std::string lastPhase_;
};

}  // namespace jobprogress
