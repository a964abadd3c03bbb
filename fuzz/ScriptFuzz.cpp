// Fuzz target: job scripts. The bytes are written as a script and run with every file a
// command names confined to a scratch folder (emptied after each run), so the reader, the
// command splitter and every command's argument handling see hostile input without touching
// anything outside it.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "api/DllInterface.h"
#include "api/ScriptRunner.h"
#include "lexaurum/lexaurum.h"
#include "objects/Trace.h"
#include "platform/FaultInjection.h"
#include "platform/Platform.h"

namespace {

std::string gScratch;

bool initialise() {
  trace::setSink([](void*, const char*) {}, nullptr);
  // Nothing here tests durability: waiting for the disk would only slow the fuzzer down.
  platform::FaultPlan plan;
  plan.skipSyncs = true;
  platform::setFaultPlan(plan);
  gScratch = "/tmp/lxr-scriptfuzz-" + std::to_string(platform::processId());
  std::error_code ec;
  std::filesystem::create_directories(gScratch + "/files", ec);
  lxrInitInfo info;
  LXR_INIT_RECORD(info);
  std::snprintf(info.privateDir, sizeof info.privateDir, "%s/private", gScratch.c_str());
  std::snprintf(info.homeDir, sizeof info.homeDir, "%s", LXR_DATA_DIR);
  int16_t result = 0;
  return lxrsDoInit(&info, &result) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = initialise();
  if (!ready || size > 64 * 1024) return 0;
  const std::string files = gScratch + "/files";
  std::error_code ec;
  std::filesystem::create_directories(files, ec);
  const std::string scriptName = gScratch + "/fuzz.job";
  std::FILE* f = std::fopen(scriptName.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  {
    script::ScriptRunner runner(*DllInterface::current()->instance(), scriptName);
    runner.confineFilesTo(files);
    runner.run();
  }
  std::filesystem::remove_all(files, ec);
  return 0;
}
