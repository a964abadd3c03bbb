// The engine instance: everything one initialised engine owns — its home and private
// folders, the command-line words, the settings, the private-folder lock, the message table,
// the index library, the alphabet of its options, the importer registry with its settings,
// the stemming rules and the thesaurus. It is the engine's context: the layers below the
// interface get what they need from it, passed down explicitly. Made by the first
// successful initialisation, destroyed by the last shutdown.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "api/EngineSetup.h"
#include "import/Alphabet.h"
#include "import/ViewerTable.h"
#include "index/TextDB.h"
#include "objects/MessageTable.h"
#include "search/Stemmer.h"
#include "search/Thesaurus.h"

class IndexLibrary;
class LockFile;

class LexaurumInstance {
 public:
  static constexpr int kAlphabetUnreadableMessage = 95;
  static constexpr int kAlphabetLoadedMessage = 109;

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
  // Loads the alphabet file named by the options as the engine's alphabet (looked for in
  // the private folder, then in the home folder) with the hyphen mode of the options. Unless
  // quiet, a file that cannot be read is reported (message 95) and the alphabet stays as it
  // was; quiet, the built-in alphabet takes its place. 0 or -1.
  int applyAlphabet(bool quiet);
  // Applies the options that take effect at once: the alphabet's hyphen mode and the
  // importers' settings (binary files, WordPerfect switches and character map, ZIP trace).
  void applyOptions();
  // Reads the WordPerfect character map WPCHARS.DAT (the private folder's, else the home
  // folder's; none readable: the built-in map) for applyOptions.
  void loadWordPerfectMap();

  const std::string& homeDir() const { return homeDir_; }
  const std::string& privateDir() const { return privateDir_; }
  const std::vector<std::string>& commandWords() const { return commandWords_; }
  EngineSetup& setup() { return setup_; }
  MessageTable& messageTable() { return messages_; }
  IndexLibrary& library() { return *library_; }
  // The library's name of an index folder, for the index and search code ("" when none, or
  // before the library is opened). Valid while the instance lives.
  LibraryNameFn libraryNames() const;
  // The alphabet of the engine's options: indexes fold it by their flags; text shown and
  // requests parsed without an index use it as it is.
  const Alphabet& alphabet() const { return alphabet_; }
  Alphabet& alphabet() { return alphabet_; }
  // The importer registry documents are opened with.
  ViewerTable& viewers() { return viewers_; }
  const ViewerTable& viewers() const { return viewers_; }
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
  Alphabet alphabet_;
  ViewerTable viewers_;
  std::shared_ptr<const WPCharMap> wpCharMap_;
  Stemmer stemmer_;
  Thesaurus thesaurus_;
  std::string message_;
  int errorCode_ = 0;
};
