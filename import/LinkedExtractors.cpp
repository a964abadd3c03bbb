// Whether this program links the extractors. lxr_extractors defines lxr_find_extractor and
// makes every program that links it keep that definition (a linker option of the library);
// here it is a weak reference, null in a program without them, so the engine's own code never
// pulls in poppler, GMime or libxml2.
#include "import/Extractors.h"

extern "C" const extractors::Entry* lxr_find_extractor(const char* name, size_t length)
    __attribute__((weak));

namespace extractors {

namespace {

const Entry* findLinked(std::string_view name) { return lxr_find_extractor(name.data(), name.size()); }

}  // namespace

const Entry* (*linked())(std::string_view name) { return lxr_find_extractor ? findLinked : nullptr; }

}  // namespace extractors
