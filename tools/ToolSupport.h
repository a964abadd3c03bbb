// What the lxr commands share: filling a record's text field, finding an index's folder, and
// the one-line complaints about a path that is missing or is not an index.
#pragma once

#include <string>

namespace toolsupport {

void copyField(char* field, size_t capacity, const std::string& value);
// `path` made absolute and normal.
std::string absolute(const std::string& path);
// The folder of INDEX: an index of the library by that name, else the path itself.
std::string indexFolder(const std::string& index);

// kDone when `folder` holds an index; otherwise says why not on standard error ("lxr: PATH:
// No such file or directory", "lxr: PATH is not an index") and returns kUsage.
int checkIndexFolder(const std::string& folder);
// kDone when `path` exists (a folder when `folder` is set, else a file); otherwise says so as
// above and returns kUsage.
int checkExists(const std::string& path, bool folder);

}  // namespace toolsupport
