// The values of XFILTER conditions: date ranges (ISO dates) and size ranges, each optionally
// written with a leading "~" that makes the condition an exclusion. The accepted forms are
// listed in docs/query-language.md. Depends on objects/DosDateTime only.
#pragma once

#include <cstdint>
#include <string>

#include "objects/DosDateTime.h"

namespace constraintvalue {

// Splits off an exclusion mark: a value that begins with one "~" (not "~~", which opens a
// range without a low end) or with "~~~". True when it was an exclusion; *rest is the value
// without the mark.
bool splitExclusion(const std::string& value, std::string* rest);

// "DATE", "DATE~~DATE", "DATE~~" or "~~DATE", where DATE is YYYY, YYYY-MM, YYYY-MM-DD (or
// the same digits without hyphens). The range covers whole days: [first second of the low
// date, last second of the high date] in MS-DOS form. Years are taken from 1980 to 2107.
// 0 with *low and *high set, or -1 when the value is not such a range.
int parseDateRange(const std::string& value, dosdate::DosDateTime* low,
                   dosdate::DosDateTime* high);

// "N", "N~~M", "N~~" or "~~M" in bytes, each number optionally followed by K, M or G
// (1024, 1024^2, 1024^3; either case). 0 with *low and *high set (inclusive), or -1.
int parseSizeRange(const std::string& value, int64_t* low, int64_t* high);

}  // namespace constraintvalue
