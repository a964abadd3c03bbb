#include "search/SearchResultsWriter.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "search/BestNFilter.h"
#include "objects/MessageTable.h"
#include "objects/Reporter.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace {

constexpr int kUnsorted = 1;
constexpr int32_t kWholeReadBytes = 16 << 20;
constexpr int kAscending = 2;
constexpr int kByName = 4;
constexpr int kByDate = 8;
constexpr int32_t kCounts = 1, kHits = 2, kDetail = 32, kHeader = 1024, kAppend = 2048;

std::string timeText(std::time_t t) {
  std::tm tm{};
  if (!platform::localTime(t, &tm)) return "?";
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

}  // namespace

std::string SearchResultsWriter::nextFreeName(const std::string& folder, const std::string& pattern) {
  size_t star = pattern.find('*');
  for (long n = 1; n < 1000000; ++n) {
    std::string name = folder + "/" + pattern.substr(0, star) + std::to_string(n) + pattern.substr(star + 1);
    if (!platform::fileExists(name.c_str())) return name;
  }
  return folder + "/" + pattern.substr(0, star) + "0" + pattern.substr(star + 1);
}

SearchResultsWriter::SearchResultsWriter(ResultsJob& job) : job_(job) {
  if (job_.resultsName.find_first_not_of(" \t") == std::string::npos)
    job_.resultsName = nextFreeName(job_.workFolder, "SRCH*.DAT");
  if (file_.create(job_.resultsName) < 0) {
    createFailure_ = job_.resultsName + " (" + platform::errorText(platform::lastError()) + ")";
    trace::line("SearchResultsWriter: the results file %s cannot be made", job_.resultsName.c_str());
    failed_ = true;
    return;
  }
  if (job_.bestN <= 0) return;
  if (job_.itemStore) {
    best_ = std::make_unique<MemBestNFilter>(job_.bestN, *job_.itemStore);
    return;
  }
  auto disk = std::make_unique<DiskBestNFilter>(job_.bestN, job_.workFolder);
  if (disk->ready()) best_ = std::move(disk);
  else failed_ = true;
}

SearchResultsWriter::~SearchResultsWriter() {
  best_.reset();
  file_.close();
}

int SearchResultsWriter::add(ResultsItem& item) {
  trace::line("SearchResultsWriter::add %s", item.doc.fileName.c_str());
  ++documents_;
  totalHits_ += static_cast<int64_t>(item.hits.size());
  if (documents_ == 1 || item.doc.score > highScore_) highScore_ = item.doc.score;
  if (failed_) return -1;
  if (best_) return best_->add(item) < 0 ? (failed_ = true, -1) : 0;
  return file_.add(item) < 0 ? (failed_ = true, -1) : 0;
}

void SearchResultsWriter::count(int32_t hits) {
  ++documents_;
  totalHits_ += hits;
}

int32_t SearchResultsWriter::scoreBar() const { return best_ ? best_->bar() : INT32_MIN; }

int SearchResultsWriter::effectiveSortType() const {
  int type = job_.sortType;
  if (type == 0) type = job_.getSortType ? job_.getSortType() : kUnsorted;
  return type;
}

int SearchResultsWriter::sort() {
  const int type = effectiveSortType();
  if (type == kUnsorted || type == 0 || file_.count() < 2) return 0;
  struct Key {
    int64_t value;
    std::string name;
    int32_t record;
  };
  std::vector<Key> keys;
  ResultsItem item;
  // Read back through a read-only open, from a map of the file, so the second pass's jumps
  // cost no reads; where it cannot be mapped, a file of up to 16 MB is read whole and a
  // larger one in growing blocks over the first pass.
  if (file_.close() < 0 || file_.open(job_.resultsName, false) < 0) return -1;
  if (file_.mapWhole() < 0) file_.holdWhole(kWholeReadBytes);
  for (int32_t n = 0; n < file_.count(); ++n) {
    if (file_.read(n, &item) < 0) return -1;
    int64_t value = (type & kByName) ? 0 : (type & kByDate) ? item.doc.modDate : item.doc.score;
    keys.push_back(Key{value, item.doc.shortName, n});
  }
  const bool ascending = (type & kAscending) != 0;
  const bool byName = (type & kByName) != 0;
  std::stable_sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
    if (byName) return ascending ? a.name < b.name : b.name < a.name;
    if (a.value != b.value) return ascending ? a.value < b.value : a.value > b.value;
    return a.name < b.name;  // the name breaks ties, always ascending
  });
  // The items stay where they are; a new record index lists them in the sorted order.
  std::vector<int32_t> order;
  order.reserve(keys.size());
  for (const Key& k : keys) order.push_back(k.record);
  if (file_.reorder(order) < 0) return -1;
  return file_.open(job_.resultsName, true);
}

int SearchResultsWriter::finish() {
  if (failed_) return -1;
  if (best_ && best_->flush(file_) < 0) return (failed_ = true, -1);
  if (sort() < 0) return (failed_ = true, -1);
  ResultsHeader h;
  h.request = job_.request;
  h.totalHits = static_cast<int32_t>(std::min<int64_t>(totalHits_, INT32_MAX));
  h.documents = file_.count();
  h.highScore = highScore_;
  h.searchTime = static_cast<int32_t>(job_.searchTime);
  if (file_.writeHeader(h) < 0 || file_.close() < 0) return (failed_ = true, -1);
  return file_.open(job_.resultsName, false);
}

int SearchResultsWriter::writeListing() {
  if (job_.listingName.find_first_not_of(" \t") == std::string::npos) return 0;
  const int32_t flags = job_.listingFlags;
  std::FILE* out = std::fopen(job_.listingName.c_str(), (flags & kAppend) ? "ab" : "wb");
  if (!out) {
    if (job_.reporter) job_.reporter->error(messages::text(kListingFailedMessage, {job_.listingName}));
    return -1;
  }
  if (flags & kHeader) {
    std::fprintf(out, "* Lexaurum Search Listing\n");
    std::fprintf(out, "* Search Request:   \"%s\"\n", job_.request.c_str());
    std::fprintf(out, "* Search Performed: %s\n", timeText(job_.searchTime).c_str());
    std::fprintf(out, "* Retrieved %d documents containing %lld hits\n", file_.count(),
                 static_cast<long long>(totalHits_));
  }
  ResultsItem item;
  for (int32_t n = 0; n < file_.count(); ++n) {
    if (file_.read(n, &item) < 0) break;
    if (flags & (kCounts | kDetail)) std::fprintf(out, "%5ld ", static_cast<long>(item.doc.hitCount));
    // A member of a container is listed by its container's path.
    std::string name = item.doc.fileName;
    if (item.doc.isMemberPath) {
      while (!name.empty() && !platform::fileExists(name.c_str()) && name.rfind('/') != std::string::npos)
        name.resize(name.rfind('/'));
      if (name.empty()) name = item.doc.fileName;
    }
    std::fprintf(out, "%s\n", name.c_str());
    if (flags & (kHits | kDetail)) {
      std::fprintf(out, "     {");
      for (int32_t hit : item.hits) std::fprintf(out, "%d ", hit);
      std::fprintf(out, "}\n");
    }
  }
  bool ok = std::ferror(out) == 0;
  ok = std::fclose(out) == 0 && ok;
  return ok ? 0 : -1;
}
