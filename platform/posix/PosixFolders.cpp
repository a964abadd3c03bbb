// Folders and names on POSIX: existence tests, making and removing files and folders, renames,
// sizes, free disk space, folder listings and the well-known folders (current, executable,
// home). Failures set lastError() with the Windows error numbers the engine tests.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <dlfcn.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/Platform.h"
#include "platform/posix/PathError.h"

namespace platform {

namespace {

using posix::failErrno;
using posix::failPath;

bool statPath(const char* name, struct stat* st) {
  return name && *name && ::stat(name, st) == 0;
}

bool invalidName(const char* name) {
  if (name && *name) return false;
  setLastError(kErrPathNotFound);
  return true;
}

// The folder part of `path`, or "." for a bare name.
std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

bool fileExists(const char* name) {
  struct stat st;
  return statPath(name, &st) && !S_ISDIR(st.st_mode);
}

bool directoryExists(const char* name) {
  struct stat st;
  return statPath(name, &st) && S_ISDIR(st.st_mode);
}

int makeDirectory(const char* name) {
  if (invalidName(name)) return -1;
  if (::mkdir(name, 0777) == 0) return 0;
  int err = errno;
  if (err == EEXIST) {
    if (directoryExists(name)) return 0;
    setLastError(kErrFileExists);  // a file of that name is in the way
    return -1;
  }
  return failPath(name, err);
}

int makeDirectories(const char* name) {
  if (invalidName(name)) return -1;
  std::string path(name);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  // Make each level in turn, from the top down.
  for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    std::string level = slash == std::string::npos ? path : path.substr(0, slash);
    if (!level.empty() && level.back() != '/' && makeDirectory(level.c_str()) < 0) return -1;
    if (slash == std::string::npos) break;
  }
  return 0;
}

int removeFile(const char* name) {
  if (invalidName(name)) return -1;
  if (::unlink(name) == 0) return 0;
  // unlink on a folder reports EISDIR (Linux); Windows says access denied.
  if (errno == EISDIR || errno == EPERM) {
    setLastError(kErrAccessDenied);
    return -1;
  }
  return failPath(name, errno);
}

int removeDirectory(const char* name) {
  if (invalidName(name)) return -1;
  if (::rmdir(name) == 0) return 0;
  return failPath(name, errno);
}

int renameFile(const char* from, const char* to) {
  if (invalidName(from) || invalidName(to)) return -1;
  if (::rename(from, to) == 0) return 0;
  int err = errno;
  // Name the side that is missing: the source, or the target's folder.
  if (err == ENOENT && !posix::parentFolderExists(to) && ::access(from, F_OK) == 0)
    return failPath(to, err);
  return failPath(from, err);
}

int64_t fileSizeByName(const char* name) {
  struct stat st;
  if (invalidName(name)) return -1;
  if (::stat(name, &st) < 0) return failPath(name, errno);
  return static_cast<int64_t>(st.st_size);
}

int64_t freeDiskSpace(const char* path) {
  if (invalidName(path)) return -1;
  // A file that does not exist yet lives on the disk of its folder.
  std::string probe(path);
  struct statvfs vfs;
  while (::statvfs(probe.c_str(), &vfs) < 0) {
    if (errno != ENOENT || probe == "/" || probe == ".") return failPath(path, errno);
    probe = folderOf(probe);
  }
  unsigned long long bytes =
      static_cast<unsigned long long>(vfs.f_bavail) * static_cast<unsigned long long>(vfs.f_frsize);
  return bytes > static_cast<unsigned long long>(INT64_MAX) ? INT64_MAX
                                                            : static_cast<int64_t>(bytes);
}

namespace {

void fillEntry(const struct stat& st, DirEntry* entry) {
  entry->isDirectory = S_ISDIR(st.st_mode);
  entry->isRegularFile = S_ISREG(st.st_mode);
  entry->size = entry->isDirectory ? 0 : static_cast<int64_t>(st.st_size);
  entry->lastWrite.seconds = st.st_mtim.tv_sec;
  entry->lastWrite.nanoseconds = static_cast<int32_t>(st.st_mtim.tv_nsec);
  entry->device = static_cast<uint64_t>(st.st_dev);
  entry->inode = static_cast<uint64_t>(st.st_ino);
}

}  // namespace

int describePath(const char* name, DirEntry* out) {
  if (invalidName(name)) return -1;
  if (!out) {
    setLastError(kErrInvalidParameter);
    return -1;
  }
  struct stat st;
  if (::stat(name, &st) < 0) return failPath(name, errno);
  std::string path(name);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  size_t slash = path.rfind('/');
  out->name = slash == std::string::npos ? path : path.substr(slash + 1);
  fillEntry(st, out);
  return 0;
}

int listDirectory(const char* folder, std::vector<DirEntry>* out) {
  if (invalidName(folder)) return -1;
  if (!out) {
    setLastError(kErrInvalidParameter);
    return -1;
  }
  DIR* dir = ::opendir(folder);
  if (!dir) return failPath(folder, errno);
  std::vector<DirEntry> entries;
  // Entries are looked up from the open folder, not through the whole path again.
  const int dirFd = ::dirfd(dir);
  for (;;) {
    errno = 0;
    struct dirent* e = ::readdir(dir);
    if (!e) break;
    std::string name(e->d_name);
    if (name == "." || name == "..") continue;
    struct stat st;
    // An entry removed meanwhile, or a dangling link, is left out.
    if (::fstatat(dirFd, name.c_str(), &st, 0) < 0) continue;
    DirEntry entry;
    entry.name = std::move(name);
    fillEntry(st, &entry);
    entries.push_back(std::move(entry));
  }
  int err = errno;
  ::closedir(dir);
  if (err != 0) return failErrno(err);
  *out = std::move(entries);
  return 0;
}

std::string currentDirectory() {
  std::string buffer(PATH_MAX, '\0');
  if (!::getcwd(buffer.data(), buffer.size())) {
    failErrno(errno);
    return std::string();
  }
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return buffer;
}

std::string executableDirectory() {
  std::string buffer(PATH_MAX, '\0');
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) {
    failErrno(n < 0 ? errno : ENOENT);
    return std::string();
  }
  buffer.resize(static_cast<size_t>(n));
  return folderOf(buffer);
}

std::string moduleDirectory(const void* address) {
  Dl_info info{};
  if (!::dladdr(address, &info) || !info.dli_fname) return std::string();
  // The main program is named as it was started ("" or a bare name), not by its path.
  if (info.dli_fname[0] != '/') return executableDirectory();
  return folderOf(info.dli_fname);
}

std::string homeDirectory() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<size_t>(size) : 16384u, '\0');
  struct passwd pw;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) != 0 || !found ||
      !found->pw_dir)
    return std::string();
  return found->pw_dir;
}

}  // namespace platform
