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

}  // namespace filemode
