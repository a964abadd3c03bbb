// The help of lxr: one page per command (what it does, its forms, options and examples),
// the general usage, and the same text as a man page in roff, so that `lxr help CMD`,
// `lxr CMD --help` and `man lxr` never disagree. Text only; nothing here runs a command.
#pragma once

#include <string>
#include <vector>

namespace helptext {

struct Option {
  const char* flag;  // "--max N"
  const char* text;  // one sentence or a few
};

struct Example {
  const char* command;  // as typed, without a prompt
  const char* effect;
};

struct Page {
  const char* name;      // "add"
  const char* summary;   // one line: what the command is for
  std::vector<const char*> forms;  // usage lines, without the leading "lxr "
  const char* description;         // paragraphs separated by "\n\n"
  std::vector<Option> options;
  std::vector<Example> examples;
};

// Every command's page, in the order the usage lists them.
const std::vector<Page>& pages();
// The page of `command`; null when there is none.
const Page* find(const std::string& command);

// `lxr --help`: the global options, one line per command, the exit statuses.
std::string usage();
// `lxr help CMD`: the page as plain text, wrapped to 78 columns.
std::string page(const Page& p);
// One or two lines for a usage error: the command's forms and where the help is.
std::string shortUsage(const Page& p);
// The whole help as a man page (section 1).
std::string manPage();

}  // namespace helptext
