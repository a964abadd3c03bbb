// The built-in document formats: their registrations, in the order the registry receives
// them (the newest is tried first among equal scores), and the importer each one makes.
// Depends on import/ViewerTable and the importers.
#pragma once

class ViewerTable;

namespace builtinviewers {

// Adds every built-in registration to `table`; traces "Register viewers complete -- time = "
// with the elapsed milliseconds. Returns the number added.
int registerAll(ViewerTable& table);

}  // namespace builtinviewers
