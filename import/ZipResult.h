// The result codes of the ZIP container and their texts. The codes below 100 are those of the
// unzip library the container was first written for; from 101 on they are the container's
// own (a failed search by name, and the refusals that protect against hostile archives).
#pragma once

#include <string>

namespace zipresult {

constexpr int kOk = 0;
constexpr int kUnexpectedEnd = 2;
constexpr int kStructureInvalid = 3;
constexpr int kOutOfMemory = 4;
constexpr int kNotFound = 9;
constexpr int kNothingToDo = 11;
constexpr int kIndexOutOfBounds = 25;
constexpr int kCreateOutputFailed = 28;
constexpr int kOpenArchiveFailed = 29;
constexpr int kBadCrc = 39;
constexpr int kEncrypted = 41;
constexpr int kUnknownCompression = 42;
constexpr int kBadCommand = 47;
constexpr int kDiskFull = 50;
constexpr int kItemNotFound = 101;
constexpr int kMemberTooLarge = 102;
constexpr int kRatioTooHigh = 103;
constexpr int kArchiveTooLarge = 104;
constexpr int kUnsafeName = 105;
constexpr int kSymbolicLink = 106;
constexpr int kNotOpen = 107;
constexpr int kNoLibrary = 108;  // the zip library could not be loaded

// The text of a code: "OK", "Item not found", ..., "Zip error code N" for unknown codes.
std::string text(int code);

}  // namespace zipresult
