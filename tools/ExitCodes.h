// The exit statuses of every lxr command, one meaning each, so that scripts can tell "found
// nothing" from a failure and a failure's kind from another's. docs/lxr-tool.md lists them.
#pragma once

namespace exitcodes {

constexpr int kDone = 0;
constexpr int kNothing = 1;     // nothing found (search, show, words, failed) or nothing to do
constexpr int kUsage = 2;       // bad usage, a missing file or folder, a faulty request
constexpr int kBusy = 3;        // the index or the private folder is in use or locked
constexpr int kIoError = 4;     // an I/O error, a full disk, or a failure of another kind
constexpr int kDamaged = 5;     // the index is damaged (or of another version)

}  // namespace exitcodes
