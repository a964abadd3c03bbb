// The table of format names and type codes.
#include "import/FormatTypes.h"

#include "import/Wildcard.h"

namespace formattype {

namespace {

struct Row {
  int16_t code;
  const char* name;
};

constexpr Row kRows[] = {
    {201, "Ami Pro"},
    {203, "Ascii"},
    {202, "Ansi"},
    {204, "Binary"},
    {212, "Microsoft RTF"},
    {209, "Microsoft Word"},
    {216, "Microsoft Word for Windows 1.x/2.x"},
    {217, "Microsoft Word for Windows 6.x/7.x"},
    {210, "Microsoft Works"},
    {215, "Microsoft Write"},
    {211, "Multimate"},
    {218, "WordPerfect 4.2"},
    {219, "WordPerfect 5.x"},
    {220, "WordPerfect 6.x"},
    {213, "WordStar 2000"},
    {214, "WordStar 5 or later"},
    {221, "WordStar (older)"},
    {222, "XyWrite"},
    {206, "dBASE"},
    {207, "Binary (Filtered)"},
    {205, "Windows Compound Document"},
    {230, "PDF"},
    {231, "Word Document (OOXML)"},
    {232, "Excel Workbook (OOXML)"},
    {233, "PowerPoint Presentation (OOXML)"},
    {234, "OpenDocument Text"},
    {235, "OpenDocument Spreadsheet"},
    {236, "OpenDocument Presentation"},
    {237, "EPUB"},
    {238, "Microsoft Word 97-2003"},
    {239, "E-mail Message"},
    {240, "Mailbox"},
    {241, "Gzip"},
    {242, "Bzip2"},
    {243, "XZ"},
    {244, "Not Text"},
    {1, "Any"},
};

}  // namespace

int16_t codeOf(const std::string& name) {
  for (const Row& r : kRows)
    if (wildcard::equalsNoCase(r.name, name)) return r.code;
  return 0;
}

const char* nameOf(int16_t code) {
  for (const Row& r : kRows)
    if (r.code == code) return r.name;
  return "";
}

}  // namespace formattype
