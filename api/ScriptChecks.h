// The checks of a job script's TEST command over files a run has written: the hit positions
// of an item in a search listing (TEST RESULTS) and a text in a document's section of a
// search report (TEST REPORT). Each gives the failure texts the log shows; none means the
// check passed. Depends on api/SearchReport (the report's layout).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace script {

// In the listing `listingName` (lines beginning with "*" ignored), the line containing
// `item` must occur once and the next non-empty line hold exactly `expected` as its hit
// positions (blanks and braces separate them). An item beginning with "~" must not occur.
std::vector<std::string> checkResults(const std::string& listingName, const std::string& item,
                                      const std::vector<int32_t>& expected);

// In the search report `reportName`, the section of a document whose name line contains
// `document` must have a line containing `text`; a text beginning with "*" matches only
// lines that begin with "*" and contain the rest. A leading "~" on either turns the test
// around: finding it fails.
std::vector<std::string> checkReport(const std::string& reportName, const std::string& document,
                                     const std::string& text);

}  // namespace script
