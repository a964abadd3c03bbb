// A helper process for the extraction tests: the engine's helper loop with extractors that
// misbehave on purpose, looked up before the engine's own.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "import/ExtractionServer.h"

namespace {

// The text is the document itself; the title names the process, so a test sees reuse.
int echo(std::string_view bytes, const ExtractLimits&, ExtractedText* out) {
  out->text.assign(bytes);
  out->title = std::to_string(getpid());
  if (bytes == "encrypted") out->outcome = ExtractedText::Outcome::kEncrypted;
  if (bytes.starts_with("member:")) out->members.push_back({"inner.txt", std::string(bytes.substr(7)), 0x5A21, 0});
  return 0;
}
int hang(std::string_view, const ExtractLimits&, ExtractedText*) {
  for (;;) pause();
}
int spin(std::string_view, const ExtractLimits&, ExtractedText*) {
  volatile unsigned long turns = 0;
  for (;;) turns = turns + 1;
}
int crash(std::string_view, const ExtractLimits&, ExtractedText*) {
  raise(SIGSEGV);
  return 0;
}
// Ignores the text limit: the engine must refuse the answer.
int flood(std::string_view, const ExtractLimits& limits, ExtractedText* out) {
  out->text.assign(static_cast<size_t>(limits.textBytes) * 2, 'a');
  return 0;
}
int refuse(std::string_view, const ExtractLimits&, ExtractedText* out) {
  out->outcome = ExtractedText::Outcome::kFailed;
  out->error = "not a document of this kind";
  return -1;
}

// PDF as the index job tests need it: a document saying HANG hangs, CRASH crashes, TEXT gives
// the words after it; any other goes to the engine's own PDF extractor.
int pdf(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out) {
  if (bytes.find("HANG") != std::string_view::npos) return hang(bytes, limits, out);
  if (bytes.find("CRASH") != std::string_view::npos) return crash(bytes, limits, out);
  if (size_t at = bytes.find("TEXT "); at != std::string_view::npos) {
    out->text.assign(bytes.substr(at + 5));
    return 0;
  }
  const extractors::Entry* real = extractors::find("pdf");
  return real ? real->extract(bytes, limits, out) : refuse(bytes, limits, out);
}

const extractors::Entry kTestEntries[] = {
    {"pdf", pdf},
    {"echo", echo}, {"hang", hang}, {"spin", spin}, {"crash", crash}, {"flood", flood}, {"refuse", refuse},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--serve") != 0) return 2;
  return extractionserver::serve(kTestEntries, sizeof kTestEntries / sizeof kTestEntries[0]);
}
