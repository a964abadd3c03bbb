// Creating an empty index.
#include "index/IndexMaker.h"

#include "index/DocInfo.h"
#include "index/IndexFormat.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "io/WholeFile.h"
#include "objects/MessageTable.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

using namespace indexformat;

namespace {
// A noise file longer than this is not copied (its first 1000 words lie far inside).
constexpr size_t kMaxNoiseFileBytes = 1u << 20;
}  // namespace

int IndexMaker::failWith(const std::string& text) {
  errorText_ = text;
  trace::line("IndexMaker::make() failed -- %s", text.c_str());
  return -1;
}

int IndexMaker::make(const IndexRequest& request) {
  errorText_.clear();
  trace::line("IndexMaker::make() %s", request.folder.c_str());
  if (platform::makeDirectories(request.folder.c_str()) < 0)
    return failWith(messages::text(1, {request.folder, "(" + platform::errorText(
                                                           platform::lastError()) + ")"}));
  if (TextDB::deleteIndex(request.folder, true) < 0)
    return failWith(messages::text(74, {request.folder}));
  if (request.forget) request.forget(request.folder);
  TextDB db;
  if (db.setDirectory(request.folder) < 0)
    return failWith(messages::text(1, {request.folder, "(folder name too long)"}));

  // A header must exist before the lock reads it.
  IndexHeader& h = db.header();
  h.initNew();
  h.indexName = request.name.substr(0, kIndexNameBytes - 1);
  h.created = static_cast<int32_t>(platform::now());
  h.writer = platform::userName().substr(0, kWriterBytes - 1);
  h.setFlags(!request.accentSensitive, !request.caseSensitive, request.relativePaths);
  h.unicode = request.unicode;
  IndexHeader fresh = h;
  if (db.writeHeader() < 0 || indexoptions::writeFile(db.fileName(kOptionsFile), h) < 0)
    return failWith(messages::text(1, {request.folder, "(the header cannot be written)"}));
  const int mode = filemode::kRead | filemode::kWrite | filemode::kCreate;
  if (db.lockIndex(mode) < 0) return failWith(db.errorText());
  // The lock counted one opening for writing; a new index starts at 1.
  h.writeCount = fresh.writeCount;

  vlrFile& docs = db.docTable();
  docs.clear();
  if (DocInfo::createTable(docs, db.fileName(kDocFile)) < 0 || docs.appendRecord() < 0 ||
      docs.close() < 0)
    return failWith(messages::text(1, {request.folder, "(document table)"}));

  KeyFile& keys = db.keys();
  if (db.saveWholeFile(kKeyFile) < 0) return failWith(db.errorText());
  if (keys.create(db.fileName(kKeyFile).c_str(), kMaxKeyBytes - 1) < 0 || keys.close() < 0)
    return failWith(messages::text(1, {request.folder, "(dictionary)"}));

  IOFile& refs = db.refFile();
  if (refs.open(db.fileName(kRefFile).c_str(), mode | filemode::kTruncate) < 0 ||
      refs.write(kRefFileText, kRefFileTextBytes) != kRefFileTextBytes || refs.close() < 0)
    return failWith(messages::text(1, {request.folder, "(reference file)"}));

  // The index keeps its own copy of the noise words it is made with. A noise file that
  // cannot be read only means no noise words, as when the index is opened without one.
  if (!request.noiseFile.empty()) {
    std::string noise;
    if (wholefile::read(request.noiseFile, &noise, kMaxNoiseFileBytes) < 0)
      trace::line("IndexMaker::make() -- no noise words: %s cannot be read",
                  request.noiseFile.c_str());
    else if (wholefile::write(db.fileName(kNoiseFile), noise) < 0)
      return failWith(messages::text(1, {request.folder, "(noise word list)"}));
  }

  if (db.unlock() < 0) return failWith(db.errorText());
  trace::line("IndexMaker::make() Done -- OK");
  return 0;
}
