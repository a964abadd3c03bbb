// What the lxr commands share: filling a record's text field and finding an index's folder.
#pragma once

#include <string>

namespace toolsupport {

void copyField(char* field, size_t capacity, const std::string& value);
// `path` made absolute and normal.
std::string absolute(const std::string& path);
// The folder of INDEX: an index of the library by that name, else the path itself.
std::string indexFolder(const std::string& index);

}  // namespace toolsupport
