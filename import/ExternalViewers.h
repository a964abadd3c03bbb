// External viewers: libraries in the folder "viewers" under the home folder that register
// more formats through the entry "lxrMakeViewerInfo" (include/lexaurum/lxrviewer.h). They are
// loaded after the built-in formats and stay loaded until unloadExternalViewers.
// Depends on import/ViewerTable and platform/ (libraries, folders).
#pragma once

#include <string>

class ViewerTable;

namespace externalviewers {

constexpr int kMaxLibraries = 19;
// Registrations asked of one library at most; a library that never says "no more" stops here.
constexpr int kMaxRegistrationsPerLibrary = 256;

// Loads every "*.so" file of `<homeDir>/viewers` (in name order) and registers what each one
// offers in `table`. Libraries that fail to load or lack the entry are skipped with a trace
// line. Returns the number of registrations added.
int loadAll(ViewerTable& table, const std::string& homeDir);
// Unloads every library loaded by loadAll. The caller first removes their registrations
// from the registry (their functions go away with the library).
void unloadAll();
// The number of libraries loaded now.
int loadedCount();

}  // namespace externalviewers
