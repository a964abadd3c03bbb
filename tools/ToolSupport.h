// What the lxr commands share: filling a record's text field, finding an index's folder, and
// the one-line complaints about a path that is missing or is not an index.
#pragma once

#include <string>
#include <vector>

#include "lexaurum/lexaurum.h"

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

// The value after the option args[*at] (*at moves onto it). False, with *error ("--max needs a
// value"), when there is none.
bool optionValue(const std::vector<std::string>& args, size_t* at, std::string* out, std::string* error);
// An argument no option took: an operand, appended to `operands`; or, when it begins with
// "-", an unknown option: false with *error.
bool operand(const std::string& arg, std::vector<std::string>* operands, std::string* error);
// A date of the engine interface as "2026-12-09 06:07:33", or "never" when it is all zero.
std::string dateText(const lxrDate& date);

}  // namespace toolsupport
