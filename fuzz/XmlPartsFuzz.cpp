// Fuzz target: the XML part readers of the document packages on arbitrary bytes. The first
// byte chooses the reader (word processing part, shared strings, sheet, slide, OpenDocument
// content or styles, package properties, EPUB spine, list numbering); the rest is the XML.
// The text must stay within its limit and hold only the block codes and printable text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "import/EpubExtractor.h"
#include "import/OdfExtractor.h"
#include "import/OoxmlExtractor.h"
#include "import/PackageParts.h"
#include "import/WordNumbering.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view xml(reinterpret_cast<const char*>(data) + 1, size - 1);
  constexpr int64_t kLimit = 1 << 16;
  TextCollector out(kLimit);
  std::vector<std::string> strings = {"a", "b"};
  std::string title, author;
  WordNumbering numbering;
  switch (data[0] % 9) {
    case 0: ooxml::wordPart(xml, &out); break;
    case 1: ooxml::sharedStrings(xml, &strings); break;
    case 2: ooxml::sheetPart(xml, strings, &out); break;
    case 3: ooxml::drawingPart(xml, &out); break;
    case 4: odf::contentPart(xml, &out); break;
    case 5: odf::contentPart(xml, &out, true); break;
    case 6: packageparts::readProperties(xml, &title, &author); break;
    case 7: {
      std::vector<std::string> parts;
      epub::spineOf(xml, "OPS/content.opf", &parts);
      break;
    }
    default:
      numbering.read(xml);
      for (int i = 0; i < 20; ++i) numbering.next(i % 3, i % 10);
      numbering.read("");
      ooxml::wordPart(xml, &out, &numbering);
      break;
  }
  if (static_cast<int64_t>(out.value().size()) > kLimit) std::abort();
  for (char c : out.value())
    if (static_cast<unsigned char>(c) < 32 && c != '\n' && c != '\v' && c != '\f' && c != '\t') std::abort();
  if (title.size() > 255 || author.size() > 255) std::abort();
  return 0;
}
