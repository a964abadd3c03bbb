// Saves an index job as a job script: the index's name and folder, a Create line for a new
// index (with Case and Accent when it distinguishes them), the include and exclude
// patterns, the document folders (continuation lines after the first) and the job's actions.
// Depends on the engine interface records and objects/.
#pragma once

#include <string>

#include "lexaurum/lexaurum.h"

class Reporter;

namespace script {

// Writes the script for `job` into `fileName` with its extension made "job"; an existing
// file is replaced only when `reporter`'s question (message 71) is answered yes. 0 with
// *writtenName set, or -1 (declined, or the file cannot be written: *error says which).
int writeScript(const lxrIndexJob& job, const std::string& fileName, Reporter& reporter,
                std::string* writtenName, std::string* error);

}  // namespace script
