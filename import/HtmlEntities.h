// The named character references of HTML ("&eacute;", "&euro;", ...). Depends on nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace htmlentities {

// The Unicode code point of the reference whose name is the `length` bytes at `name` (without
// "&" and ";"), or 0 when there is no such name.
uint32_t lookup(const char* name, size_t length);

}  // namespace htmlentities
