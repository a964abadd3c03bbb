// The open-mode bits callers pass to File::open, IOFile::open and LockFile. Bits combine;
// the mapping onto access, sharing and disposition lives in File.
#pragma once

namespace filemode {

constexpr int kRead = 1;
constexpr int kWrite = 2;
// Creates the file when it is absent; only together with kWrite.
constexpr int kCreate = 4;
constexpr int kTruncate = 32;
// Lets other opens write (share write) while this one is open.
constexpr int kShareWrite = 64;
// Lets other opens read (share read). An open without kWrite always shares reading.
constexpr int kShareRead = 128;
// Denies nothing: shares reading, and writing too when this open does not write.
constexpr int kDenyNone = 0x400;
// Makes the file anew for this open, as the engine's work files are made: a plain file at the
// name is removed first and the new one created exclusively; a symbolic link there refuses
// the open. Only together with kWrite (kCreate and kTruncate are then implied).
constexpr int kFresh = 0x10000;

// Every open for writing refuses a symbolic link at the file's name (the folders above it may
// be links): the engine's files are never written through a link planted in their place.

}  // namespace filemode
