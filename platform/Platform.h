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
// The user's allowance of folder watches is used up (Windows: "not enough quota").
constexpr int kErrWatchLimit = 1816;
// The name is a symbolic link where the engine writes a file of its own: never followed.
constexpr int kErrLinkRefused = 1921;

// The error of the last failed platform call on this thread (0 when none failed yet).
int lastError();
void setLastError(int code);
// The first read, write, sync or cut of an open file that failed on this thread since the
// last takeFileFailure(), as "writing /ix/INDEX_R.IX failed: No space left on device" (empty
// when none did). Kept like lastError(), so that a job that fails far from the file can
// still name the file and the cause; takeFileFailure() also clears it.
std::string takeFileFailure();
// Puts back a failure that takeFileFailure() took, unless another one is pending by now: for
// work done on a thread between its own operations whose failures belong to someone else.
void restoreFileFailure(std::string text);
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
  // Reads through the handle leave the file's last-access time alone where the system allows
  // it (the user's own files, or a privileged process); elsewhere the open goes on without.
  bool keepAccessTime = false;
};

using FileHandle = int;
constexpr FileHandle kInvalidHandle = -1;

// Opens a file with Windows sharing semantics, enforced between processes and between
// opens within this process: an open is refused with kErrAccessDenied when its access
// conflicts with another open's sharing, or its sharing with another open's access.
// Returns the handle, or kInvalidHandle with lastError() set (2 missing, 3 no folder,
// 5 refused). The sharing marks vanish with the handle, also when the process dies.
// `opened` (when given) receives the file's length and times at the open, and whether the
// last-access time is kept, without a system call of its own.
struct OpenedFile;
FileHandle openFile(const char* name, const OpenRequest& request, OpenedFile* opened = nullptr);
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
// Forces written data to the disk; 0 or -1. Does nothing (and succeeds) on a thread inside
// a SyncsSkipped scope.
int syncFile(FileHandle handle);
// While one lives, syncFile on this thread returns at once: for files that are deleted when
// the work that writes them ends (the temporary index of an unindexed scan), where a sync
// would only wait for the disk. Scopes nest.
class SyncsSkipped {
 public:
  SyncsSkipped();
  ~SyncsSkipped();
  SyncsSkipped(const SyncsSkipped&) = delete;
  SyncsSkipped& operator=(const SyncsSkipped&) = delete;
};
// Maps the first n bytes (n > 0) of a file open for reading into memory as a private copy:
// it reads as the file does, and a write to it changes only this process's copy. Null when
// the system refuses, and always while a fault plan is active (tests of failing reads then
// keep reading through readAt). A file cut shorter while mapped makes access past its new end
// fault, so callers map only files that no one cuts while they read them.
char* mapFile(FileHandle handle, int64_t n);
void unmapFile(char* data, int64_t n);

// File times as seconds and nanoseconds since 1970 (UTC).
struct FileTime {
  int64_t seconds = 0;
  int32_t nanoseconds = 0;
};
struct FileTimes {
  FileTime creation;    // the status change time on systems that keep no creation time
  FileTime lastWrite;
  FileTime lastAccess;
  int64_t length = 0;   // the file's length at the same moment
};
int fileTimes(FileHandle handle, FileTimes* out);
// What openFile tells of the file it opened.
struct OpenedFile {
  FileTimes times;
  bool accessTimeKept = false;  // keepAccessTime was asked and the system allowed it
};
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
// The folder of the loaded file (the executable or a shared library) whose code holds
// `address`, e.g. a function's; "" when no loaded file holds it.
std::string moduleDirectory(const void* address);
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

// ---- Folder watches ------------------------------------------------------------------------
// A watch set reports what happens in the folders it watches: entries made, written,
// deleted or moved, and a watched folder itself going away. Each watched folder uses one of
// the user's watches (fs.inotify.max_user_watches); when the set's queue overflows, the
// events lost are reported as one overflow event. Watching a folder does not watch its
// subfolders.
using WatchSet = int;
constexpr WatchSet kNoWatchSet = -1;

// What an event says (several bits may be set).
enum WatchBits : uint32_t {
  kWatchMade = 1,         // an entry was made in the folder
  kWatchWritten = 2,      // a file was written to, or closed after writing
  kWatchDeleted = 4,      // an entry was deleted
  kWatchMovedOut = 8,     // an entry was moved away (`cookie` pairs it with its kWatchMovedIn)
  kWatchMovedIn = 16,     // an entry was moved in
  kWatchAttributes = 32,  // an entry's times or permissions changed
  kWatchFolder = 64,      // the entry is a folder
  kWatchGone = 128,       // the watched folder itself was deleted or moved: its watch ends
  kWatchOverflow = 256,   // events were lost (watch is -1)
};

struct WatchEvent {
  int watch = -1;        // the number addWatch gave the folder
  uint32_t what = 0;     // WatchBits
  uint32_t cookie = 0;
  std::string name;      // the entry within the folder; empty for the folder itself
};

// A new, empty watch set, or kNoWatchSet with lastError(). Closed by closeWatchSet.
WatchSet openWatchSet();
int closeWatchSet(WatchSet set);
// Watches `folder` (symbolic links followed). The watch's number (the same folder gives the
// same number again), or -1 with lastError(): kErrWatchLimit when the user's watches are used
// up, 2 or 3 when the folder is missing, 5 when it cannot be read.
int addWatch(WatchSet set, const char* folder);
// Ends a watch; its last event (kWatchGone) may still be read. 0 or -1.
int removeWatch(WatchSet set, int watch);
// Waits until one of `sets` has events or a caught signal (catchSignal) arrives, at most
// `timeoutMillis` (-1: without limit). 1 when something arrived, 0 at the time limit, -1.
int waitForWatchEvents(const std::vector<WatchSet>& sets, int timeoutMillis);
// Appends the events waiting in `set` without waiting (at most about a megabyte of them at
// a time). The count appended, or -1.
int readWatchEvents(WatchSet set, std::vector<WatchEvent>* out);
// The user's allowance of watches (fs.inotify.max_user_watches); -1 when unknown.
int64_t userWatchLimit();

// ---- Signals and priority ------------------------------------------------------------------
enum class Signal { Interrupt, Terminate, Pause, Resume };  // SIGINT, SIGTERM, SIGUSR1, SIGUSR2

// From now on `signal` is counted instead of taking its default action, and it ends a
// waitForWatchEvents. 0 or -1.
int catchSignal(Signal signal);
// Puts back the default action.
void releaseSignal(Signal signal);
// How often `signal` arrived since the process started (safe to read at any time).
int signalCount(Signal signal);

// Lowers the process's CPU priority to the lowest and puts its disk I/O in the idle class
// (served only when no other process uses the disk). 0, or -1 when either could not be set.
int runAtIdlePriority();

// ---- Run-time libraries -------------------------------------------------------------------
void* loadLibrary(const char* path);         // null on failure, lastError() and libraryError()
void* librarySymbol(void* library, const char* name);
void freeLibrary(void* library);
std::string libraryError();

}  // namespace platform
