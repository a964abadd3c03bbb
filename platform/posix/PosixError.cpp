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
    case ELOOP: return kErrLinkRefused;
    default: return 1000 + e;  // an errno without a Windows number keeps its own
  }
}

// The system's own words for each error (strerror), so that a message reads as every other
// program on the machine says it. Access denied also stands for a sharing refusal.
std::string errorText(int code) {
  switch (code) {
    case kErrNone: return "No error";
    case kErrFileNotFound: return std::strerror(ENOENT);
    case kErrPathNotFound: return std::strerror(ENOENT);
    case kErrAccessDenied: return std::strerror(EACCES);
    case kErrInvalidHandle: return std::strerror(EBADF);
    case kErrNotEnoughMemory: return std::strerror(ENOMEM);
    case kErrWriteFault:
    case kErrReadFault: return std::strerror(EIO);
    case kErrSharingViolation: return std::strerror(EBUSY);
    case kErrDiskFull: return std::strerror(ENOSPC);
    case kErrFileExists: return std::strerror(EEXIST);
    case kErrInvalidParameter: return std::strerror(EINVAL);
    case kErrFileTooLarge: return std::strerror(EFBIG);
    case kErrWatchLimit: return "The user limit on the total number of inotify watches was reached";
    case kErrLinkRefused: return "The name is a symbolic link, which a file written by Lexaurum never follows";
    default: break;
  }
  if (code > 1000) return std::strerror(code - 1000);
  return "Error " + std::to_string(code);
}

}  // namespace platform
