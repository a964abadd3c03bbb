// The engine options the WordPerfect importers follow: whether every variable-length
// function is checked against its trailing copy, and the text option (page breaks as
// blanks, the text of marked entries in the text). The engine installs a function that reads
// its current options; without one the values last given to setOptions apply (initially:
// check on, text option off). docs/importers.md says which options these are.
#pragma once

namespace wordperfect {

struct Options {
  bool checkTrailingCopies = true;
  bool textOption = false;
};

void setOptionsSource(Options (*source)());
void setOptions(const Options& options);
Options currentOptions();

}  // namespace wordperfect
