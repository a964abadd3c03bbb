// The unzip layer over libzip (its calls loaded when the first archive is opened). libzip reads the archive through a source whose call-back
// reads the ByteSource, so files and archives held in memory are read the same way.
#include "import/ZipArchive.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "import/ZipLibrary.h"
#include "import/ZipResult.h"
#include "io/File.h"
#include "io/FileMode.h"
#include "objects/ByteCodec.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace {

// The library's calls; loaded, since an archive is open (openAt() checks).
const ZipCalls& lib() { return *ziplibrary::calls(); }

// Unix file types kept in the high half of the external attributes.
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixSymbolicLink = 0120000;
constexpr int kUnixTypeShift = 16;
constexpr int64_t kReadChunkBytes = 64 * 1024;
constexpr int64_t kMaxReserveBytes = 1 << 20;
// libzip codes that have no code in the container's table come out as this plus libzip's.
constexpr int kLibraryCodeBase = 1000;

int codeOf(int libzipError) {
  switch (libzipError) {
    case ZIP_ER_OK: return zipresult::kOk;
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
    case ZIP_ER_ZLIB:
    case ZIP_ER_MULTIDISK: return zipresult::kStructureInvalid;
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_EOF: return zipresult::kUnexpectedEnd;
    case ZIP_ER_MEMORY: return zipresult::kOutOfMemory;
    case ZIP_ER_NOENT: return zipresult::kNotFound;
    case ZIP_ER_OPEN: return zipresult::kOpenArchiveFailed;
    case ZIP_ER_CRC: return zipresult::kBadCrc;
    case ZIP_ER_COMPNOTSUPP: return zipresult::kUnknownCompression;
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD: return zipresult::kEncrypted;
    case ZIP_ER_INVAL: return zipresult::kBadCommand;
    case ZIP_ER_WRITE:
    case ZIP_ER_TMPOPEN: return zipresult::kCreateOutputFailed;
    default: return kLibraryCodeBase + libzipError;
  }
}

// Bytes in front of the archive that its directory does not count: where the directory
// really starts (the end record's position minus its size) less where the end record says
// it starts. 0 when there is no end record or no such gap.
int64_t prefixBytes(ByteSource& bytes) {
  constexpr int32_t kEndRecordBytes = 22;
  constexpr int32_t kMaxCommentBytes = 65535;
  const int32_t size = bytes.size();
  if (size < kEndRecordBytes) return 0;
  const int32_t from = std::max(0, size - kEndRecordBytes - kMaxCommentBytes);
  std::string tail(static_cast<size_t>(size - from), '\0');
  if (bytes.readAt(from, tail.data(), size - from) != size - from) return 0;
  // The end record's directory size and directory position.
  constexpr int32_t kDirectoryBytesPos = 12;
  constexpr int32_t kDirectoryPosPos = 16;
  const char* end = tail.data() + tail.size();
  for (size_t at = tail.size() - kEndRecordBytes + 1; at-- > 0;) {
    if (tail.compare(at, 4, "PK\x05\x06") != 0) continue;
    const char* record = tail.data() + at;
    uint32_t directoryBytes = 0;
    uint32_t directoryPos = 0;
    if (bytecodec::getU32(record + kDirectoryBytesPos, end, &directoryBytes) < 0 ||
        bytecodec::getU32(record + kDirectoryPosPos, end, &directoryPos) < 0)
      return 0;
    int64_t endPos = from + static_cast<int64_t>(at);
    int64_t gap = endPos - int64_t{directoryBytes} - int64_t{directoryPos};
    return gap > 0 && gap < endPos ? gap : 0;
  }
  return 0;
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

// The state behind libzip's source call-back: the bytes and the read position.
// `base` hides bytes in front of the archive (a self-extracting program, say).
struct ZipArchive::Source {
  ByteSource* bytes = nullptr;
  zip_uint64_t base = 0;
  zip_uint64_t position = 0;
  zip_error_t error{};

  zip_uint64_t size() const {
    auto whole = static_cast<zip_uint64_t>(std::max<int32_t>(bytes->size(), 0));
    return whole > base ? whole - base : 0;
  }

  static zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t cmd) {
    auto* self = static_cast<Source*>(state);
    switch (cmd) {
      case ZIP_SOURCE_OPEN:
        self->position = 0;
        return 0;
      case ZIP_SOURCE_READ: {
        zip_uint64_t left = self->position < self->size() ? self->size() - self->position : 0;
        auto n = static_cast<int32_t>(std::min<zip_uint64_t>({length, left, INT32_MAX}));
        if (n == 0) return 0;
        int32_t got = self->bytes->readAt(static_cast<int32_t>(self->base + self->position), data, n);
        if (got < 0) {
          lib().error_set(&self->error, ZIP_ER_READ, 0);
          return -1;
        }
        self->position += static_cast<zip_uint64_t>(got);
        return got;
      }
      case ZIP_SOURCE_CLOSE:
      case ZIP_SOURCE_FREE: return 0;
      case ZIP_SOURCE_STAT: {
        if (length < sizeof(zip_stat_t)) {
          lib().error_set(&self->error, ZIP_ER_INVAL, 0);
          return -1;
        }
        auto* st = static_cast<zip_stat_t*>(data);
        lib().stat_init(st);
        st->size = self->size();
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
      }
      case ZIP_SOURCE_ERROR: return lib().error_to_data(&self->error, data, length);
      case ZIP_SOURCE_SEEK: {
        zip_int64_t to = lib().source_seek_compute_offset(self->position, self->size(), data, length, &self->error);
        if (to < 0) return -1;
        self->position = static_cast<zip_uint64_t>(to);
        return 0;
      }
      case ZIP_SOURCE_TELL: return static_cast<zip_int64_t>(self->position);
      case ZIP_SOURCE_SUPPORTS:
        return lib().source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, -1);
      default:
        lib().error_set(&self->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }
};

ZipArchive::ZipArchive() = default;

ZipArchive::~ZipArchive() { close(); }

int ZipArchive::fail(int code) {
  result_ = code;
  if (log_) trace::line("Zip %s: %s", archiveName_.c_str(), zipresult::text(code).c_str());
  return -1;
}

void ZipArchive::close() {
  if (zip_) lib().discard(zip_);
  zip_ = nullptr;
  source_.reset();
  count_ = 0;
  extractedBytes_ = 0;
}

int ZipArchive::open(ByteSource& bytes) {
  if (openAt(bytes, 0) == 0) return 0;
  // Bytes put in front of an archive (a self-extracting program) shift every position
  // its directory states; read the archive from where its directory says it begins.
  if (result_ != zipresult::kStructureInvalid) return -1;
  int64_t prefix = prefixBytes(bytes);
  if (prefix <= 0) return -1;
  int code = result_;
  if (openAt(bytes, prefix) == 0) return 0;
  result_ = code;
  return -1;
}

int ZipArchive::openAt(ByteSource& bytes, int64_t prefix) {
  close();
  archiveName_ = bytes.name();
  if (!ziplibrary::calls()) return fail(zipresult::kNoLibrary);
  source_ = std::make_unique<Source>();
  source_->bytes = &bytes;
  source_->base = static_cast<zip_uint64_t>(prefix);
  lib().error_init(&source_->error);
  zip_error_t error;
  lib().error_init(&error);
  zip_source_t* src = lib().source_function_create(&Source::callback, source_.get(), &error);
  if (!src) {
    int code = codeOf(lib().error_code_zip(&error));
    lib().error_fini(&error);
    source_.reset();
    return fail(code);
  }
  zip_ = lib().open_from_source(src, ZIP_RDONLY, &error);
  if (!zip_) {
    lib().source_free(src);
    int code = codeOf(lib().error_code_zip(&error));
    lib().error_fini(&error);
    source_.reset();
    return fail(code);
  }
  lib().error_fini(&error);
  zip_int64_t n = lib().get_num_entries(zip_, 0);
  count_ = static_cast<int32_t>(std::clamp<zip_int64_t>(n, 0, INT32_MAX));
  result_ = zipresult::kOk;
  if (log_) trace::line("Zip %s: open, %d members", archiveName_.c_str(), count_);
  return 0;
}

int ZipArchive::itemAt(int32_t index, ContainerMember* member) {
  if (!zip_) return fail(zipresult::kNotOpen);
  if (index < 0 || index >= count_) return fail(zipresult::kIndexOutOfBounds);
  zip_stat_t st;
  lib().stat_init(&st);
  if (lib().stat_index(zip_, static_cast<zip_uint64_t>(index), 0, &st) < 0 || !(st.valid & ZIP_STAT_NAME) ||
      !st.name)
    return fail(codeOf(lib().error_code_zip(lib().get_error(zip_))));
  ContainerMember m;
  m.index = index;
  m.name = st.name;
  m.sizeBytes = (st.valid & ZIP_STAT_SIZE) ? static_cast<int64_t>(std::min<zip_uint64_t>(st.size, INT64_MAX)) : 0;
  m.packedBytes = (st.valid & ZIP_STAT_COMP_SIZE) ? static_cast<int64_t>(std::min<zip_uint64_t>(st.comp_size, INT64_MAX)) : 0;
  m.date = (st.valid & ZIP_STAT_MTIME) ? dosdate::fromTime(st.mtime) : 0;
  if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
    m.flags |= ContainerMember::kEncrypted;
  if (m.sizeBytes == 0 || m.name.back() == '/' || m.name.back() == '\\')
    m.flags |= ContainerMember::kNotDocument;
  zip_uint8_t system = 0;
  zip_uint32_t attributes = 0;
  if (lib().file_get_external_attributes(zip_, static_cast<zip_uint64_t>(index), 0, &system, &attributes) == 0 &&
      system == ZIP_OPSYS_UNIX && ((attributes >> kUnixTypeShift) & kUnixTypeMask) == kUnixSymbolicLink)
    m.flags |= ContainerMember::kSymbolicLink;
  if (isUnsafeName(m.name)) m.flags |= ContainerMember::kUnsafeName;
  *member = std::move(m);
  result_ = zipresult::kOk;
  return 0;
}

int ZipArchive::find(const std::string& name, ContainerMember* member) {
  if (!zip_) return fail(zipresult::kNotOpen);
  zip_int64_t at = lib().name_locate(zip_, name.c_str(), 0);
  if (at < 0) at = lib().name_locate(zip_, name.c_str(), ZIP_FL_NOCASE);
  ContainerMember m;
  // The name found must be the one asked for: a name holding a NUL never matches.
  if (at < 0 || at >= count_ || itemAt(static_cast<int32_t>(at), &m) < 0 || !sameIgnoringCase(m.name, name))
    return fail(zipresult::kItemNotFound);
  *member = std::move(m);
  result_ = zipresult::kOk;
  return 0;
}

int ZipArchive::readMember(const ContainerMember& member, std::string* bytes) {
  if (member.flags & ContainerMember::kEncrypted) return fail(zipresult::kEncrypted);
  if (member.flags & ContainerMember::kSymbolicLink) return fail(zipresult::kSymbolicLink);
  if (member.sizeBytes > limits_.maxMemberBytes) return fail(zipresult::kMemberTooLarge);
  if (member.sizeBytes > limits_.maxTotalBytes - extractedBytes_) return fail(zipresult::kArchiveTooLarge);
  zip_file_t* file = lib().fopen_index(zip_, static_cast<zip_uint64_t>(member.index), 0);
  if (!file) return fail(codeOf(lib().error_code_zip(lib().get_error(zip_))));
  bytes->reserve(static_cast<size_t>(std::min(member.sizeBytes, kMaxReserveBytes)));
  char chunk[kReadChunkBytes];
  int code = zipresult::kOk;
  for (;;) {
    zip_int64_t got = lib().fread(file, chunk, sizeof chunk);
    if (got < 0) {
      code = codeOf(lib().error_code_zip(lib().file_get_error(file)));
      break;
    }
    if (got == 0) break;
    bytes->append(chunk, static_cast<size_t>(got));
    // The stated sizes may lie: the bounds hold for the bytes actually produced.
    auto have = static_cast<int64_t>(bytes->size());
    if (have > limits_.maxMemberBytes) {
      code = zipresult::kMemberTooLarge;
    } else if (have > limits_.maxTotalBytes - extractedBytes_) {
      code = zipresult::kArchiveTooLarge;
    } else if (have > limits_.ratioFreeBytes && have / limits_.maxRatio > member.packedBytes) {
      code = zipresult::kRatioTooHigh;
    }
    if (code != zipresult::kOk) break;
  }
  lib().fclose(file);
  extractedBytes_ += static_cast<int64_t>(bytes->size());
  if (code != zipresult::kOk) {
    bytes->clear();
    bytes->shrink_to_fit();
    return fail(code);
  }
  return 0;
}

int ZipArchive::extract(const ContainerMember& member, std::string* bytes) {
  bytes->clear();
  if (!zip_) return fail(zipresult::kNotOpen);
  if (member.index < 0 || member.index >= count_) return fail(zipresult::kIndexOutOfBounds);
  if (readMember(member, bytes) < 0) return -1;
  result_ = zipresult::kOk;
  if (log_) trace::line("Zip %s: extracted %s, %zu bytes", archiveName_.c_str(), member.name.c_str(), bytes->size());
  return 0;
}

int ZipArchive::extractToFile(const ContainerMember& member, const std::string& outputName) {
  if (!zip_) return fail(zipresult::kNotOpen);
  if (member.flags & ContainerMember::kUnsafeName) return fail(zipresult::kUnsafeName);
  std::string bytes;
  if (extract(member, &bytes) < 0) return -1;
  File out;
  if (out.open(outputName.c_str(), filemode::kWrite | filemode::kCreate | filemode::kTruncate | filemode::kFresh) < 0)
    return fail(zipresult::kCreateOutputFailed);
  bool written = bytes.empty() ||
                 out.write(bytes.data(), static_cast<int32_t>(bytes.size())) == static_cast<int32_t>(bytes.size());
  if (written && member.date != 0) out.setTime(member.date);
  if (out.release() < 0 || !written) {
    platform::removeFile(outputName.c_str());
    return fail(zipresult::kDiskFull);
  }
  result_ = zipresult::kOk;
  return 0;
}

bool ZipArchive::isUnsafeName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\') return true;
  if (name.size() >= 2 && name[1] == ':') return true;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0) return true;
    start = end + 1;
  }
  return false;
}
