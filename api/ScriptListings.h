// What a job script's LIST command writes: an index's summary, its documents, its words, a
// document's text, the memory report and the environment, each as text lines. Listing flags:
// 1 counts, 32 detail, 256 removed documents too, 512 dates, 1024 a header first.
// Depends on the engine interface (include/lexaurum) and platform/.
#pragma once

#include <string>

namespace script {

constexpr int kListCount = 1;
constexpr int kListDetail = 32;
constexpr int kListCancelled = 256;
constexpr int kListDate = 512;
constexpr int kListHeader = 1024;
constexpr int kListAppend = 2048;

// Each appends its lines (every one ended by "\n") to *out: 0, or -1 with *error set.
int listInfo(const std::string& indexPath, int flags, std::string* out, std::string* error);
int listFiles(const std::string& indexPath, int flags, std::string* out, std::string* error);
int listWords(const std::string& indexPath, int flags, const std::string& pattern,
              std::string* out, std::string* error);
int listText(const std::string& document, const std::string& scratchFile, std::string* out,
             std::string* error);
void memoryReport(std::string* out);
void environmentReport(std::string* out);

}  // namespace script
