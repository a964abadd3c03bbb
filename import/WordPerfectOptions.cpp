// Where the WordPerfect importers find their options.
#include "import/WordPerfectOptions.h"

namespace wordperfect {

namespace {

Options (*gSource)() = nullptr;
Options gOptions;

}  // namespace

void setOptionsSource(Options (*source)()) { gSource = source; }
void setOptions(const Options& options) { gOptions = options; }
Options currentOptions() { return gSource ? gSource() : gOptions; }

}  // namespace wordperfect
