// Checks of the arguments handed to the entry operations: each pointer is probed before it
// is read, so a bad record gives a failure with the field's name, never a fault.
#pragma once

#include <cstdint>

#include "lexaurum/lexaurum.h"

namespace validation {

// Each returns 0 when the argument is sound, else reports
// "Parameter Validation Error: ..." with the name through the error reporter and returns -1.
int writableRecord(void* record, size_t size, const char* name);
int readableRecord(const void* record, size_t size, const char* name);
int callback(const void* fn, const char* name);        // null is fine
int text(const char* s, size_t maxLength, const char* name);
int stringSet(const StringSet* set, const char* name);  // null is fine
int fileSpec(const lxrFileSpec* files, const char* name);
// The job's progress call-back: logged, probed, and called once with a zero-filled progress
// record of `progressSize` bytes.
int jobCallback(lxrJobBase* job, size_t progressSize);

}  // namespace validation
