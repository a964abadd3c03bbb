// Office Open XML packages: relationships, the three kinds of main part and their text.
#include "import/OoxmlExtractor.h"

#include <cctype>
#include <cstdlib>
#include <set>

#include "import/FormatTypes.h"
#include "import/PackageParts.h"
#include "import/XmlReader.h"

namespace ooxml {

namespace {

using Node = XmlReader::Node;

// Strings of one shared-strings part kept at most (each cell refers to one by number).
constexpr size_t kMaxSharedStrings = size_t{4} << 20;

struct Relation {
  std::string type;    // the last step of the relationship type ("header", "slide")
  std::string id;
  std::string target;  // the part it names, resolved
};

std::string lastStep(std::string_view uri) {
  size_t slash = uri.rfind('/');
  return std::string(slash == std::string_view::npos ? uri : uri.substr(slash + 1));
}

// The relationships part of `part` ("word/_rels/document.xml.rels"; "_rels/.rels" for the
// package, part ""), external targets left out.
std::vector<Relation> relationsOf(PackageParts& parts, const std::string& part) {
  std::string name = packageparts::folderOf(part) + "_rels/" + part.substr(packageparts::folderOf(part).size()) + ".rels";
  std::vector<Relation> out;
  std::string xml;
  if (parts.read(name, &xml) < 0) return out;
  XmlReader r(xml);
  while (r.next() == 1) {
    if (r.node() != Node::kStart || r.localName() != "Relationship") continue;
    if (r.attribute("TargetMode") == "External") continue;
    Relation rel{lastStep(r.attribute("Type")), r.attribute("Id"), ""};
    rel.target = packageparts::resolve(part, r.attribute("Target"));
    if (!rel.target.empty()) out.push_back(rel);
  }
  return out;
}

const Relation* byType(const std::vector<Relation>& rels, std::string_view type) {
  for (const Relation& r : rels)
    if (r.type == type) return &r;
  return nullptr;
}

const Relation* byId(const std::vector<Relation>& rels, std::string_view id) {
  for (const Relation& r : rels)
    if (r.id == id) return &r;
  return nullptr;
}

// The content type the package gives a part (its Override, else the Default of its
// extension), lower-cased.
std::string contentTypeOf(std::string_view typesXml, const std::string& part) {
  std::string extension = part.substr(part.rfind('.') == std::string::npos ? part.size() : part.rfind('.') + 1);
  std::string byDefault, byOverride;
  XmlReader r(typesXml);
  auto same = [](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
  };
  while (r.next() == 1) {
    if (r.node() != Node::kStart) continue;
    if (r.localName() == "Override" && same(packageparts::resolve("", r.attribute("PartName")), part))
      byOverride = r.attribute("ContentType");
    else if (r.localName() == "Default" && same(r.attribute("Extension"), extension))
      byDefault = r.attribute("ContentType");
  }
  std::string t = byOverride.empty() ? byDefault : byOverride;
  for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return t;
}

enum class Kind { kNone, kWord, kSheet, kSlides };

Kind kindOf(const std::string& contentType, const std::string& part) {
  if (contentType.find("wordprocessingml") != std::string::npos || contentType.find("ms-word") != std::string::npos)
    return Kind::kWord;
  if (contentType.find("spreadsheetml") != std::string::npos || contentType.find("ms-excel") != std::string::npos)
    return Kind::kSheet;
  if (contentType.find("presentationml") != std::string::npos || contentType.find("ms-powerpoint") != std::string::npos)
    return Kind::kSlides;
  if (part.starts_with("word/")) return Kind::kWord;
  if (part.starts_with("xl/")) return Kind::kSheet;
  if (part.starts_with("ppt/")) return Kind::kSlides;
  return Kind::kNone;
}

// Reads parts once each, keeping the first fault.
struct Reader {
  PackageParts& parts;
  TextCollector& text;
  std::set<std::string> done;
  std::string fault;

  bool take(const std::string& part, std::string* xml) {
    if (!done.insert(part).second) return false;
    if (parts.read(part, xml) == 0) return true;
    if (fault.empty()) fault = parts.error();
    return false;
  }
  void note(int result, const std::string& part) {
    if (result < 0 && fault.empty()) fault = "the part " + part + " is damaged";
  }
};

void readWord(Reader& rd, const std::string& main) {
  std::string xml;
  std::vector<Relation> rels = relationsOf(rd.parts, main);
  WordNumbering numbering;
  if (const Relation* n = byType(rels, "numbering"); n && rd.take(n->target, &xml)) numbering.read(xml);
  if (rd.take(main, &xml)) rd.note(wordPart(xml, &rd.text, &numbering), main);
  for (const char* type : {"header", "footer", "footnotes", "endnotes", "comments"}) {
    for (const Relation& rel : rels) {
      if (rel.type != type || rd.text.full() || !rd.take(rel.target, &xml)) continue;
      rd.text.endBlock();
      rd.note(wordPart(xml, &rd.text, &numbering), rel.target);
    }
  }
}

void readSheets(Reader& rd, const std::string& main) {
  std::vector<Relation> rels = relationsOf(rd.parts, main);
  std::vector<std::string> strings;
  std::string xml;
  if (const Relation* s = byType(rels, "sharedStrings"); s && rd.take(s->target, &xml))
    rd.note(sharedStrings(xml, &strings), s->target);
  if (!rd.take(main, &xml)) return;
  std::vector<std::pair<std::string, std::string>> sheets;  // name, part
  XmlReader r(xml);
  while (r.next() == 1)
    if (r.node() == Node::kStart && r.localName() == "sheet")
      if (const Relation* rel = byId(rels, r.attributeIn("relationships", "id"))) sheets.emplace_back(r.attribute("name"), rel->target);
  for (const auto& [name, part] : sheets) {
    if (rd.text.full()) break;
    rd.text.text(name);
    rd.text.paragraph();
    if (rd.take(part, &xml)) rd.note(sheetPart(xml, strings, &rd.text), part);
    rd.text.pageEnd();
  }
}

void readSlides(Reader& rd, const std::string& main) {
  std::vector<Relation> rels = relationsOf(rd.parts, main);
  std::string xml;
  if (!rd.take(main, &xml)) return;
  std::vector<std::string> slides;
  XmlReader r(xml);
  while (r.next() == 1)
    if (r.node() == Node::kStart && r.localName() == "sldId")
      if (const Relation* rel = byId(rels, r.attributeIn("relationships", "id"))) slides.push_back(rel->target);
  for (const std::string& slide : slides) {
    if (rd.text.full()) break;
    if (!rd.take(slide, &xml)) continue;
    rd.note(drawingPart(xml, &rd.text), slide);
    const std::vector<Relation> slideRels = relationsOf(rd.parts, slide);
    if (const Relation* notes = byType(slideRels, "notesSlide"); notes && rd.take(notes->target, &xml)) {
      rd.text.endBlock();
      rd.note(drawingPart(xml, &rd.text), notes->target);
    }
    rd.text.pageEnd();
  }
}

}  // namespace

int wordPart(std::string_view xml, TextCollector* out, WordNumbering* numbering) {
  XmlReader r(xml);
  int listId = 0, listLevel = 0;
  int footnotes = 0, endnotes = 0;  // references met, in this part
  auto mark = [&](int* count) { out->text("[" + std::to_string(++*count) + "]"); };
  int runs = 0;      // w:r elements open
  int skipping = 0;  // elements open inside one whose content is not text
  bool inText = false;
  int result;
  while ((result = r.next()) == 1 && !out->full()) {
    std::string_view name = r.localName();
    if (r.node() == Node::kText) {
      if (inText && !skipping) out->text(r.text());
    } else if (r.node() == Node::kStart) {
      if (skipping) {
        ++skipping;
      } else if (name == "Fallback" || name == "instrText" || name == "delText" || name == "delInstrText") {
        skipping = 1;  // the fallback repeats the choice's text boxes; field codes; deletions
      } else if (name == "r") {
        ++runs;
      } else if (name == "t") {
        inText = true;
      } else if (name == "tab" || name == "ptab") {
        if (runs > 0) out->tab();  // elsewhere w:tab is a tab stop
      } else if (name == "br") {
        if (r.attribute("type") == "page") out->pageEnd(); else out->lineBreak();
      } else if (name == "cr") {
        out->lineBreak();
      } else if (name == "lastRenderedPageBreak") {
        out->pageEnd();
      } else if (name == "noBreakHyphen") {
        out->text("-");
      } else if (name == "numPr") {
        listId = listLevel = 0;
      } else if (name == "ilvl") {
        listLevel = std::atoi(r.attribute("val").c_str());
      } else if (name == "numId") {
        listId = std::atoi(r.attribute("val").c_str());
      } else if (name == "footnoteReference" || name == "footnoteRef") {
        mark(&footnotes);
      } else if (name == "endnoteReference" || name == "endnoteRef") {
        mark(&endnotes);
      }
    } else {
      if (skipping) {
        --skipping;
      } else if (name == "r") {
        runs = runs > 0 ? runs - 1 : 0;
      } else if (name == "t") {
        inText = false;
      } else if (name == "p") {
        out->paragraph();
      } else if (name == "numPr" && numbering) {
        std::string label = numbering->next(listId, listLevel);
        if (!label.empty()) out->text(label + " ");
      }
    }
  }
  return result < 0 ? -1 : 0;
}

int sharedStrings(std::string_view xml, std::vector<std::string>* strings) {
  XmlReader r(xml);
  std::string current;
  bool inText = false;
  int phonetic = 0;
  int result;
  while ((result = r.next()) == 1 && strings->size() < kMaxSharedStrings) {
    std::string_view name = r.localName();
    if (r.node() == Node::kText) {
      if (inText && !phonetic) current += r.text();
    } else if (r.node() == Node::kStart) {
      if (name == "rPh") ++phonetic;
      else if (name == "t") inText = true;
      else if (name == "si") current.clear();
    } else {
      if (name == "rPh") --phonetic;
      else if (name == "t") inText = false;
      else if (name == "si") strings->push_back(std::move(current));
    }
  }
  return result < 0 ? -1 : 0;
}

int sheetPart(std::string_view xml, const std::vector<std::string>& strings, TextCollector* out) {
  XmlReader r(xml);
  std::string type, value;
  bool inValue = false, inInline = false, rowHasCells = false;
  int result;
  while ((result = r.next()) == 1 && !out->full()) {
    std::string_view name = r.localName();
    if (r.node() == Node::kText) {
      if (inValue && value.size() < (size_t{1} << 20)) value += r.text();
    } else if (r.node() == Node::kStart) {
      if (name == "c") {
        type = r.attribute("t");
        value.clear();
      } else if (name == "v") {
        inValue = !inInline;
      } else if (name == "is") {
        inInline = true;
      } else if (name == "t") {
        inValue = inInline;
      } else if (name == "row") {
        rowHasCells = false;
      }
    } else {
      if (name == "v" || name == "t") {
        inValue = false;
      } else if (name == "is") {
        inInline = false;
      } else if (name == "c") {
        std::string shown = value;
        if (type == "s") {
          char* end = nullptr;
          unsigned long long i = std::strtoull(value.c_str(), &end, 10);
          shown = !value.empty() && end && *end == '\0' && i < strings.size() ? strings[i] : std::string();
        } else if (type == "b") {
          shown = value == "1" ? "TRUE" : value == "0" ? "FALSE" : value;
        }
        if (!shown.empty()) {
          if (rowHasCells) out->tab();
          out->text(shown);
          rowHasCells = true;
        }
      } else if (name == "row") {
        if (rowHasCells) out->paragraph();
      }
    }
  }
  return result < 0 ? -1 : 0;
}

int drawingPart(std::string_view xml, TextCollector* out) {
  XmlReader r(xml);
  bool inText = false;
  int skipping = 0;
  int result;
  while ((result = r.next()) == 1 && !out->full()) {
    std::string_view name = r.localName();
    if (r.node() == Node::kText) {
      if (inText && !skipping) out->text(r.text());
    } else if (r.node() == Node::kStart) {
      if (skipping) ++skipping;
      else if (name == "Fallback" || (name == "fld" && r.attribute("type") == "slidenum")) skipping = 1;
      else if (name == "t") inText = true;
      else if (name == "br") out->lineBreak();
    } else {
      if (skipping) --skipping;
      else if (name == "t") inText = false;
      else if (name == "p") out->paragraph();
    }
  }
  return result < 0 ? -1 : 0;
}

int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out) {
  PackageParts parts;
  if (parts.open(bytes) < 0) {
    out->outcome = ExtractedText::Outcome::kFailed;
    out->error = parts.error();
    return -1;
  }
  std::string types;
  parts.read("[Content_Types].xml", &types);
  std::vector<Relation> root = relationsOf(parts, "");
  std::string main;
  if (const Relation* doc = byType(root, "officeDocument")) main = doc->target;
  if (main.empty() || !parts.has(main)) {
    main.clear();
    for (const char* name : {"word/document.xml", "xl/workbook.xml", "ppt/presentation.xml"})
      if (parts.has(name)) {
        main = name;
        break;
      }
  }
  Kind kind = main.empty() ? Kind::kNone : kindOf(contentTypeOf(types, main), main);
  if (kind == Kind::kNone) {
    out->outcome = ExtractedText::Outcome::kFailed;
    out->error = "no word processing, spreadsheet or presentation part in the package";
    return -1;
  }
  out->type = kind == Kind::kWord ? formattype::kWordXml : kind == Kind::kSheet ? formattype::kExcelXml : formattype::kPowerPointXml;
  TextCollector text(limits.textBytes);
  Reader rd{parts, text, {}, {}};
  if (kind == Kind::kWord) readWord(rd, main);
  else if (kind == Kind::kSheet) readSheets(rd, main);
  else readSlides(rd, main);
  std::string core;
  const Relation* props = byType(root, "core-properties");
  if (parts.read(props ? props->target : "docProps/core.xml", &core) == 0 || parts.read("docProps/core.xml", &core) == 0)
    packageparts::readProperties(core, &out->title, &out->author);
  out->outcome = ExtractedText::Outcome::kText;
  out->partial = text.full() || !rd.fault.empty();
  out->error = text.full() ? "the text was cut at its limit" : rd.fault;
  out->text = text.take();
  return 0;
}

}  // namespace ooxml
