// The engine options translated into the settings of the layers below the interface: the
// request parser's word options and markers, and the merge's debugging switches. The index
// and search code never read the options themselves. Depends on api/EngineSetup, index/ and
// search/.
#pragma once

#include "api/EngineSetup.h"
#include "index/MergeFile.h"
#include "search/RequestSettings.h"

namespace optionsettings {

// The word options, marker and macro characters of `setup`; the pointers stay null.
RequestSettings requestSettings(const EngineSetup& setup);

// The merge's debugging switches from the options when `debugging` is on; all off otherwise.
MergeSwitches mergeSwitches(const EngineSetup& setup, bool debugging);

}  // namespace optionsettings
