// IndexProgress: the progress of an index job (index, compression, verification) as the job
// reports it through its JobControl: the status code, the phase and percentage, the counts
// and sizes, and the file at hand. The engine interface copies it into its own record for
// the caller. Depends on objects/JobControl only.
#pragma once

#include <cstdint>
#include <string>

#include "objects/JobControl.h"

// The status codes of index jobs; the engine interface hands callers the same numbers.
namespace progresscode {
constexpr int32_t kCheckingFiles = 3004;
constexpr int32_t kDocBegin = 3007;
constexpr int32_t kDocWords = 3008;
constexpr int32_t kDocDone = 3009;
constexpr int32_t kOpenFailed = 3010;
constexpr int32_t kBinarySkipped = 3011;
constexpr int32_t kMerging = 3012;
constexpr int32_t kCompressing = 3013;
constexpr int32_t kVerifying = 3014;
constexpr int32_t kSortBegin = 4003;
constexpr int32_t kSortEnd = 4004;
}  // namespace progresscode

struct IndexProgress {
  int32_t statusCode = 0;  // 3004, 3007..3014, 4003, 4004
  int32_t phase = 0;       // 1 begin .. 8 done
  int32_t percentDone = 0;
  int32_t filesSelected = 0, filesChecked = 0, filesToIndex = 0, filesIndexed = 0;
  int32_t binaryFilesSkipped = 0, openFailures = 0, encryptedFilesSkipped = 0;
  // Documents whose extraction failed (listed in FAILED.DAT), documents passed over because
  // they failed before and have not changed, and files that hold no text (images, programs).
  int32_t failedDocuments = 0, failedUnchanged = 0, noTextSkipped = 0;
  int64_t bytesToIndex = 0;
  int64_t freeDiskKBytes = 0;
  int32_t fileSize = 0, bytesRead = 0, wordCount = 0;
  int32_t sorterBufferBytes = 0, mergeRoomBytes = 0, mergeFileBytes = 0, wordListBytes = 0;
  std::string fileName;  // the document at hand, without its folder
  std::string filePath;  // its folder
  std::string fileType;
  std::string errorText;
};

using IndexJobControl = JobControl<IndexProgress>;
