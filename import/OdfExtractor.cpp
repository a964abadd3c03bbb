// OpenDocument packages: content.xml, styles.xml and meta.xml.
#include "import/OdfExtractor.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "import/FormatTypes.h"
#include "import/PackageParts.h"
#include "import/XmlReader.h"

namespace odf {

namespace {

using Node = XmlReader::Node;

constexpr const char* kMimePrefix = "application/vnd.oasis.opendocument.";

// What the document is, from its media type.
int16_t typeOf(std::string_view mime) {
  if (!mime.starts_with(kMimePrefix)) return 0;
  std::string_view kind = mime.substr(std::string_view(kMimePrefix).size());
  if (kind.starts_with("text")) return formattype::kOdfText;
  if (kind.starts_with("spreadsheet")) return formattype::kOdfSpreadsheet;
  if (kind.starts_with("presentation") || kind.starts_with("graphics")) return formattype::kOdfPresentation;
  return 0;
}

// Cells and rows repeated more often than this are given this often (a sheet's last rows
// often repeat an empty row a million times; one with text is rarely repeated at all).
constexpr int64_t kMaxRepeats = 64;

int64_t repeats(const XmlReader& r, std::string_view attribute) {
  bool found = false;
  std::string n = r.attribute(attribute, &found);
  return found ? std::clamp<int64_t>(std::strtoll(n.c_str(), nullptr, 10), 1, kMaxRepeats) : 1;
}

// The state of one pass over a part. The text of a table goes through a cell and a row
// before it reaches the output, so that repeated cells and rows can be given again.
struct Walk {
  TextCollector* out;
  bool stylesOnly;
  TextCollector cell;
  std::string row;
  int skipping = 0;     // elements open inside one whose text is not shown
  int tables = 0;       // table:table elements open
  int headerDepth = 0;  // styles: elements open inside a header or footer
  int64_t cellRepeats = 1, rowRepeats = 1;
  int pendingTabs = 0;  // empty cells before the next cell with text
  int64_t paragraphsInCell = 0;
  int paragraphs = 0;  // text:p and text:h open (a note or annotation puts them inside another)

  Walk(TextCollector* o, bool styles, int64_t limit) : out(o), stylesOnly(styles), cell(limit) {}
  bool showing() const { return !skipping && (!stylesOnly || headerDepth > 0); }
  TextCollector& sink() { return tables > 0 ? cell : *out; }
};

bool isSkipped(std::string_view name, std::string_view ns) {
  if (name == "creator" || name == "date") return ns == "http://purl.org/dc/elements/1.1/";
  // deleted text of tracked changes, form controls, script and binary data, the outline
  // numbering of a heading (repeated from the text), declarations
  return name == "tracked-changes" || name == "forms" || name == "binary-data" || name == "scripts" ||
         name == "event-listeners" || name == "number" || name == "sequence-decls" ||
         name == "variable-decls" || name == "user-field-decls";
}

void start(Walk& w, XmlReader& r) {
  std::string_view name = r.localName();
  if (w.skipping) {
    ++w.skipping;
    return;
  }
  if (w.stylesOnly && w.headerDepth == 0) {
    if (name == "header" || name == "footer" || name == "header-left" || name == "footer-left" ||
        name == "header-first" || name == "footer-first")
      w.headerDepth = 1;
    return;
  }
  if (w.headerDepth > 0) ++w.headerDepth;
  if (isSkipped(name, r.namespaceUri())) {
    w.skipping = 1;
    return;
  }
  if (!w.showing()) return;
  TextCollector& out = w.sink();
  if (name == "tab") {
    out.tab();
  } else if (name == "line-break") {
    out.lineBreak();
  } else if (name == "s") {
    bool found = false;
    std::string c = r.attribute("c", &found);
    out.spaces(found ? std::strtoll(c.c_str(), nullptr, 10) : 1);
  } else if (name == "note-body" || name == "annotation") {
    out.text(" ", true);
  } else if (name == "p" || name == "h") {
    if (w.paragraphs++ > 0) out.text(" ", true);
    else if (w.tables > 0 && w.paragraphsInCell++ > 0) out.text(" ", true);
  } else if (name == "table") {
    if (w.tables++ > 0) w.cell.text(" ", true);
  } else if (name == "table-row" && w.tables == 1) {
    w.row.clear();
    w.pendingTabs = 0;
    w.rowRepeats = repeats(r, "number-rows-repeated");
  } else if ((name == "table-cell" || name == "covered-table-cell") && w.tables == 1) {
    w.cell.take();
    w.paragraphsInCell = 0;
    w.cellRepeats = repeats(r, "number-columns-repeated");
    if (!w.row.empty()) ++w.pendingTabs;  // a run of repeated empty cells is one gap
  }
}

void end(Walk& w, XmlReader& r) {
  std::string_view name = r.localName();
  if (w.skipping) {
    --w.skipping;
    if (w.headerDepth > 0) --w.headerDepth;
    return;
  }
  if (w.headerDepth > 0 && --w.headerDepth == 0) {
    w.out->endBlock();
    return;
  }
  if (w.stylesOnly && w.headerDepth == 0) return;
  TextCollector& out = *w.out;
  if (name == "p" || name == "h") {
    if (w.paragraphs > 0) --w.paragraphs;
    if (w.tables == 0 && w.paragraphs == 0) out.paragraph();
  } else if ((name == "table-cell" || name == "covered-table-cell") && w.tables == 1) {
    std::string text = w.cell.take();
    if (text.find_first_not_of(' ') == std::string::npos) return;
    for (; w.pendingTabs > 0 && !w.row.empty(); --w.pendingTabs) w.row += '\t';
    for (int64_t i = 0; i < w.cellRepeats && w.row.size() < (size_t{16} << 20); ++i)
      w.row += (i > 0 ? "\t" : "") + text;
    w.pendingTabs = 0;
  } else if (name == "table-row" && w.tables == 1) {
    for (int64_t i = 0; i < w.rowRepeats && !w.row.empty() && !out.full(); ++i) {
      out.blocks(w.row);
      out.paragraph();
    }
    w.row.clear();
  } else if (name == "table") {
    if (w.tables > 0) --w.tables;
  } else if (name == "page") {  // a drawing page: one slide
    out.endBlock();
    out.pageEnd();
  }
}

}  // namespace

int contentPart(std::string_view xml, TextCollector* out, bool stylesOnly) {
  XmlReader r(xml);
  Walk w(out, stylesOnly, int64_t{16} << 20);
  int result;
  bool spreadsheet = false;
  while ((result = r.next()) == 1 && !out->full()) {
    if (r.node() == Node::kStart) {
      std::string_view name = r.localName();
      if (name == "spreadsheet") spreadsheet = true;
      if (spreadsheet && name == "table" && !w.skipping && w.tables == 0) {
        out->endBlock();
        out->text(r.attribute("name"));
        out->paragraph();
      }
      start(w, r);
    } else if (r.node() == Node::kEnd) {
      std::string_view name = r.localName();
      end(w, r);
      if (spreadsheet && name == "table" && w.tables == 0 && !w.skipping) out->pageEnd();
    } else if (w.showing()) {
      w.sink().text(r.text(), true);
    }
  }
  return result < 0 ? -1 : 0;
}

int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out) {
  TextCollector text(limits.textBytes);
  std::string content, styles, meta, mime;
  bool damaged = false;
  bool flat = bytes.size() >= 5 && bytes.substr(0, 5) == "<?xml";
  if (flat) {  // a single-file document (.fodt, .fods, .fodp)
    content = std::string(bytes);
  } else {
    PackageParts parts;
    if (parts.open(bytes) < 0 || parts.read("content.xml", &content) < 0) {
      out->outcome = ExtractedText::Outcome::kFailed;
      out->error = parts.error();
      return -1;
    }
    parts.read("mimetype", &mime);
    damaged = parts.read("styles.xml", &styles) < 0;
    parts.read("meta.xml", &meta);
  }
  out->type = typeOf(mime);
  if (out->type == 0) {
    if (content.find("<office:spreadsheet") != std::string::npos) out->type = formattype::kOdfSpreadsheet;
    else if (content.find("<office:presentation") != std::string::npos || content.find("<office:drawing") != std::string::npos) out->type = formattype::kOdfPresentation;
    else out->type = formattype::kOdfText;
  }
  damaged |= contentPart(content, &text) < 0;
  // The headers and footers of text documents; those of sheets and slides hold little but
  // fields (the sheet's name, the page number).
  const bool headers = out->type == formattype::kOdfText;
  if (headers && !styles.empty()) {
    text.endBlock();
    damaged |= contentPart(styles, &text, true) < 0;
  } else if (headers && flat) {
    text.endBlock();
    contentPart(content, &text, true);
  }
  packageparts::readProperties(meta.empty() ? content : meta, &out->title, &out->author);
  out->outcome = ExtractedText::Outcome::kText;
  out->partial = text.full() || damaged;
  if (out->partial) out->error = text.full() ? "the text was cut at its limit" : "a part of the document is damaged";
  out->text = text.take();
  return 0;
}

}  // namespace odf
