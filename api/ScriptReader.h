// Reads the commands of a job script: the file is opened through the document importers and
// laid out in lines 250 columns wide; a longer line comes back whole (its wrapped pieces are
// joined again). Lines are trimmed; a line ending in a backslash goes on on the next line
// (the backslash dropped, a blank joining the two); empty lines are skipped.
// Depends on import/ImportFile.
#pragma once

#include <memory>
#include <string>

class Alphabet;
class ImportFile;
class ViewerTable;

namespace script {

class ScriptReader {
 public:
  static constexpr int kLineWidth = 250;
  // A command longer than this is cut: a script is a text file from anywhere.
  static constexpr size_t kMaxCommandBytes = 256 * 1024;

  // Scripts are read through `viewers` with the words of `alphabet`; both must outlive this.
  ScriptReader(const ViewerTable& viewers, const Alphabet& alphabet);
  ~ScriptReader();
  ScriptReader(const ScriptReader&) = delete;
  ScriptReader& operator=(const ScriptReader&) = delete;

  // 0, or -1 with errorText() set.
  int open(const std::string& name);
  // The next command's text: 1 with *command set, 0 at the end of the script, -1 when the
  // file cannot be read further (errorText() says why).
  int next(std::string* command);
  void close();
  // The script's text as UTF-8: the file's text was UTF-8 (file names in it must be
  // handed to the file system as UTF-8 again).
  bool wasUtf8() const { return utf8_; }
  const std::string& errorText() const { return errorText_; }

 private:
  // The next line of the file, wrapped pieces joined. 1, 0 at the end, -1 on failure.
  int nextLine(std::string* line);

  const ViewerTable& viewers_;
  const Alphabet& alphabet_;
  std::unique_ptr<ImportFile> file_;
  std::string errorText_;
  bool utf8_ = false;
};

}  // namespace script
