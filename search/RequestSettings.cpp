// RequestSettings: taken from the engine options.
#include "search/RequestSettings.h"

RequestSettings RequestSettings::fromSetup(const EngineSetup& setup) {
  RequestSettings s;
  s.options = setup.searchOptions;
  s.markers.fuzzy = setup.fuzzyChar;
  s.markers.phonic = setup.phoneticChar;
  s.markers.stemming = setup.stemmingChar;
  s.markers.synonym = setup.synonymChar;
  s.macroChar = setup.macroChar;
  return s;
}
