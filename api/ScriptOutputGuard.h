// Where a job script may write and delete: the files its redirections, SET LISTING, SET
// RESULTS, REPORT, LIST and SYSTEM echo, comp, copy and del name. A script never replaces or
// deletes a document of an index it has named, a program, a word-processor document or a
// file of an index folder, and stays inside its own folder tree and the private folder
// unless the options allow more. Links are judged by what they lead to. Depends on index/
// (the document tables) and import/ (recognising documents).
#pragma once

#include <string>
#include <vector>

class ViewerTable;

namespace script {

class OutputGuard {
 public:
  // `folders`: the folders whose trees may be written (the script's, the private folder,
  // those of the options); `anywhere`: no folder limit; `changeDocuments`: documents of the
  // named indexes may be replaced and deleted (programs, word-processor documents and index
  // files never). `viewers` must outlive the guard.
  OutputGuard(const ViewerTable& viewers, std::vector<std::string> folders, bool anywhere,
              bool changeDocuments);

  // An index the script has named or opened: its documents are protected from then on.
  void noteIndex(const std::string& folder);

  enum class Use { kWrite, kRemove, kResults };
  // Whether `name` (a full name) may be written, deleted (kRemove) or replaced by a search's
  // results (kResults: an earlier results file may be). True, or false with `*why` saying
  // what the file is ("it is a document of the index /ix", ...).
  bool allows(const std::string& name, Use use, std::string* why) const;

 private:
  bool insideAllowedFolders(const std::string& real) const;
  bool isIndexedDocument(const std::string& name, const std::string& real, std::string* index) const;

  const ViewerTable& viewers_;
  std::vector<std::string> folders_;  // real paths, without a trailing "/"
  bool anywhere_;
  bool changeDocuments_;
  std::vector<std::string> indexes_;
};

}  // namespace script
