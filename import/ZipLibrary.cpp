#include "import/ZipLibrary.h"

#include "objects/Trace.h"
#include "platform/Platform.h"

#ifndef LXR_LIBZIP_SONAME
#error "the build names the libzip shared library (LXR_LIBZIP_SONAME)"
#endif

namespace ziplibrary {

namespace {

const ZipCalls* load() {
  void* library = platform::loadLibrary(LXR_LIBZIP_SONAME);
  if (!library) {
    trace::line("ZipLibrary: %s cannot be loaded: %s", LXR_LIBZIP_SONAME, platform::libraryError().c_str());
    return nullptr;
  }
  static ZipCalls calls;
  bool complete = true;
#define LXR_ZIP_CALL_LOAD(name)                                                                      \
  calls.name = reinterpret_cast<decltype(calls.name)>(platform::librarySymbol(library, "zip_" #name)); \
  if (!calls.name) {                                                                                 \
    trace::line("ZipLibrary: %s has no zip_" #name, LXR_LIBZIP_SONAME);                            \
    complete = false;                                                                                \
  }
  LXR_ZIP_CALLS(LXR_ZIP_CALL_LOAD)
#undef LXR_ZIP_CALL_LOAD
  // The library stays loaded for the rest of the run: archives may be opened again.
  return complete ? &calls : nullptr;
}

}  // namespace

const ZipCalls* calls() {
  static const ZipCalls* const loaded = load();
  return loaded;
}

const char* fileName() { return LXR_LIBZIP_SONAME; }

}  // namespace ziplibrary
