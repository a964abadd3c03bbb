// The listings of a job script's LIST command.
#include "api/ScriptListings.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "api/ErrorReporter.h"
#include "lexaurum/lexaurum.h"
#include "platform/Platform.h"

namespace script {

namespace {

void addf(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void addf(std::string* out, const char* format, ...) {
  char buffer[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  *out += buffer;
}

std::string dateText(const lxrDate& d) {
  if (d.century == 0 && d.year == 0 && d.month == 0) return "never";
  char text[80];
  std::snprintf(text, sizeof text, "%02u%02u-%02u-%02u %02u:%02u:%02u", d.century, d.year,
                d.month, d.day, d.hour, d.minute, d.second);
  return text;
}

// The last line the engine reported, for a failure the interface gives no reason for.
std::string lastReported(const std::string& fallback) {
  std::string all = apierror::accumulatedText();
  while (!all.empty() && all.back() == '\n') all.pop_back();
  size_t nl = all.rfind('\n');
  std::string last = nl == std::string::npos ? all : all.substr(nl + 1);
  return last.empty() ? fallback : last;
}

struct DocumentSink {
  std::string* out;
  int flags;
  int32_t count = 0;
};

int onDocument(uintptr_t data, const lxrDocumentInfo* doc) {
  auto* sink = reinterpret_cast<DocumentSink*>(data);
  std::string* out = sink->out;
  ++sink->count;
  if (sink->flags & kListCount) addf(out, "%8d ", doc->wordCount);
  if (sink->flags & kListDate) addf(out, "%s ", doc->modDate);
  addf(out, "%s%s\n", doc->fileName, doc->cancelled ? "  (removed)" : "");
  if (sink->flags & kListDetail)
    addf(out, "     Id: %d  Size: %d  Words: %d  Date: %s  Title: %s\n", doc->docId,
         doc->fileSize, doc->wordCount, doc->modDate, doc->title);
  return 0;
}

struct WordSink {
  std::string* out;
  int flags;
  int32_t count = 0;
};

int onWord(uintptr_t data, const char* word, int32_t occurrences, int32_t documents) {
  auto* sink = reinterpret_cast<WordSink*>(data);
  ++sink->count;
  if (sink->flags & kListDetail)
    addf(sink->out, "%8d %8d %s\n", occurrences, documents, word);
  else if (sink->flags & kListCount)
    addf(sink->out, "%8d %s\n", occurrences, word);
  else
    addf(sink->out, "%s\n", word);
  return 0;
}

}  // namespace

int listInfo(const std::string& indexPath, int flags, std::string* out, std::string* error) {
  lxrIndexInfo info;
  LXR_INIT_RECORD(info);
  int16_t result = 0;
  if (lxrsGetIndexInfo(indexPath.c_str(), &info, &result) < 0) {
    *error = lastReported("Unable to read the index " + indexPath);
    return -1;
  }
  if (flags & kListHeader) addf(out, "* Lexaurum Index Information\n");
  addf(out, "Index name:        %s\n", info.indexName);
  addf(out, "Index path:        %s\n", indexPath.c_str());
  addf(out, "Documents:         %d\n", info.documents);
  addf(out, "Removed documents: %d\n", info.obsolete);
  addf(out, "Folders:           %d\n", info.paths);
  addf(out, "Words:             %d\n", info.words);
  addf(out, "Fragmentation:     %d\n", info.fragmentation);
  addf(out, "Case sensitive:    %s\n", info.caseSensitive ? "Yes" : "No");
  addf(out, "Accent sensitive:  %s\n", info.accentSensitive ? "Yes" : "No");
  addf(out, "Relative paths:    %s\n", info.relativePaths ? "Yes" : "No");
  addf(out, "Created:           %s\n", dateText(info.created).c_str());
  addf(out, "Updated:           %s\n", dateText(info.updated).c_str());
  addf(out, "Compressed:        %s\n", dateText(info.compressed).c_str());
  addf(out, "Index bytes:       %d\n", info.indexBytes);
  return 0;
}

int listFiles(const std::string& indexPath, int flags, std::string* out, std::string* error) {
  std::string body;
  DocumentSink sink{&body, flags};
  int16_t result = 0;
  if (lxrsListDocuments(indexPath.c_str(), (flags & kListCancelled) ? 1 : 0, onDocument,
                        reinterpret_cast<uintptr_t>(&sink), &result) < 0) {
    *error = lastReported("Unable to read the index " + indexPath);
    return -1;
  }
  if (flags & kListHeader) {
    addf(out, "* Lexaurum Document Listing\n");
    addf(out, "* Index: %s\n", indexPath.c_str());
    addf(out, "* %d documents\n", sink.count);
  }
  *out += body;
  return 0;
}

int listWords(const std::string& indexPath, int flags, const std::string& pattern,
              std::string* out, std::string* error) {
  std::string body;
  WordSink sink{&body, flags};
  int16_t result = 0;
  if (lxrsListWords(indexPath.c_str(), pattern.c_str(), 0, onWord,
                    reinterpret_cast<uintptr_t>(&sink), &result) < 0) {
    *error = lastReported("Unable to read the index " + indexPath);
    return -1;
  }
  if (flags & kListHeader) {
    addf(out, "* Lexaurum Word Listing\n");
    addf(out, "* Index: %s\n", indexPath.c_str());
    if (!pattern.empty()) addf(out, "* Words matching: %s\n", pattern.c_str());
    addf(out, "* %d words\n", sink.count);
  }
  *out += body;
  return 0;
}

int listText(const std::string& document, const std::string& scratchFile, std::string* out,
             std::string* error) {
  int16_t result = 0;
  if (lxrsDoGetFileText(document.c_str(), scratchFile.c_str(), &result) < 0) {
    platform::removeFile(scratchFile.c_str());
    *error = lastReported("Unable to read the document " + document);
    return -1;
  }
  std::FILE* f = std::fopen(scratchFile.c_str(), "rb");
  if (!f) {
    *error = "Unable to read the document " + document;
    return -1;
  }
  char buffer[8192];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out->append(buffer, n);
  std::fclose(f);
  platform::removeFile(scratchFile.c_str());
  if (!out->empty() && out->back() != '\n') *out += '\n';
  return 0;
}

void memoryReport(std::string* out) {
  platform::MemoryUse use;
  if (platform::memoryUse(&use) < 0) {
    *out += "Memory use: unknown\n";
    return;
  }
  addf(out, "Memory in use:      %lld KB\n", static_cast<long long>(use.residentBytes / 1024));
  addf(out, "Most memory in use: %lld KB\n", static_cast<long long>(use.peakResidentBytes / 1024));
  addf(out, "Address space:      %lld KB\n", static_cast<long long>(use.virtualBytes / 1024));
}

void environmentReport(std::string* out) {
  for (const std::string& v : platform::environment()) *out += v + "\n";
}

}  // namespace script
