// The process's engine object and the initialisation it does.
#include "api/DllInterface.h"

#include "api/ErrorReporter.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace {
DllInterface* gInterface = nullptr;

// Splits a command line into words at blanks; double quotes group a word.
std::vector<std::string> splitWords(const char* line) {
  std::vector<std::string> words;
  if (!line) return words;
  std::string word;
  bool quoted = false, any = false;
  for (const char* p = line; *p; ++p) {
    if (*p == '"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += *p;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}
}  // namespace

DllInterface* DllInterface::current() { return gInterface; }

DllInterface* DllInterface::make() {
  if (!gInterface) gInterface = new DllInterface;
  return gInterface;
}

void DllInterface::destroy() {
  delete gInterface;
  gInterface = nullptr;
}

int DllInterface::doInit(lxrInitInfo* info, const std::string& homeDir,
                         const std::string& privateDir) {
  ++useCount_;
  trace::line("   useCount = %d", useCount_);
  info->engineWord = useCount_;
  if (instance_) return 0;

  info->errorCode = 0;
  info->errorText = apierror::accumulatedText();
  scriptArgA_ = info->scriptArgA;
  scriptArgB_ = info->scriptArgB;
  auto instance =
      std::make_unique<LexaurumInstance>(homeDir, privateDir, splitWords(info->commandLine), EngineReporter(*info));
  int rc = instance->readConfiguration();
  if (rc < 0) {
    trace::line("dllInterface::DoInit FAILED %s", instance->message().c_str());
  } else if ((rc = instance->lockPrivateDirectory()) < 0) {
    trace::text(instance->message());
  } else if ((rc = instance->loadMessagesAndLibrary()) < 0) {
    trace::line("dllInterface::DoInit FAILED %s", instance->message().c_str());
  }
  if (rc < 0) {
    // A failed initialisation leaves nothing behind and does not count as a user.
    info->errorCode = instance->errorCode();
    apierror::report(instance->message());
    --useCount_;
    info->engineWord = useCount_;
    return -1;
  }
  trace::line("HomeDir = %s", homeDir.c_str());
  trace::line("PrivateDir = %s", privateDir.c_str());
  instance_ = std::move(instance);
  trace::text("dllInterface::DoInit OK");
  return 0;
}

int DllInterface::release() {
  --useCount_;
  if (useCount_ <= 0) instance_.reset();
  return useCount_;
}
