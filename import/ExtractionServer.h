// The helper process's side of extraction: reads requests from standard input, runs the named
// extractor on each and writes its answer to standard output, until the input ends. The
// address space is limited as the request says before the document is parsed (not in
// builds with the address sanitizer, which reserves far more address space than it uses).
// Depends on import/Extractors, import/ExtractionProtocol and platform/ChildProcess.
#pragma once

#include <cstddef>

#include "import/Extractors.h"

namespace extractionserver {

// Serves requests with the engine's extractors and, looked up first, the `extraCount` entries
// of `extra` (tests add their own). Returns the process's exit status: 0 when the input
// ended between requests, 2 for a damaged request, 3 when the answer could not be written.
int serve(const extractors::Entry* extra = nullptr, size_t extraCount = 0);

}  // namespace extractionserver
