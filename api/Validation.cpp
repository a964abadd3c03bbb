// Argument checks of the engine interface.
#include "api/Validation.h"

#include <string>
#include <vector>

#include "api/ErrorReporter.h"
#include "objects/StringSet.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace validation {

int writableRecord(void* record, size_t size, const char* name) {
  if (!platform::isWritable(record, size))
    return apierror::report("Parameter Validation Error: Bad Object Pointer", name);
  return 0;
}

int readableRecord(const void* record, size_t size, const char* name) {
  if (!platform::isReadable(record, size))
    return apierror::report("Parameter Validation Error: Bad Object Pointer", name);
  return 0;
}

int callback(const void* fn, const char* name) {
  if (fn && !platform::isCode(fn))
    return apierror::report("Parameter Validation Error: Bad Callback", name);
  return 0;
}

int text(const char* s, size_t maxLength, const char* name) {
  if (!platform::isReadableString(s, maxLength))
    return apierror::report("Parameter Validation Error: Bad Object Pointer", name);
  return 0;
}

int stringSet(const StringSet* set, const char* name) {
  if (!set) return 0;
  if (!platform::isReadable(set, sizeof(StringSet)) || !set->isValid())
    return apierror::report("Parameter Validation Error: Bad String Set", name);
  return 0;
}

int fileSpec(const lxrFileSpec* files, const char* name) {
  std::string base = name;
  if (readableRecord(files, sizeof(lxrFileSpec), name) < 0) return -1;
  if (stringSet(files->includeFilters, (base + ".includeFilters").c_str()) < 0) return -1;
  if (stringSet(files->excludeFilters, (base + ".excludeFilters").c_str()) < 0) return -1;
  if (files->fileConditions && !platform::isReadable(files->fileConditions, 1))
    return apierror::report("Parameter Validation Error: Bad Object Pointer",
                            base + ".fileConditions");
  return 0;
}

int jobCallback(lxrJobBase* job, size_t progressSize) {
  trace::text("Validating callback...");
  if (!job->pReportCallBack) {
    trace::text("   (no callback supplied)");
  } else {
    if (callback(reinterpret_cast<const void*>(job->pReportCallBack), "pReportCallBack") < 0)
      return -1;
    std::vector<unsigned char> progress(progressSize, 0);
    job->pReportCallBack(job->pReportData, progress.data());
  }
  trace::text("Validating callback Done OK");
  return 0;
}

}  // namespace validation
