// Runs an index job record for the engine interface: finds the index's folder (the record's
// path, or the index library's entry for its name), fills the job's settings from the
// engine's options, runs the job and adds a new index to the library when asked.
// Depends on api/LexaurumInstance and index/IndexJob.
#pragma once

#include "index/IndexJob.h"
#include "lexaurum/lexaurum.h"

class LexaurumInstance;

namespace indexjobs {

// The settings of index jobs from the engine's options.
IndexJobSettings settingsFrom(LexaurumInstance& engine);

// 0 or -1; failures are reported through the error reporter and the job's index log.
int run(LexaurumInstance& engine, lxrIndexJob* record);

}  // namespace indexjobs
