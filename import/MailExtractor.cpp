// Reading a message through GMime.
#include "import/MailExtractor.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "import/HtmlImporter.h"
#include "import/UnicodeText.h"
#include "import/Utf8Converter.h"

namespace mail {

namespace {

// GMime keeps its tables in globals set up once per process.
void initOnce() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

// Owns a GObject reference.
template <typename T>
struct Ref {
  T* p = nullptr;
  explicit Ref(T* q) : p(q) {}
  ~Ref() {
    if (p) g_object_unref(p);
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
};

std::string takeString(char* s) {
  std::string r = s ? s : "";
  g_free(s);
  return r;
}

// One line: control characters and line ends become blanks, blanks at the ends go.
std::string oneLine(std::string s) {
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(' ');
  return s.substr(a, b - a + 1);
}

// Plain text in text blocks: each line ends a paragraph; other control characters go.
void appendPlain(const std::string& utf8, std::string* out) {
  out->reserve(out->size() + utf8.size() + 1);
  for (char c : utf8) {
    auto u = static_cast<unsigned char>(c);
    if (u == '\n') {
      out->push_back('\n');
    } else if (u == '\t' || u >= 32) {
      out->push_back(c);
    }
  }
  if (!out->empty() && out->back() != '\n') out->push_back('\n');
}

std::string toUtf8(const std::string& charset, const std::string& bytes) {
  std::string cs = charset;
  std::transform(cs.begin(), cs.end(), cs.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (cs.empty() || cs == "us-ascii" || cs == "utf-8" || cs == "utf8") {
    if (unicodetext::isValid(bytes)) return bytes;
    if (cs.empty() || cs == "us-ascii") cs = "windows-1252";
    else return unicodetext::sanitized(bytes);
  }
  return utf8conv::toUtf8(cs, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

struct Walk {
  const ExtractLimits& limits;
  ExtractedText* out;
  std::set<std::string> used;
  std::vector<std::string> attachmentLines;
  int64_t decoded = 0;
  int parts = 0;
  int attached = 0;

  void cut(const std::string& why) {
    out->partial = true;
    if (out->error.empty()) out->error = why;
  }

  void addText(const std::string& text) {
    int64_t room = limits.textBytes - static_cast<int64_t>(out->text.size());
    if (room <= 0) {
      cut("text cut at the text limit");
      return;
    }
    if (static_cast<int64_t>(text.size()) > room) {
      size_t n = unicodetext::completePrefix(text.substr(0, static_cast<size_t>(room)));
      out->text.append(text, 0, n);
      cut("text cut at the text limit");
      return;
    }
    out->text += text;
  }

  // The part's decoded content, or false when it would pass the bounds.
  bool decode(GMimePart* part, std::string* bytes) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) return true;
    GMimeStream* raw = g_mime_data_wrapper_get_stream(content);
    // Decoding never makes more bytes than the encoded form has.
    int64_t encoded = raw ? g_mime_stream_length(raw) : 0;
    if (encoded < 0) encoded = 0;
    if (encoded > kMaxMemberBytes || decoded + encoded > kMaxDecodedBytes) {
      cut("a part larger than the decoding limit was left out");
      return false;
    }
    Ref<GMimeStream> mem(g_mime_stream_mem_new());
    if (g_mime_data_wrapper_write_to_stream(content, mem.p) < 0) {
      cut("a part could not be decoded");
      return false;
    }
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem.p));
    if (array) bytes->assign(reinterpret_cast<const char*>(array->data), array->len);
    decoded += static_cast<int64_t>(bytes->size());
    return true;
  }

  void member(std::string name, std::string bytes, const std::string& type) {
    attachmentLines.push_back("Attachment: " + name + (type.empty() ? "" : " (" + type + ")"));
    ExtractedMember m;
    m.name = std::move(name);
    m.bytes = std::move(bytes);
    out->members.push_back(std::move(m));
  }

  void part(GMimeObject* object, int depth) {
    if (!object) return;
    if (++parts > kMaxParts) {
      if (parts == kMaxParts + 1) cut("too many parts: the rest were left out");
      return;
    }
    if (depth > kMaxDepth) {
      cut("parts nested too deep were left out");
      return;
    }
    if (GMIME_IS_MULTIPART(object)) {
      GMimeMultipart* mp = GMIME_MULTIPART(object);
      int n = g_mime_multipart_get_count(mp);
      GMimeContentType* ct = g_mime_object_get_content_type(object);
      if (ct && g_mime_content_type_is_type(ct, "multipart", "alternative") && n > 0) {
        // One of the forms: plain text, else HTML, else the last (the richest).
        GMimeObject* chosen = nullptr;
        for (const char* sub : {"plain", "html"}) {
          for (int i = 0; i < n && !chosen; ++i) {
            GMimeObject* c = g_mime_multipart_get_part(mp, i);
            GMimeContentType* cct = g_mime_object_get_content_type(c);
            if (GMIME_IS_PART(c) && cct && g_mime_content_type_is_type(cct, "text", sub) &&
                !g_mime_part_get_filename(GMIME_PART(c)))
              chosen = c;
          }
        }
        part(chosen ? chosen : g_mime_multipart_get_part(mp, n - 1), depth + 1);
        return;
      }
      for (int i = 0; i < n; ++i) part(g_mime_multipart_get_part(mp, i), depth + 1);
      return;
    }
    if (GMIME_IS_MESSAGE_PART(object)) {
      GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
      if (!inner) return;
      std::string bytes = takeString(g_mime_object_to_string(GMIME_OBJECT(inner), nullptr));
      if (decoded + static_cast<int64_t>(bytes.size()) > kMaxDecodedBytes) {
        cut("an attached message larger than the decoding limit was left out");
        return;
      }
      decoded += static_cast<int64_t>(bytes.size());
      const char* file = g_mime_object_get_content_disposition_parameter(object, "filename");
      std::string base = file ? file : "message-" + std::to_string(++attached);
      if (base.size() < 4 || base.compare(base.size() - 4, 4, ".eml") != 0) base += ".eml";
      member(safeMemberName(base, "message.eml", &used), std::move(bytes), "message/rfc822");
      return;
    }
    if (!GMIME_IS_PART(object)) return;
    GMimePart* p = GMIME_PART(object);
    GMimeContentType* ct = g_mime_object_get_content_type(object);
    const char* file = g_mime_part_get_filename(p);
    bool plain = ct && g_mime_content_type_is_type(ct, "text", "plain");
    bool html = ct && g_mime_content_type_is_type(ct, "text", "html");
    bool attachment = g_mime_part_is_attachment(p);
    std::string bytes;
    if (!decode(p, &bytes)) return;
    if ((plain || html) && !file && !attachment) {
      const char* cs = g_mime_object_get_content_type_parameter(object, "charset");
      std::string utf8 = toUtf8(cs ? cs : "", bytes);
      if (plain) {
        std::string blocks;
        appendPlain(utf8, &blocks);
        addText(blocks);
      } else {
        // The byte-order mark says UTF-8 over any <meta> charset the part declares: the
        // part's bytes are UTF-8 by now.
        MemorySource source("part.html", "\xEF\xBB\xBF" + utf8);
        HtmlImporter importer(source, 1 << 16);
        importer.deliverUtf8();
        std::string t = importer.text();
        if (!t.empty() && t.back() != '\n') t.push_back('\n');
        addText(t);
      }
      return;
    }
    std::string type = ct ? takeString(g_mime_content_type_get_mime_type(ct)) : "";
    std::string fallback = "attachment-" + std::to_string(out->members.size() + 1);
    member(safeMemberName(file ? file : "", fallback, &used), std::move(bytes), type);
  }
};

// A header's text, RFC 2047 words decoded.
std::string headerText(GMimeObject* object, const char* name) {
  const char* raw = g_mime_object_get_header(object, name);
  if (!raw) return "";
  return oneLine(toUtf8("", takeString(g_mime_utils_header_decode_text(nullptr, raw))));
}

std::string addresses(InternetAddressList* list) {
  if (!list || internet_address_list_length(list) == 0) return "";
  return oneLine(toUtf8("", takeString(internet_address_list_to_string(list, nullptr, FALSE))));
}

// A cheap bound on what the parser would build: every nested part needs a content type
// naming "multipart/" or "message/", so far too many of them mean a hostile file whose parse
// would nest without end.
bool tooManyContainers(std::string_view bytes) {
  int64_t n = 0;
  for (size_t at = 0; (at = bytes.find('/', at)) != std::string_view::npos; ++at) {
    auto ends = [&](std::string_view word) {
      if (at < word.size()) return false;
      for (size_t k = 0; k < word.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(bytes[at - word.size() + k])) != word[k]) return false;
      return true;
    };
    if ((ends("multipart") || ends("message")) && ++n > 4 * kMaxParts) return true;
  }
  return false;
}

}  // namespace

std::string safeMemberName(std::string_view raw, const std::string& fallback, std::set<std::string>* used) {
  std::string name(raw);
  size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  std::string clean;
  for (char c : name)
    if (static_cast<unsigned char>(c) >= 32 && c != 127) clean.push_back(c);
  clean = unicodetext::sanitized(oneLine(clean));
  if (clean.size() > 200) clean.resize(unicodetext::completePrefix(clean.substr(0, 200)));
  if (clean.empty() || clean == "." || clean == "..") clean = fallback;
  std::string unique = clean;
  for (int k = 2; used->count(unique); ++k) {
    size_t dot = clean.rfind('.');
    if (dot == std::string::npos || dot == 0) dot = clean.size();
    unique = clean.substr(0, dot) + " (" + std::to_string(k) + ")" + clean.substr(dot);
  }
  used->insert(unique);
  return unique;
}

int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out) {
  *out = ExtractedText();
  out->type = 239;
  if (tooManyContainers(bytes)) {
    out->outcome = ExtractedText::Outcome::kFailed;
    out->error = "too many nested parts";
    return -1;
  }
  initOnce();
  Ref<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  Ref<GMimeParser> parser(g_mime_parser_new_with_stream(stream.p));
  g_mime_parser_set_format(parser.p, GMIME_FORMAT_MESSAGE);
  Ref<GMimeMessage> message(g_mime_parser_construct_message(parser.p, nullptr));
  if (!message.p) {
    out->outcome = ExtractedText::Outcome::kFailed;
    out->error = "not a readable message";
    return -1;
  }
  GMimeObject* object = GMIME_OBJECT(message.p);
  std::string from = addresses(g_mime_message_get_from(message.p));
  std::string to = addresses(g_mime_message_get_to(message.p));
  std::string cc = addresses(g_mime_message_get_cc(message.p));
  const char* subject = g_mime_message_get_subject(message.p);
  std::string subjectText = subject ? oneLine(toUtf8("", subject)) : "";
  std::string date = headerText(object, "Date");
  Walk walk{limits, out, {}, {}, 0, 0, 0};
  std::string head;
  if (!from.empty()) head += "From: " + from + "\n";
  if (!to.empty()) head += "To: " + to + "\n";
  if (!cc.empty()) head += "Cc: " + cc + "\n";
  if (!subjectText.empty()) head += "Subject: " + subjectText + "\n";
  if (!date.empty()) head += "Date: " + date + "\n";
  if (!head.empty()) head += "\n";
  walk.addText(head);
  walk.part(g_mime_message_get_mime_part(message.p), 0);
  if (!walk.attachmentLines.empty()) {
    std::string lines;
    for (const std::string& l : walk.attachmentLines) lines += l + "\n";
    walk.addText(lines);
  }
  out->title = subjectText;
  out->author = from;
  return 0;
}

}  // namespace mail
