#include "api/IndexListing.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "api/ErrorReporter.h"
#include "import/Alphabet.h"
#include "index/DocInfo.h"
#include "index/LiveWordCounts.h"
#include "index/TextDB.h"
#include "index/Verifier.h"
#include "io/FileMode.h"
#include "objects/TextFields.h"
#include "search/WordIterator.h"
#include "trie/KeyFile.h"

using namespace indexformat;

namespace indexlisting {

namespace {

int openForReading(TextDB& db, const std::string& folder, uint32_t types, const char* what) {
  if (db.setDirectory(folder) < 0 || db.open(filemode::kRead, types) < 0)
    return apierror::report(what, folder, db.errorText());
  return 0;
}

// Progress of a verification through a job's call-back.
class JobVerifier : public Verifier {
 public:
  explicit JobVerifier(lxrJobBase* job) : job_(job) { progress_.structSize = sizeof progress_; }

 protected:
  void reportProgress() override {
    if (!job_ || !job_->pReportCallBack || (itemsDone() % 64 != 0 && itemsDone() != itemsTotal())) return;
    progress_.statusCode = LXR_PROGRESS_VERIFYING;
    progress_.percentDone = itemsTotal() > 0 ? static_cast<int32_t>(std::min<int64_t>(100, itemsDone() * 100 / itemsTotal())) : 100;
    textfields::copy(progress_.fileName, sizeof progress_.fileName, currentItem());
    job_->pReportCallBack(job_->pReportData, &progress_);
  }
  bool pollStop() override { return job_ && job_->cancelFlag != 0; }

 private:
  lxrJobBase* job_;
  lxrIndexProgressInfo progress_{};
};

}  // namespace

int verify(const std::string& folder, lxrJobBase* job, Reporter* reporter, std::string* failure) {
  JobVerifier v(job);
  int rc = v.verify(folder, reporter);
  *failure = v.stoppedEarly() ? "stopped" : v.failure();
  return rc;
}

bool isEngineWord(const std::string& word) {
  return word.empty() || word[0] == '!' || word.find('=') != std::string::npos ||
         word == "xfirstword" || word == "xlastword" || word == "XFIRSTWORD" || word == "XLASTWORD";
}

int listWords(const Alphabet& alphabet, const std::string& folder, const std::string& pattern,
              bool allWords, lxrWordListFn fn, uintptr_t data, const Stemmer* stemmer,
              const SearchMarkers& markers) {
  TextDB db;
  db.setBaseAlphabet(alphabet);
  if (openForReading(db, folder, kHeaderFile | kKeyFile | kDocFile | kRefFile, "ListWords") < 0) return -1;
  KeyFile& keys = db.keys();
  // The counts handed out are those of the documents still in the index, as a search finds
  // them: while removed documents wait for a compression, each word's list is counted.
  LiveWordCounts live;
  if (live.load(db) < 0) {
    db.close();
    db.unlock();
    return apierror::report("ListWords", folder, "the document table could not be read");
  }
  auto hand = [&](const char* word, int32_t filePos, int32_t occurrences, int32_t documents) {
    if (live.needed() && live.count(db, filePos, &occurrences, &documents) < 0) return -1;
    if (documents == 0) return 0;  // only in removed documents: a search cannot find it
    return fn(data, word, occurrences, documents) != 0 ? 1 : 0;
  };
  int rc = 0;
  if (!pattern.empty()) {
    // The pattern is folded as the index folds its words.
    const std::string operators = {markers.stemming, markers.phonic, markers.fuzzy, markers.synonym, '@', '?', '*', '(', ')'};
    std::string folded = db.alphabet().translateRequest(pattern, operators);
    WordIterator it(keys);
    WordHit hit;
    SearchMarkers wordMarkers = markers;
    wordMarkers.utf8 = db.alphabet().isUnicode();
    for (int got = it.first(folded, &hit, wordMarkers, stemmer); got != 0; got = it.next(&hit)) {
      if (got < 0) {
        rc = apierror::report("ListWords", folder, "the word list could not be read");
        break;
      }
      if (hit.id == 0 || (!allWords && isEngineWord(hit.word))) continue;
      int handed = hand(hit.word.c_str(), hit.id, hit.occurrences, hit.documents);
      if (handed < 0) {
        rc = apierror::report("ListWords", folder, "the references of " + hit.word + " could not be read");
        break;
      }
      if (handed > 0) break;
    }
  } else if (keys.first(kWordKind) == 0) {
    char key[kMaxKeyBytes + 1];
    do {
      if (keys.getKind() != kWordKind) break;
      TrieValue v;
      if (keys.getKey(key, sizeof key) < 0 || keys.getValue(&v) < 0) {
        rc = apierror::report("ListWords", folder, "the word list could not be read");
        break;
      }
      if (v.v[0] == 0 || (!allWords && isEngineWord(key))) continue;
      int handed = hand(key, v.v[0], v.v[1], v.v[2]);
      if (handed < 0) {
        rc = apierror::report("ListWords", folder, std::string("the references of ") + key + " could not be read");
        break;
      }
      if (handed > 0) break;
    } while (keys.next() == 0);
  }
  db.close();
  db.unlock();
  return rc;
}

int listDocuments(const std::string& folder, bool withCancelled, lxrDocumentListFn fn,
                  uintptr_t data) {
  TextDB db;
  if (openForReading(db, folder, kHeaderFile | kDocFile, "ListDocuments") < 0) return -1;
  const int32_t count = db.header().documentCount;
  DocInfo d;
  int rc = 0;
  for (int32_t id = 1; id <= count; ++id) {
    if (d.read(db, id, false) < 0) {
      rc = apierror::report("ListDocuments", folder, "document " + std::to_string(id) + " could not be read");
      break;
    }
    if (d.cancelled && !withCancelled) continue;
    lxrDocumentInfo info{};
    info.structSize = sizeof info;
    info.docId = id;
    info.fileSize = d.fileSize;
    info.wordCount = d.wordCount;
    info.cancelled = d.cancelled ? 1 : 0;
    textfields::copy(info.modDate, sizeof info.modDate, dosdate::text(d.modDate));
    textfields::copy(info.fileName, sizeof info.fileName, d.fileName);
    textfields::copy(info.title, sizeof info.title, d.title);
    if (fn(data, &info) != 0) break;
  }
  db.close();
  db.unlock();
  return rc;
}

}  // namespace indexlisting
