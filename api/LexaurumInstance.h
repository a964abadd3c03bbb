// The engine instance: everything one initialised engine owns — its home and private
// folders, the command-line words, the settings, the private-folder lock, the message table
// and the index library. Made by the first successful initialisation, destroyed by the last
// shutdown.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "api/EngineSetup.h"
#include "index/TextDB.h"
#include "objects/MessageTable.h"
#include "search/Stemmer.h"
#include "search/Thesaurus.h"

class IndexLibrary;
class LockFile;

class LexaurumInstance {
 public:
  LexaurumInstance(const std::string& homeDir, const std::string& privateDir,
                   std::vector<std::string> commandWords);
  ~LexaurumInstance();
  LexaurumInstance(const LexaurumInstance&) = delete;
  LexaurumInstance& operator=(const LexaurumInstance&) = delete;

  // Reads the options file (its absence leaves the defaults) and checks that the message
  // file is present. 0, or -1 with message() and errorCode() set (1: a necessary file is
  // missing).
  int readConfiguration();
  // Locks the private folder against a second process (IN_USE.TMP, held open until the
  // instance ends, then deleted). 0, or -1 when another process holds it.
  int lockPrivateDirectory();
  // Loads the message table and makes it the process-wide one; opens the index library;
  // loads the stemming rules (option stemmerName) and the thesaurus THESAUR.DAT, each from
  // the private folder, else the home folder (a missing or damaged one is traced and left
  // empty).
  int loadMessagesAndLibrary();

  // The full name of a file in the private or the home folder.
  std::string privateFile(const std::string& name) const;
  std::string homeFile(const std::string& name) const;

  // Writes the options file; 0 or -1.
  int saveOptions();
  // Installs the alphabet file named by the options as the process-wide alphabet (looked
  // for in the private folder, then in the home folder) and applies the hyphen mode.
  // Unless quiet, a file that cannot be read is reported (message 95). 0 or -1.
  int applyAlphabet(bool quiet);

  const std::string& homeDir() const { return homeDir_; }
  const std::string& privateDir() const { return privateDir_; }
  const std::vector<std::string>& commandWords() const { return commandWords_; }
  EngineSetup& setup() { return setup_; }
  MessageTable& messageTable() { return messages_; }
  IndexLibrary& library() { return *library_; }
  // The library's name of an index folder, for the index and search code ("" when none, or
  // before the library is opened). Valid while the instance lives.
  LibraryNameFn libraryNames() const;
  const Stemmer& stemmer() const { return stemmer_; }
  Thesaurus& thesaurus() { return thesaurus_; }
  const std::string& message() const { return message_; }
  int errorCode() const { return errorCode_; }

 private:
  void loadSearchFiles();

  std::string homeDir_;
  std::string privateDir_;
  std::vector<std::string> commandWords_;
  EngineSetup setup_;
  MessageTable messages_;
  std::unique_ptr<IndexLibrary> library_;
  std::unique_ptr<LockFile> lock_;
  Stemmer stemmer_;
  Thesaurus thesaurus_;
  std::string message_;
  int errorCode_ = 0;
};
