// Encoding and reading the helper's frames.
#include "import/ExtractionProtocol.h"

#include "objects/ByteCodec.h"

namespace extractionprotocol {

namespace {

using bytecodec::appendU16;
using bytecodec::appendU32;
using bytecodec::appendU64;
using bytecodec::appendU8;

void appendBlob(std::string* out, std::string_view s) {
  appendU64(out, s.size());
  out->append(s);
}

// Field readers over the caller's ReadExact; each returns 0 or a negative code.
struct FieldReader {
  const ReadExact& read;

  template <typename T>
  int number(T* out) {
    uint8_t b[sizeof(T)];
    if (int rc = read(b, sizeof b); rc < 0) return rc;
    uint64_t v = 0;
    for (size_t i = sizeof(T); i-- > 0;) v = (v << 8) | b[i];
    *out = static_cast<T>(v);
    return 0;
  }
  // A blob whose length must be at most `max`: -4 past it (nothing read of its bytes).
  int blob(std::string* out, uint64_t max, int overBound = -3) {
    uint64_t n = 0;
    if (int rc = number(&n); rc < 0) return rc;
    if (n > max) return overBound;
    out->resize(static_cast<size_t>(n));
    return n == 0 ? 0 : read(out->data(), out->size());
  }
};

}  // namespace

std::string encodeRequest(std::string_view extractor, const ExtractLimits& limits, std::string_view bytes) {
  std::string out;
  appendU32(&out, kRequestMagic);
  appendU32(&out, kVersion);
  appendBlob(&out, extractor.substr(0, kMaxNameBytes));
  appendU32(&out, static_cast<uint32_t>(limits.cpuSeconds));
  appendU64(&out, static_cast<uint64_t>(limits.addressBytes));
  appendU64(&out, static_cast<uint64_t>(limits.textBytes));
  appendBlob(&out, bytes);
  return out;
}

int readRequest(const ReadExact& read, Request* out) {
  FieldReader f{read};
  uint32_t magic = 0, version = 0, cpu = 0;
  uint64_t address = 0, text = 0;
  int rc;
  if ((rc = f.number(&magic)) < 0 || (rc = f.number(&version)) < 0) return rc;
  if (magic != kRequestMagic || version != kVersion) return -3;
  if ((rc = f.blob(&out->extractor, kMaxNameBytes)) < 0 || (rc = f.number(&cpu)) < 0 ||
      (rc = f.number(&address)) < 0 || (rc = f.number(&text)) < 0)
    return rc;
  out->limits.cpuSeconds = static_cast<int32_t>(cpu);
  out->limits.addressBytes = static_cast<int64_t>(address);
  out->limits.textBytes = static_cast<int64_t>(text);
  return f.blob(&out->bytes, kMaxDocumentBytes);
}

std::string encodeAnswer(const ExtractedText& r) {
  std::string out;
  appendU32(&out, kAnswerMagic);
  appendU8(&out, static_cast<uint8_t>(r.outcome));
  appendU8(&out, r.partial ? 1 : 0);
  appendU16(&out, static_cast<uint16_t>(r.type));
  appendBlob(&out, r.text);
  appendBlob(&out, std::string_view(r.title).substr(0, kMaxPropertyBytes));
  appendBlob(&out, std::string_view(r.author).substr(0, kMaxPropertyBytes));
  appendBlob(&out, std::string_view(r.error).substr(0, kMaxPropertyBytes));
  uint32_t members = static_cast<uint32_t>(std::min<size_t>(r.members.size(), kMaxMembers));
  appendU32(&out, members);
  for (uint32_t i = 0; i < members; ++i) {
    const ExtractedMember& m = r.members[i];
    appendBlob(&out, std::string_view(m.name).substr(0, kMaxMemberNameBytes));
    appendBlob(&out, m.bytes);
    appendU16(&out, m.dosDate);
    appendU16(&out, m.dosTime);
  }
  return out;
}

int readAnswer(const ReadExact& read, int64_t maxTextBytes, int64_t maxMemberBytes, ExtractedText* out) {
  FieldReader f{read};
  uint32_t magic = 0, members = 0;
  uint8_t outcome = 0, partial = 0;
  uint16_t type = 0;
  int rc;
  if ((rc = f.number(&magic)) < 0) return rc;
  if (magic != kAnswerMagic) return -3;
  if ((rc = f.number(&outcome)) < 0 || (rc = f.number(&partial)) < 0 || (rc = f.number(&type)) < 0) return rc;
  if (outcome > static_cast<uint8_t>(ExtractedText::Outcome::kFailed) || partial > 1) return -3;
  out->outcome = static_cast<ExtractedText::Outcome>(outcome);
  out->partial = partial != 0;
  out->type = static_cast<int16_t>(type);
  if ((rc = f.blob(&out->text, static_cast<uint64_t>(std::max<int64_t>(maxTextBytes, 0)), -4)) < 0 ||
      (rc = f.blob(&out->title, kMaxPropertyBytes)) < 0 || (rc = f.blob(&out->author, kMaxPropertyBytes)) < 0 ||
      (rc = f.blob(&out->error, kMaxPropertyBytes)) < 0 || (rc = f.number(&members)) < 0)
    return rc;
  if (members > kMaxMembers) return -3;
  int64_t left = std::max<int64_t>(maxMemberBytes, 0);
  out->members.clear();
  for (uint32_t i = 0; i < members; ++i) {
    ExtractedMember m;
    if ((rc = f.blob(&m.name, kMaxMemberNameBytes)) < 0) return rc;
    if ((rc = f.blob(&m.bytes, static_cast<uint64_t>(left), -4)) < 0) return rc;
    left -= static_cast<int64_t>(m.bytes.size());
    if ((rc = f.number(&m.dosDate)) < 0 || (rc = f.number(&m.dosTime)) < 0) return rc;
    out->members.push_back(std::move(m));
  }
  return 0;
}

}  // namespace extractionprotocol
