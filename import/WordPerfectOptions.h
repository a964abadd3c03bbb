// The engine options the WordPerfect importers follow: whether every variable-length
// function is checked against its trailing copy, and the text option (page breaks as
// blanks, the text of marked entries in the text). The importer registry hands them to the
// importers (import/ImportSettings.h); docs/importers.md says which options these are.
#pragma once

namespace wordperfect {

struct Options {
  bool checkTrailingCopies = true;
  bool textOption = false;
};

}  // namespace wordperfect
