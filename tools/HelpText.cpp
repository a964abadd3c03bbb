// The help pages rendered: plain text wrapped for a terminal, and roff for the man page.
#include "tools/HelpText.h"

#include <cstring>

namespace helptext {

namespace {

constexpr size_t kColumns = 78;

struct GlobalOption {
  const char* flag;
  const char* text;
};

const GlobalOption kGlobalOptions[] = {
    {"--dir DIR", "the private folder: settings, library, history (default $LXRDIR, else "
                  "$XDG_DATA_HOME/lexaurum, else ~/.local/share/lexaurum)"},
    {"--home DIR", "the folder of the shipped data files (default: the program's folder, or ../share/lexaurum beside it when installed)"},
    {"--log FILE", "write the engine's debug log to FILE"},
    {"-h, --help", "show this help; lxr help COMMAND or lxr COMMAND --help shows a command's"},
    {"-V, --version", "show the version"},
};

const GlobalOption kExitStatuses[] = {
    {"0", "done; for search and show: documents or hits found"},
    {"1", "nothing found (search, show, words, failed), or nothing to do"},
    {"2", "bad usage, a missing file, folder or index, or a faulty request"},
    {"3", "the index or the private folder is in use by another process"},
    {"4", "an I/O error or a full disk"},
    {"5", "the index is damaged (lxr verify tells more; rebuild it with lxr create and lxr add)"},
};

const char* const kFirstSteps[] = {
    "lxr add ~/idx/docs ~/Documents",
    "lxr search 'budget and report' ~/idx/docs",
    "lxr search 'tide w/5 pilot' ~/idx/docs --context 5",
    "lxr update ~/idx/docs",
};

const char* const kDescription =
    "lxr indexes folders of documents with the position of every word and answers requests "
    "in a rich query language, listing the documents best first and showing each with its "
    "hits. An index is a folder; an index of the library can be named instead.";

// `text` without the backticks that mark commands.
std::string plain(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p)
    if (*p != '`') out += *p;
  return out;
}

// `text` wrapped to kColumns, every line starting with `indent` blanks (the first line with
// `first` blanks).
std::string wrap(const std::string& text, size_t indent, size_t first) {
  std::string out, line(first, ' ');
  size_t lineStart = first;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find(' ', i);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(i, end - i);
    i = end + 1;
    if (word.empty()) continue;
    if (line.size() > lineStart && line.size() + 1 + word.size() > kColumns) {
      out += line + "\n";
      line.assign(indent, ' ');
      lineStart = indent;
    }
    if (line.size() > lineStart) line += ' ';
    line += word;
  }
  return out + line + "\n";
}

// Paragraphs of `text` (separated by "\n\n"), each wrapped.
std::string paragraphs(const std::string& text, size_t indent) {
  std::string out;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find("\n\n", pos);
    if (end == std::string::npos) end = text.size();
    if (!out.empty()) out += "\n";
    out += wrap(text.substr(pos, end - pos), indent, indent);
    pos = end + 2;
  }
  return out;
}

// A flag and its text: the flag, then the text beside it when the flag is short, else below.
std::string item(const std::string& flag, const std::string& text, size_t column) {
  std::string head = "  " + flag;
  if (head.size() + 2 <= column) {
    std::string body = wrap(text, column, column);
    return head + body.substr(head.size());
  }
  return head + "\n" + wrap(text, column, column);
}

// Roff: backslashes and leading dots made safe, `commands` in bold.
std::string roff(const std::string& text) {
  std::string out;
  bool bold = false;
  for (char c : text) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else if (c == '`') {
      out += bold ? "\\fR" : "\\fB";
      bold = !bold;
    } else {
      out += c;
    }
  }
  if (bold) out += "\\fR";
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

std::string roffParagraphs(const std::string& text) {
  std::string out;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find("\n\n", pos);
    if (end == std::string::npos) end = text.size();
    out += ".PP\n" + roff(text.substr(pos, end - pos)) + "\n";
    pos = end + 2;
  }
  return out;
}

}  // namespace

const Page* find(const std::string& command) {
  for (const Page& p : pages())
    if (command == p.name) return &p;
  return nullptr;
}

std::string usage() {
  std::string out = "usage: lxr [--dir DIR] [--home DIR] [--log FILE] COMMAND [ARGS...]\n"
                    "       lxr help COMMAND | lxr COMMAND --help | lxr --version\n\n";
  out += wrap(kDescription, 0, 0) + "\ncommands:\n";
  for (const Page& p : pages()) out += item(p.name, p.summary, 13);
  out += "\nglobal options:\n";
  for (const GlobalOption& o : kGlobalOptions) out += item(o.flag, o.text, 17);
  out += "\nexit status:\n";
  for (const GlobalOption& o : kExitStatuses) out += item(o.flag, o.text, 6);
  out += "\nfirst steps:\n";
  for (const char* s : kFirstSteps) out += std::string("  ") + s + "\n";
  return out;
}

std::string page(const Page& p) {
  std::string out = std::string("lxr ") + p.name + " - " + p.summary + "\n\n";
  for (size_t i = 0; i < p.forms.size(); ++i) out += std::string(i == 0 ? "usage: lxr " : "       lxr ") + p.forms[i] + "\n";
  out += "\n" + paragraphs(plain(p.description), 0);
  if (!p.options.empty()) {
    out += "\noptions:\n";
    for (const Option& o : p.options) out += item(o.flag, plain(o.text), 24);
  }
  if (!p.examples.empty()) {
    out += "\nexamples:\n";
    for (const Example& e : p.examples) {
      out += std::string("  lxr ") + e.command + "\n";
      if (*e.effect) out += wrap(plain(e.effect), 6, 6);
    }
  }
  return out;
}

std::string shortUsage(const Page& p) {
  std::string out;
  for (size_t i = 0; i < p.forms.size(); ++i) out += std::string(i == 0 ? "usage: lxr " : "       lxr ") + p.forms[i] + "\n";
  return out + "Run 'lxr help " + p.name + "' for more.\n";
}

std::string manPage() {
  std::string out = ".\\\" The lxr manual page, made by 'lxr help --man' from the text of 'lxr help'.\n";
  out += ".TH LXR 1 \"\" \"Lexaurum\" \"User Commands\"\n.SH NAME\nlxr \\- index folders of documents and search them\n";
  out += ".SH SYNOPSIS\n.B lxr\n[\\-\\-dir DIR] [\\-\\-home DIR] [\\-\\-log FILE]\n.I COMMAND\n[ARGS...]\n";
  out += ".br\n.B lxr help\n.I COMMAND\n.SH DESCRIPTION\n" + roff(kDescription) + "\n";
  out += ".SH OPTIONS\n";
  for (const GlobalOption& o : kGlobalOptions) out += ".TP\n.B " + roff(o.flag) + "\n" + roff(o.text) + "\n";
  out += ".SH COMMANDS\n";
  for (const Page& p : pages()) {
    out += ".SS " + roff(p.name) + " \\(em " + roff(p.summary) + "\n";
    for (size_t i = 0; i < p.forms.size(); ++i) out += (i ? ".br\n" : ".PP\n") + std::string(".B lxr ") + roff(p.forms[i]) + "\n";
    out += roffParagraphs(p.description);
    for (const Option& o : p.options) out += ".TP\n.B " + roff(o.flag) + "\n" + roff(o.text) + "\n";
    for (const Example& e : p.examples) {
      out += ".PP\n.nf\n.B lxr " + roff(e.command) + "\n.fi\n";
      if (*e.effect) out += ".RS\n" + roff(e.effect) + "\n.RE\n";
    }
  }
  out += ".SH EXIT STATUS\n";
  for (const GlobalOption& o : kExitStatuses) out += ".TP\n.B " + roff(o.flag) + "\n" + roff(o.text) + "\n";
  out += ".SH EXAMPLES\n";
  for (const char* s : kFirstSteps) out += ".PP\n.nf\n" + roff(s) + "\n.fi\n";
  out += ".SH ENVIRONMENT\n.TP\n.B LXRDIR\nthe private folder, when \\-\\-dir is not given\n";
  out += ".TP\n.B NO_COLOR\nwhen set, \\-\\-color auto marks hits with brackets instead of colour\n";
  out += ".SH FILES\n.TP\n.B INDEX/INDEXLOG.DAT\nthe log of an index's jobs, read by \\fBlxr failed\\fR\n";
  out += ".SH SEE ALSO\nThe query language, the tool and the job scripts are described in docs/ of the "
         "source tree: query\\-language.md, lxr\\-tool.md, job\\-scripts.md.\n";
  return out;
}

}  // namespace helptext
