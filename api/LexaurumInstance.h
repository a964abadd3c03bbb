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

#include "api/EngineReporter.h"
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

  // `frontEnd` speaks through the front end's call-backs. The instance asks "Terminate the
  // program?" after a failed consistency check only through it, and only when it can ask
  // and no job script is running.
  LexaurumInstance(const std::string& homeDir, const std::string& privateDir,
                   std::vector<std::string> commandWords, EngineReporter frontEnd = EngineReporter());
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
  static constexpr int kLockAttempts = 20;
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
  // Where the engine's messages and questions go: to the front end's call-backs, or to the
  // reporter put in their place while a job script runs. The reference stays valid for the
  // instance's life and always speaks to the one in place at the time.
  Reporter& reporter() { return relay_; }
  // Puts `reporter` in the front end's place (null: the front end again) and returns the one
  // it replaced. The reporter must outlive its use here.
  Reporter* setReporter(Reporter* reporter) {
    Reporter* old = reporter_;
    reporter_ = reporter;
    return old;
  }
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
  // Forwards to the reporter in place.
  class Relay : public Reporter {
   public:
    explicit Relay(LexaurumInstance& engine) : engine_(engine) {}
    void error(const std::string& text) override { target().error(text); }
    void info(const std::string& text) override { target().info(text); }
    bool ask(const std::string& question, bool defaultAnswer) override { return target().ask(question, defaultAnswer); }

   private:
    Reporter& target() { return engine_.reporter_ ? *engine_.reporter_ : engine_.frontEnd_; }
    LexaurumInstance& engine_;
  };

  EngineReporter frontEnd_;
  Reporter* reporter_ = nullptr;
  Relay relay_{*this};
  Alphabet alphabet_;
  ViewerTable viewers_;
  std::shared_ptr<const WPCharMap> wpCharMap_;
  std::shared_ptr<ExtractionService> extraction_;  // the helper process, kept across option changes
  Stemmer stemmer_;
  Thesaurus thesaurus_;
  std::string message_;
  int errorCode_ = 0;
};
