// The engine instance: configuration, the private-folder lock, messages and the library.
#include "api/LexaurumInstance.h"

#include "api/Folders.h"

#include "api/ImportStartup.h"
#include "api/IndexLibrary.h"
#include "import/Alphabet.h"
#include "import/ImportSetup.h"
#include "io/FileMode.h"
#include "io/LockFile.h"
#include "objects/Check.h"
#include "objects/MessageTable.h"
#include "objects/Trace.h"
#include "objects/WellKnownFiles.h"
#include "platform/Platform.h"

LexaurumInstance::LexaurumInstance(const std::string& homeDir, const std::string& privateDir,
                                   std::vector<std::string> commandWords, EngineReporter frontEnd)
    : homeDir_(homeDir), privateDir_(privateDir), commandWords_(std::move(commandWords)), frontEnd_(frontEnd) {
  // Only a person can decide to end the program after a failed check; a script, a tool or
  // a program without a question call-back fails the operation and goes on.
  check::setTerminateQuestion([this](const std::string& question) {
    return reporter_ == nullptr && frontEnd_.canAsk() && frontEnd_.ask(question, false);
  });
}

LexaurumInstance::~LexaurumInstance() {
  check::setTerminateQuestion(nullptr);
  importstartup::stop(*this);
  if (library_ && library_->mustSave()) library_->save();
  if (messages::table() == &messages_) messages::setTable(nullptr);
  if (lock_) lock_->releaseAndDelete();
}

LibraryNameFn LexaurumInstance::libraryNames() const {
  const IndexLibrary* library = library_.get();
  return [library](const std::string& folder) { return library ? library->nameOf(folder) : std::string(); };
}

std::string LexaurumInstance::privateFile(const std::string& name) const {
  return privateDir_ + "/" + name;
}

std::string LexaurumInstance::homeFile(const std::string& name) const {
  return homeDir_ + "/" + name;
}

int LexaurumInstance::readConfiguration() {
  std::string options = privateFile(wellknown::name(wellknown::kOptions));
  if (setup_.read(options) < 0)
    trace::line("LexaurumInstance: no options file %s -- using the defaults", options.c_str());
  std::string messageFile = homeFile(wellknown::name(wellknown::kMessages));
  if (!platform::fileExists(messageFile.c_str())) {
    message_ = "Necessary file is missing: " + messageFile;
    errorCode_ = 1;
    return -1;
  }
  return 0;
}

int LexaurumInstance::lockPrivateDirectory() {
  std::string name = privateFile(wellknown::name(wellknown::kInUse));
  // The holder deletes IN_USE.TMP as it lets go: an open made just before may hold a file
  // that is gone, which keeps no one out. Such a lock is given up and taken anew.
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    auto lock = std::make_unique<LockFile>(platform::userName().c_str(), name.c_str(),
                                           filemode::kRead | filemode::kWrite | filemode::kCreate);
    if (!lock->isLocked()) break;
    if (lock->holdsName()) {
      lock_ = std::move(lock);
      return 0;
    }
  }
  message_ = "Unable to lock private directory " + privateDir_;
  errorCode_ = 2;
  return -1;
}

int LexaurumInstance::loadMessagesAndLibrary() {
  std::string why;
  std::string messageFile = homeFile(wellknown::name(wellknown::kMessages));
  if (messages_.load(messageFile, &why) < 0) {
    message_ = why;
    errorCode_ = 1;
    return -1;
  }
  messages::setTable(&messages_);
  applyAlphabet(true);
  library_ = std::make_unique<IndexLibrary>(privateDir_, &reporter());
  library_->open("");
  importstartup::start(*this);
  loadSearchFiles();
  return 0;
}

void LexaurumInstance::loadSearchFiles() {
  auto find = [this](const std::string& name) {
    if (!name.empty() && name[0] == '/') return name;
    std::string path = privateFile(name);
    return platform::fileExists(path.c_str()) ? path : homeFile(name);
  };
  std::string rules = find(setup_.stemmerName);
  if (stemmer_.load(rules) < 0)
    trace::line("LexaurumInstance: stemming rules %s not read -- stemming by pattern only",
                rules.c_str());
  std::string thesaurus = find(Thesaurus::kFileName);
  // Read when a request first asks for synonyms: most runs never do.
  if (platform::fileExists(thesaurus.c_str())) thesaurus_.loadOnFirstUse(thesaurus);
}

int LexaurumInstance::saveOptions() {
  std::string options = privateFile(wellknown::name(wellknown::kOptions));
  if (setup_.write(options) < 0) {
    message_ = "Unable to save the options file " + options;
    return -1;
  }
  return 0;
}

int LexaurumInstance::applyAlphabet(bool quiet) {
  const std::string& name = setup_.alphabetName;
  std::string path = name;
  if (name.empty() || name[0] != '/') {
    path = privateFile(name);
    if (!platform::fileExists(path.c_str())) path = homeFile(name);
  }
  alphabet_.setHyphenMode(hyphenModeFromOption(setup_.hyphens));
  int rc = importsetup::loadAlphabet(path, quiet, &alphabet_);
  if (rc < 0 && !quiet) reporter().error(messages::text(kAlphabetUnreadableMessage, {path}));
  if (rc == 0 && !quiet) reporter().info(messages::text(kAlphabetLoadedMessage, {path}));
  return rc;
}

void LexaurumInstance::loadWordPerfectMap() {
  std::string path = privateFile(wellknown::name(wellknown::kWpChars));
  if (!platform::fileExists(path.c_str())) path = homeFile(wellknown::name(wellknown::kWpChars));
  auto map = std::make_shared<WPCharMap>();
  if (map->readFile(path) < 0) trace::line("LexaurumInstance: %s not read -- the built-in map", path.c_str());
  wpCharMap_ = std::move(map);
}

void LexaurumInstance::applyOptions() {
  alphabet_.setHyphenMode(hyphenModeFromOption(setup_.hyphens));
  ImportSettings s;
  s.binaryFiles = setup_.binaryFiles;
  s.wordPerfect.checkTrailingCopies = setup_.extraInt("wpCheckTrailers", 1) != 0;
  s.wordPerfect.textOption = setup_.extraInt("wpTextOption", 0) != 0;
  s.wpCharMap = wpCharMap_;
  s.zipLog = !setup_.extraString("ziplog").empty();
  // Complex formats are parsed in the helper process, within these bounds.
  s.extractLimits.cpuSeconds = std::max(1, setup_.extraInt("extractSeconds", 30));
  s.extractLimits.addressBytes = int64_t{std::max(64, setup_.extraInt("extractMegabytes", 1024))} << 20;
  s.extractLimits.textBytes = int64_t{std::max(1, setup_.extraInt("extractTextMegabytes", 64))} << 20;
  std::string helper = folders::findExtractionHelper(setup_.extraString("extractHelper"));
  if (setup_.extraInt("extractInProcess", 0) == 0 && !helper.empty()) {
    if (!extraction_ || extraction_->program() != helper) extraction_ = std::make_shared<ExtractionService>(helper);
  } else {
    if (helper.empty()) trace::text("LexaurumInstance: no extraction helper -- complex formats are read in this process");
    extraction_.reset();
    // The module is loaded only when a document needs it.
    s.extractorModule = folders::findExtractorModule(helper);
  }
  s.extraction = extraction_;
  viewers_.setSettings(std::move(s));
}
