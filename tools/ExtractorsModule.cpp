// lexaurum-extractors.so: the extractors of complex formats as a module the engine loads when
// it parses them in its own process (import/ExtractorModule.h). The module is lxr_extractors
// linked whole behind one exported C function, lxr_find_extractor (import/Extractors.h); the
// version script ExtractorsModule.map hides everything else, so the module's copies of the
// engine's code never stand in for the loading program's own.
// The library's own link option keeps the entry point; this file holds no code of its own.
#include "import/Extractors.h"
