// The output and check commands of a script: LIST, TEST, REPORT, OPTION, SYSTEM and WINDOW,
// and the redirections they share.
#include <cstdio>
#include <cstdlib>

#include "api/LexaurumInstance.h"
#include "api/ScriptChecks.h"
#include "api/ScriptListings.h"
#include "api/ScriptRunner.h"
#include "api/SearchReport.h"
#include "api/TextLines.h"
#include "import/Alphabet.h"
#include "import/ImportFile.h"
#include "platform/Platform.h"

namespace script {

namespace {

// Writes `text` to `name` (appended to or replaced). 0 or -1.
int writeText(const std::string& name, const std::string& text, bool append) {
  std::FILE* f = std::fopen(name.c_str(), append ? "ab" : "wb");
  if (!f) return -1;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok ? 0 : -1;
}

}  // namespace

void ScriptRunner::redirection(const ScriptCommand& cmd, std::string* output, bool* append) const {
  output->clear();
  *append = true;
  for (size_t i = 1; i < cmd.size(); ++i) {
    const std::string& w = cmd.word(i);
    if (w.empty() || w[0] != '>') continue;
    *append = w.size() > 1 && w[1] == '>';
    // ">name" and "> name" alike.
    std::string target = w.substr(*append ? 2 : 1);
    if (target.empty()) target = cmd.word(i + 1);
    if (target.empty()) break;
    *output = fullName(target);
    break;
  }
  if (*output == log_.name()) output->clear();
  if (output->empty()) *append = true;
}

void ScriptRunner::logAndDelete(const std::string& tempFile) {
  std::vector<std::string> lines;
  if (readTextLines(tempFile, &lines))
    for (const std::string& line : lines) logLine(line);
  platform::removeFile(tempFile.c_str());
}

// Writes a listing's text to the command's redirection, or line by line into the log.
static int deliver(ScriptRunner& runner, const std::string& output,
                   bool append, const std::string& text) {
  if (output.empty()) {
    size_t pos = 0;
    while (pos < text.size()) {
      size_t eol = text.find('\n', pos);
      if (eol == std::string::npos) eol = text.size();
      runner.logLine(text.substr(pos, eol - pos));
      pos = eol + 1;
    }
    return 0;
  }
  if (!runner.mayWrite(output)) return -1;
  if (writeText(output, text, append) < 0) {
    runner.logLine("*** Unable to write file " + output);
    return -1;
  }
  return 0;
}

int ScriptRunner::listCommand(const ScriptCommand& cmd) {
  std::string output;
  bool append = false;
  redirection(cmd, &output, &append);
  int flags = (settings_.header ? kListHeader : 0) | (settings_.detail ? kListDetail : 0);
  if (settings_.append) append = true;
  std::string pattern;
  for (size_t i = 2; i < cmd.size(); ++i) {
    switch (cmd.keyword(i)) {
      case Keyword::kDetail: flags |= kListDetail; break;
      case Keyword::kCancelled: flags |= kListCancelled; break;
      case Keyword::kCount: flags |= kListCount; break;
      case Keyword::kDate: flags |= kListDate; break;
      case Keyword::kMatch: pattern = cmd.word(i + 1); ++i; break;
      default: break;
    }
  }
  std::string text, error;
  int rc = 0;
  switch (cmd.keyword(1)) {
    case Keyword::kInfo:
      if (indexPathMissing()) return -1;
      rc = listInfo(indexFolder(), flags, &text, &error);
      break;
    case Keyword::kFiles:
      if (indexPathMissing()) return -1;
      rc = listFiles(indexFolder(), flags, &text, &error);
      break;
    case Keyword::kWords:
      if (indexPathMissing()) return -1;
      rc = listWords(indexFolder(), flags, pattern, &text, &error);
      break;
    case Keyword::kText:
      if (cmd.size() < 3 || cmd.word(2)[0] == '>') {
        logLine("*** LIST TEXT needs the name of a document");
        return -1;
      }
      rc = listText(fullName(cmd.word(2)), tempName("SCRIPTT"), &text, &error);
      break;
    case Keyword::kMem:
      memoryReport(&text);
      break;
    case Keyword::kEnv:
      environmentReport(&text);
      output.clear();
      break;
    default:
      logLine("Unknown LIST command");
      return -1;
  }
  if (rc < 0) {
    logLine("*** " + error);
    return -1;
  }
  return deliver(*this, output, append, text);
}

int ScriptRunner::testCommand(const ScriptCommand& cmd) {
  std::vector<std::string> failures;
  switch (cmd.keyword(1)) {
    case Keyword::kVerify: {
      std::string path = cmd.size() > 2 ? fullName(cmd.word(2)) : indexFolder();
      char failure[512] = "";
      int16_t result = 0;
      if (path.empty()) {
        failures.push_back("No index to verify");
      } else {
        lxrsVerifyIndex(path.c_str(), nullptr, failure, sizeof failure, &result);
        if (result < 0) failures.push_back(failure[0] ? failure : "The index does not verify");
      }
      break;
    }
    case Keyword::kReport:
      if (cmd.size() < 5) {
        failures.push_back("TEST REPORT needs a report, a document and a text");
        break;
      }
      failures = checkReport(fullName(cmd.word(2)), cmd.word(3), cmd.word(4));
      break;
    case Keyword::kResults: {
      if (cmd.size() < 4) {
        failures.push_back("TEST RESULTS needs a listing and an item");
        break;
      }
      std::vector<int32_t> expected;
      for (size_t i = 4; i < cmd.size() && failures.empty(); ++i) {
        std::string w = cmd.word(i);
        // Braces may surround the positions, as the listing shows them.
        size_t b = w.find_first_not_of("{}");
        size_t e = w.find_last_not_of("{}");
        if (b == std::string::npos) continue;
        w = w.substr(b, e - b + 1);
        char* end = nullptr;
        long v = std::strtol(w.c_str(), &end, 10);
        if (*end != '\0' || v < 0 || v > INT32_MAX)
          failures.push_back("Bad hit position: " + cmd.word(i));
        else
          expected.push_back(static_cast<int32_t>(v));
      }
      if (failures.empty()) failures = checkResults(fullName(cmd.word(2)), cmd.word(3), expected);
      break;
    }
    case Keyword::kMem: {
      std::string text;
      memoryReport(&text);
      return deliver(*this, "", true, text);
    }
    default:
      testResult(false, cmd.text(), {});
      logLine("*** Unknown test type ***");
      return -1;
  }
  testResult(failures.empty(), cmd.text(), failures);
  return failures.empty() ? 0 : -1;
}

int ScriptRunner::reportCommand(const ScriptCommand& cmd) {
  if (cmd.size() < 2) {
    logLine("*** REPORT needs the name of a search results file");
    return -1;
  }
  std::string results = fullName(cmd.word(1));
  std::string output = cmd.size() > 2 ? fullName(cmd.word(2)) : "";
  int count = searchreport::kDefaultDocuments;
  if (cmd.size() > 3) {
    char* end = nullptr;
    long v = std::strtol(cmd.word(3).c_str(), &end, 10);
    if (*end != '\0' || v < 0) {
      logLine("*** Bad document count: " + cmd.word(3));
      return -1;
    }
    count = v > 100000 ? 100000 : static_cast<int>(v);
  }
  bool toLog = output.empty() || output == log_.name();
  std::string target = toLog ? tempName("SCRIPTR") : output;
  if (!toLog && !mayWrite(target)) return -1;
  std::string error;
  int rc = searchreport::write(engine_, results, target, false, count, &error);
  if (toLog) logAndDelete(target);
  if (rc < 0) {
    logLine("*** " + error);
    return -1;
  }
  return 0;
}

int ScriptRunner::optionCommand(const ScriptCommand& cmd) {
  if (cmd.size() < 2) {
    logLine("*** OPTION needs a name and a value");
    return -1;
  }
  EngineSetup& setup = engine_.setup();
  // Where scripts may write is the user's to say, not the script's.
  if (cmd.word(1) == "scriptOutputFolders" || cmd.word(1) == "scriptChangesDocuments") {
    logLine("*** " + cmd.word(1) + " is set in the options file, not by a script");
    return -1;
  }
  const std::string oldAlphabet = setup.alphabetName;
  std::string value = cmd.restAfter(1);
  if (setup.setOption(cmd.word(1), value) < 0) {
    logLine("*** Unrecognized option: \"" + cmd.text() + "\"");
    return -1;
  }
  logLine("Option " + cmd.word(1) + " = " + value);
  int rc = setup.alphabetName != oldAlphabet ? engine_.applyAlphabet(false) : 0;
  engine_.applyOptions();
  return rc < 0 ? -1 : 0;
}

int ScriptRunner::systemCommand(const ScriptCommand& cmd) {
  std::string line = cmd.restAfter(0);
  logLine("Executing command: \"" + line + "\"");
  if (builtins_->run(line) < 0) {
    log_.linef("Execution error: %s (%d)\n", builtins_->errorText().c_str(),
               builtins_->errorNumber());
    return -1;
  }
  return 0;
}

int ScriptRunner::windowCommand(const ScriptCommand& cmd) {
  const char* how = "NORMAL";
  int32_t show = 0;
  switch (cmd.keyword(1)) {
    case Keyword::kMax: how = "MAX"; show = 1; break;
    case Keyword::kMin: how = "MIN"; show = 2; break;
    case Keyword::kHide: how = "HIDE"; show = 3; break;
    default: break;
  }
  if (windowFn_) {
    windowFn_(windowData_, show);
    return 0;
  }
  log_.linef("WINDOW %s ignored: this run shows no window", how);
  return 0;
}

}  // namespace script
