// The one door to the operating system: files with open and sharing modes, file times and
// attributes, folders, free space, environment, pointer probes, the Windows-1252 character
// classification and run-time libraries. The engine is written against these calls only;
// the POSIX back-end lives in platform/posix/. Nothing here depends on any other folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace platform {

// ---- Error numbers -------------------------------------------------------------------------
// The engine tests the Windows error numbers; errno values are mapped onto them.
constexpr int kErrNone = 0;
constexpr int kErrFileNotFound = 2;
constexpr int kErrPathNotFound = 3;
constexpr int kErrAccessDenied = 5;
constexpr int kErrInvalidHandle = 6;
constexpr int kErrNotEnoughMemory = 8;
constexpr int kErrWriteFault = 29;
constexpr int kErrReadFault = 30;
constexpr int kErrSharingViolation = 32;
constexpr int kErrDiskFull = 112;
constexpr int kErrFileExists = 80;
constexpr int kErrInvalidParameter = 87;
constexpr int kErrFileTooLarge = 223;
// The name is a symbolic link where the engine writes a file of its own: never followed.
constexpr int kErrLinkRefused = 1921;

// The error of the last failed platform call on this thread (0 when none failed yet).
int lastError();
void setLastError(int code);
// Maps an errno value to the error numbers above.
int errorFromErrno(int errnoValue);
// A readable text for an error number (the system's text where there is one).
std::string errorText(int code);

// ---- Files ---------------------------------------------------------------------------------
// CreateFresh makes a new file for this open alone: a plain file already at the name is
// removed first and the file is made exclusively, so nothing planted there (a link, a hard
// link to someone's file) is written through; a symbolic link at the name is refused
// (kErrLinkRefused) and left alone.
enum class Disposition { OpenExisting, OpenAlways, CreateAlways, TruncateExisting, CreateFresh };

struct OpenRequest {
  bool read = false;
  bool write = false;
  bool shareRead = false;   // others may open for reading meanwhile
  bool shareWrite = false;  // others may open for writing meanwhile
  Disposition disposition = Disposition::OpenExisting;
  // A symbolic link at the name itself is refused (kErrLinkRefused), never followed; links
  // among the folders above it still are.
  bool noFollow = false;
};

using FileHandle = int;
constexpr FileHandle kInvalidHandle = -1;

// Opens a file with Windows sharing semantics, enforced between processes and between
// opens within this process: an open is refused with kErrAccessDenied when its access
// conflicts with another open's sharing, or its sharing with another open's access.
// Returns the handle, or kInvalidHandle with lastError() set (2 missing, 3 no folder,
// 5 refused). The sharing marks vanish with the handle, also when the process dies.
FileHandle openFile(const char* name, const OpenRequest& request);
// A C stream over a file the engine writes under a name of its own ("a" appends, "w" replaces
// the contents, "w+" also reads them back; a "b" is ignored): opened as openFile does with
// noFollow, and with "w" or "w+" as CreateFresh. Null with lastError() on failure. The
// caller closes it with fclose.
std::FILE* openStream(const char* name, const char* mode);
// Closes the handle; -1 with lastError() when the system reports a failure.
int closeFile(FileHandle handle);
// Reads at most n bytes at pos; returns the count read (0 at the end) or -1.
int64_t readAt(FileHandle handle, void* buffer, int64_t n, int64_t pos);
// Writes n bytes at pos; returns n or -1 (a short write is a failure, kErrDiskFull).
int64_t writeAt(FileHandle handle, const void* buffer, int64_t n, int64_t pos);
// Cuts or extends the file to n bytes; 0 or -1.
int truncateFile(FileHandle handle, int64_t n);
// The file's length in bytes, or -1.
int64_t fileLength(FileHandle handle);
// Forces written data to the disk; 0 or -1.
int syncFile(FileHandle handle);

// File times as seconds and nanoseconds since 1970 (UTC).
struct FileTime {
  int64_t seconds = 0;
  int32_t nanoseconds = 0;
};
struct FileTimes {
  FileTime creation;    // the status change time on systems that keep no creation time
  FileTime lastWrite;
  FileTime lastAccess;
};
int fileTimes(FileHandle handle, FileTimes* out);
// The device and inode of the open file, as describePath gives them for a name; 0 or -1.
int fileIdentity(FileHandle handle, uint64_t* device, uint64_t* inode);
int fileTimesByName(const char* name, FileTimes* out);
// Sets the last-write time (the creation time cannot be set here); 0 or -1.
int setWriteTime(const char* name, const FileTime& time);
// Puts back a last-access time, leaving the modification time alone; 0 or -1.
int setAccessTime(const char* name, const FileTime& time);

// The read-only attribute is the absence of every write permission bit.
// Returns 1 read-only, 0 writable, -1 missing.
int isReadOnly(const char* name);
int setReadOnly(const char* name, bool readOnly);

// ---- Folders and names ---------------------------------------------------------------------
bool fileExists(const char* name);        // a plain file (or anything not a folder)
bool directoryExists(const char* name);
int makeDirectory(const char* name);      // one level; 0 when made or already there
int makeDirectories(const char* name);    // every missing level in turn
int removeFile(const char* name);         // 0 or -1 with lastError()
int removeDirectory(const char* name);    // an empty folder
int renameFile(const char* from, const char* to);  // replaces `to` atomically
int64_t fileSizeByName(const char* name); // -1 when missing
// Bytes free for this user on the disk that holds `path`; -1 when unknown.
int64_t freeDiskSpace(const char* path);

struct DirEntry {
  std::string name;  // without the folder
  bool isDirectory = false;
  bool isRegularFile = false;  // false for devices, pipes and sockets
  int64_t size = 0;
  FileTime lastWrite;
  // Device and inode of what the entry leads to (after symbolic links): equal pairs are the
  // same folder or file, which lets a walk notice a folder it has already been through.
  uint64_t device = 0;
  uint64_t inode = 0;
};
// Lists a folder (without "." and ".."), in no particular order; 0 or -1.
int listDirectory(const char* folder, std::vector<DirEntry>* out);
// Describes one path as listDirectory would (the name is the last part of the path); 0, or
// -1 with lastError() when it does not exist.
int describePath(const char* name, DirEntry* out);

std::string currentDirectory();
// The folder that holds the running executable.
std::string executableDirectory();
// The user's home folder, from $HOME or the password database.
std::string homeDirectory();

// ---- Environment and process ---------------------------------------------------------------
// The variable's value, or null when it is not set.
const char* getEnv(const char* name);
int setEnv(const char* name, const char* value);
// Every variable of the process environment as "NAME=value".
std::vector<std::string> environment();
// The process's memory: resident now, the resident peak, and the address space.
struct MemoryUse {
  int64_t residentBytes = 0;
  int64_t peakResidentBytes = 0;
  int64_t virtualBytes = 0;
};
int memoryUse(MemoryUse* out);  // 0, or -1 when unknown
int processId();
// The login name of the user who runs the process ("" when unknown).
std::string userName();

// Current time as C time (seconds since 1970) and its local broken-down form.
std::time_t now();
bool localTime(std::time_t t, std::tm* out);
std::time_t makeLocalTime(std::tm* tm);

// ---- Pointer probes ------------------------------------------------------------------------
// Each probe asks the kernel, so a bad pointer gives false, never a fault.
bool isReadable(const void* p, size_t n);
bool isWritable(void* p, size_t n);
// A NUL within maxLength+1 bytes, every byte up to it readable.
bool isReadableString(const char* s, size_t maxLength);
// The address lies in an executable mapping of this process.
bool isCode(const void* fn);

// ---- Windows-1252 character classes -------------------------------------------------------
bool isCharAlphaNumeric(unsigned char c);
bool isCharAlpha(unsigned char c);
bool isCharLower(unsigned char c);
bool isCharUpper(unsigned char c);
unsigned char charLower(unsigned char c);
unsigned char charUpper(unsigned char c);

// ---- Run-time libraries -------------------------------------------------------------------
void* loadLibrary(const char* path);         // null on failure, lastError() and libraryError()
void* librarySymbol(void* library, const char* name);
void freeLibrary(void* library);
std::string libraryError();

}  // namespace platform
