// The one engine object per process behind the entry operations: a use count and the engine
// instance. Made by the first lxrsDoInit, deleted when lxrsDoShutDown brings the count to 0.
#pragma once

#include <cstdint>
#include <memory>

#include "api/LexaurumInstance.h"
#include "lexaurum/lexaurum.h"

class DllInterface {
 public:
  // Counts one more user; makes the engine instance when there is none. 0, or -1 with
  // info->errorCode set (the count is then as before).
  int doInit(lxrInitInfo* info, const std::string& homeDir, const std::string& privateDir);
  // Counts one user less; returns the count left.
  int release();

  int useCount() const { return useCount_; }
  LexaurumInstance* instance() { return instance_.get(); }
  uintptr_t scriptArgA() const { return scriptArgA_; }
  uintptr_t scriptArgB() const { return scriptArgB_; }

  // The process's engine object (null before the first initialisation).
  static DllInterface* current();
  static DllInterface* make();
  static void destroy();

 private:
  int16_t useCount_ = 0;
  std::unique_ptr<LexaurumInstance> instance_;
  uintptr_t scriptArgA_ = 0;
  uintptr_t scriptArgB_ = 0;
};
