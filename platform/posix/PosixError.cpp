// Error numbers: errno values mapped onto the Windows numbers the engine tests.
#include <cerrno>
#include <cstring>

#include "platform/Platform.h"

namespace platform {

namespace {
thread_local int gLastError = 0;
}

int lastError() { return gLastError; }
void setLastError(int code) { gLastError = code; }

int errorFromErrno(int e) {
  switch (e) {
    case 0: return kErrNone;
    case ENOENT: return kErrFileNotFound;
    case ENOTDIR: return kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EWOULDBLOCK:
    case ETXTBSY: return kErrAccessDenied;
    case EBADF: return kErrInvalidHandle;
    case ENOMEM: return kErrNotEnoughMemory;
    case ENOSPC:
    case EDQUOT: return kErrDiskFull;
    case EEXIST: return kErrFileExists;
    case EINVAL:
    case ENAMETOOLONG: return kErrInvalidParameter;
    case EFBIG:
    case EOVERFLOW: return kErrFileTooLarge;
    case EIO: return kErrReadFault;
    default: return 1000 + e;  // an errno without a Windows number keeps its own
  }
}

std::string errorText(int code) {
  switch (code) {
    case kErrNone: return "No error";
    case kErrFileNotFound: return "The system cannot find the file specified";
    case kErrPathNotFound: return "The system cannot find the path specified";
    case kErrAccessDenied: return "Access is denied";
    case kErrInvalidHandle: return "The handle is invalid";
    case kErrNotEnoughMemory: return "Not enough memory";
    case kErrWriteFault: return "The system cannot write to the specified device";
    case kErrReadFault: return "The system cannot read from the specified device";
    case kErrSharingViolation: return "The file is being used by another process";
    case kErrDiskFull: return "There is not enough space on the disk";
    case kErrFileExists: return "The file exists";
    case kErrInvalidParameter: return "The parameter is incorrect";
    case kErrFileTooLarge: return "The file is too large";
    default: break;
  }
  if (code > 1000) return std::strerror(code - 1000);
  return "Error " + std::to_string(code);
}

}  // namespace platform
