// The engine options translated into index and search settings.
#include "api/OptionSettings.h"

namespace optionsettings {

RequestSettings requestSettings(const EngineSetup& setup) {
  RequestSettings s;
  s.options = setup.searchOptions;
  s.markers.fuzzy = setup.fuzzyChar;
  s.markers.phonic = setup.phoneticChar;
  s.markers.stemming = setup.stemmingChar;
  s.markers.synonym = setup.synonymChar;
  s.macroChar = setup.macroChar;
  return s;
}

MergeSwitches mergeSwitches(const EngineSetup& setup, bool debugging) {
  MergeSwitches s;
  if (!debugging) return s;
  s.noWords = setup.extraInt("MergeNW", 0) != 0;
  s.noRefs = setup.extraInt("MergeNR", 0) != 0;
  s.copyTrace = setup.extraInt("MergeBW", 0);
  return s;
}

}  // namespace optionsettings
