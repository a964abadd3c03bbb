// Test helpers: a temporary folder removed with everything in it when the test ends, and
// small file helpers.
#pragma once

#include <string>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

// Whole-file helpers that bypass the engine's own file layer.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& data);
bool exists(const std::string& path);
// The number of open file descriptors of this process.
int openDescriptorCount();
// A file below the source tree, or below the build tree.
std::string sourcePath(const std::string& relative);
std::string binaryPath(const std::string& relative);

}  // namespace testsupport
