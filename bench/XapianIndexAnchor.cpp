// Indexing anchor: Xapian indexes the files of a corpus with word positions, one document per
// file with the file's path as its data, then commits. Prints the time, documents, bytes of
// text and the database's size on disk, so the indexing benchmark can set our indexer against
// a well-known positional inverter on the same files and machine.
//
// Words: by default Xapian's own TermGenerator with no stemmer (Unicode word characters, lower
// case). With --our-words the file is split with our word finder's class tables and each word
// mapped through our alphabet and cut at 32 bytes, as the indexer does, and added with its
// position; the words are then ours and only the inverter is Xapian's.
//
// Usage: XapianIndexAnchor CORPUS_FOLDER DATABASE_FOLDER [--our-words]
// Output (last line, for scripts): docs=N bytes=N seconds=S index_bytes=N words=N
#include <xapian.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BareSplit.h"
#include "bench/CorpusFiles.h"
#include "import/TextFormat.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kOurMaxWordBytes = 32;      // the indexer's default word length cut
constexpr size_t kXapianMaxTermBytes = 240;  // Xapian refuses terms past 245 bytes

struct Totals {
  long long docs = 0;
  long long bytes = 0;
  long long words = 0;
  long long unreadable = 0;
};

// Adds the words of `text` split as our indexer splits them, each at its word position.
long long addOurWords(const std::string& text, Xapian::Document* doc) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  Xapian::termpos pos = 0;
  return baresplit::forEachWord(bytes, text.size(), [&](size_t start, size_t length) {
    textformat::WordSpan span{static_cast<int>(start), static_cast<int>(length)};
    std::string word = textformat::wordText(Alphabet::builtIn(), bytes, span, kOurMaxWordBytes);
    ++pos;
    if (!word.empty() && word.size() <= kXapianMaxTermBytes) doc->add_posting(word, pos);
  });
}

int run(const std::string& corpus, const std::string& dbPath, bool ourWords, Totals* totals) {
  std::vector<std::string> files = corpusfiles::list(corpus);
  if (files.empty()) {
    std::fprintf(stderr, "XapianIndexAnchor: no files under %s\n", corpus.c_str());
    return -1;
  }
  Xapian::WritableDatabase db(dbPath, Xapian::DB_CREATE_OR_OVERWRITE);
  Xapian::TermGenerator generator;  // no stemmer: terms are the words as they are, lower case
  std::string text;
  for (const std::string& f : files) {
    long long got = corpusfiles::readWhole(f, &text);
    if (got < 0) {
      ++totals->unreadable;
      continue;
    }
    Xapian::Document doc;
    if (ourWords) {
      totals->words += addOurWords(text, &doc);
    } else {
      generator.set_document(doc);
      generator.index_text(text);  // with positions
    }
    doc.set_data(f);
    db.add_document(doc);
    ++totals->docs;
    totals->bytes += got;
  }
  db.commit();
  db.close();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: XapianIndexAnchor CORPUS_FOLDER DATABASE_FOLDER [--our-words]\n");
    return 2;
  }
  bool ourWords = argc > 3 && std::strcmp(argv[3], "--our-words") == 0;
  Totals totals;
  auto start = Clock::now();
  int rc = -1;
  try {
    rc = run(argv[1], argv[2], ourWords, &totals);
  } catch (const Xapian::Error& e) {
    std::fprintf(stderr, "XapianIndexAnchor: %s\n", e.get_description().c_str());
    return 1;
  }
  if (rc < 0) return 1;
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  long long indexBytes = corpusfiles::folderBytes(argv[2]);
  std::printf("Xapian %s (%s words): %lld documents, %.1f MB in %.2f s = %.2f MB/s; database %.1f MB (%.0f%% of text)",
              XAPIAN_VERSION, ourWords ? "our" : "TermGenerator", totals.docs, totals.bytes / 1e6, seconds,
              seconds > 0 ? totals.bytes / 1e6 / seconds : 0.0, indexBytes / 1e6,
              totals.bytes > 0 ? 100.0 * indexBytes / totals.bytes : 0.0);
  if (totals.unreadable) std::printf("; %lld files unreadable", totals.unreadable);
  std::printf("\ndocs=%lld bytes=%lld seconds=%.3f index_bytes=%lld words=%lld\n", totals.docs, totals.bytes,
              seconds, indexBytes, totals.words);
  return 0;
}
