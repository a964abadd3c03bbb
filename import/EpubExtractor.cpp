// EPUB books: container, package document, spine.
#include "import/EpubExtractor.h"

#include <cctype>
#include <map>
#include <set>

#include "import/FormatTypes.h"
#include "import/HtmlImporter.h"
#include "import/PackageParts.h"
#include "import/TextCollector.h"
#include "import/XmlReader.h"

namespace epub {

namespace {

using Node = XmlReader::Node;

bool endsWith(const std::string& s, std::string_view tail) {
  if (s.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i]) return false;
  return true;
}

bool isHtml(const std::string& mediaType, const std::string& href) {
  if (mediaType == "application/xhtml+xml" || mediaType == "text/html") return true;
  return mediaType.empty() && (endsWith(href, ".xhtml") || endsWith(href, ".html") || endsWith(href, ".htm"));
}

// The package document named by the container, else the first .opf part.
std::string packagePart(PackageParts& parts) {
  std::string xml;
  if (parts.read("META-INF/container.xml", &xml) == 0) {
    XmlReader r(xml);
    while (r.next() == 1) {
      if (r.node() != Node::kStart || r.localName() != "rootfile") continue;
      std::string type = r.attribute("media-type");
      std::string path = packageparts::resolve("", r.attribute("full-path"));
      if (!path.empty() && (type.empty() || type == "application/oebps-package+xml") && parts.has(path)) return path;
    }
  }
  for (const std::string& name : parts.names())
    if (endsWith(name, ".opf")) return name;
  return "";
}

}  // namespace

int spineOf(std::string_view opfXml, const std::string& opfPart, std::vector<std::string>* parts) {
  struct Item {
    std::string href, mediaType;
  };
  std::map<std::string, Item> manifest;
  std::vector<std::string> order;
  XmlReader r(opfXml);
  int result;
  while ((result = r.next()) == 1) {
    if (r.node() != Node::kStart) continue;
    if (r.localName() == "item") manifest[r.attribute("id")] = {r.attribute("href"), r.attribute("media-type")};
    else if (r.localName() == "itemref") order.push_back(r.attribute("idref"));
  }
  std::set<std::string> seen;
  for (const std::string& id : order) {
    auto it = manifest.find(id);
    if (it == manifest.end() || !isHtml(it->second.mediaType, it->second.href)) continue;
    std::string part = packageparts::resolve(opfPart, it->second.href);
    if (!part.empty() && seen.insert(part).second) parts->push_back(part);
  }
  return result < 0 ? -1 : 0;
}

int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out) {
  PackageParts parts;
  std::string opfName, opf;
  if (parts.open(bytes) < 0 || (opfName = packagePart(parts)).empty() || parts.read(opfName, &opf) < 0) {
    out->outcome = ExtractedText::Outcome::kFailed;
    out->error = opfName.empty() && parts.error().empty() ? "no package document in the book" : parts.error();
    if (out->error.empty()) out->error = "no package document in the book";
    return -1;
  }
  out->type = formattype::kEpub;
  packageparts::readProperties(opf, &out->title, &out->author);
  std::vector<std::string> spine;
  bool damaged = spineOf(opf, opfName, &spine) < 0;
  TextCollector text(limits.textBytes);
  std::string html, title;
  for (const std::string& part : spine) {
    if (text.full()) break;
    if (parts.read(part, &html) < 0) {
      damaged = true;
      continue;
    }
    text.blocks(htmltext::toUtf8Text(html, &title));
    text.endBlock();
    text.pageEnd();
  }
  out->outcome = ExtractedText::Outcome::kText;
  out->partial = text.full() || damaged;
  if (out->partial) out->error = text.full() ? "the text was cut at its limit" : "a part of the book is missing or damaged";
  out->text = text.take();
  return 0;
}

}  // namespace epub
