// ZipLibrary: the libzip calls of the unzip layer (import/ZipArchive), taken from the shared
// library the first time an archive is opened. A program run that opens no archive (every
// search, most commands) then loads neither libzip nor the crypto library it pulls in, which
// would cost each start of lxr more than a search of a rare word. Depends on platform/ only.
#pragma once

#include <zip.h>

// The calls, each named without its "zip_" prefix.
#define LXR_ZIP_CALLS(X)                                                                        \
  X(discard) X(error_code_zip) X(error_fini) X(error_init) X(error_set) X(error_to_data)        \
  X(fclose) X(file_get_error) X(file_get_external_attributes) X(fopen_index) X(fread)           \
  X(get_error) X(get_num_entries) X(name_locate) X(open_from_source) X(source_free)             \
  X(source_function_create) X(source_make_command_bitmap) X(source_seek_compute_offset)         \
  X(stat_index) X(stat_init)

struct ZipCalls {
#define LXR_ZIP_CALL_POINTER(name) decltype(&::zip_##name) name = nullptr;
  LXR_ZIP_CALLS(LXR_ZIP_CALL_POINTER)
#undef LXR_ZIP_CALL_POINTER
};

namespace ziplibrary {

// The calls, loaded on the first call; null when the library or one of its calls cannot be
// found (said once in the debug log, with the loader's reason). Threads: any.
const ZipCalls* calls();

// The library's file name, as the loader looks it up.
const char* fileName();

}  // namespace ziplibrary
