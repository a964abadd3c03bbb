// The index information record.
#include "api/IndexInfoRecord.h"

#include <cstring>
#include <ctime>

#include "index/TextDB.h"
#include "objects/TextFields.h"
#include "platform/Platform.h"

namespace indexinfo {

namespace {

lxrDate toDate(int32_t t) {
  lxrDate d{};
  std::tm tm{};
  if (t == 0 || !platform::localTime(static_cast<std::time_t>(t), &tm)) return d;
  int year = tm.tm_year + 1900;
  d.century = static_cast<uint8_t>(year / 100);
  d.year = static_cast<uint8_t>(year % 100);
  d.month = static_cast<uint8_t>(tm.tm_mon + 1);
  d.day = static_cast<uint8_t>(tm.tm_mday);
  d.hour = static_cast<uint8_t>(tm.tm_hour);
  d.minute = static_cast<uint8_t>(tm.tm_min);
  d.second = static_cast<uint8_t>(tm.tm_sec);
  return d;
}

}  // namespace

void fill(const TextDB& db, lxrIndexInfo* info) {
  const IndexHeader& h = db.header();
  std::memset(info, 0, sizeof *info);
  info->structSize = static_cast<int32_t>(sizeof *info);
  info->documents = h.documentCount - h.obsoleteCount;
  info->words = h.wordCount;
  info->paths = h.pathCount;
  info->fragmentation = h.segmentCount > 1 ? h.segmentCount - 1 : 0;
  info->obsolete = h.obsoleteCount;
  textfields::copy(info->indexName, sizeof info->indexName, h.indexName);
  info->accentSensitive = h.ignoreAccents() ? 0 : 1;
  info->caseSensitive = h.ignoreCase() ? 0 : 1;
  info->relativePaths = h.relativePaths() ? 1 : 0;
  if (h.created) info->created = toDate(h.created);
  if (h.updated) info->updated = toDate(h.updated);
  if (h.compressed) info->compressed = toDate(h.compressed);
  int64_t total = db.indexBytes();
  info->indexBytes = static_cast<int32_t>(total > INT32_MAX ? INT32_MAX : total);
  textfields::copy(info->versionTag, sizeof info->versionTag, h.versionTag);
  info->textModel = h.unicode ? LXR_TEXT_UNICODE : LXR_TEXT_CODE_PAGE;
}

}  // namespace indexinfo
