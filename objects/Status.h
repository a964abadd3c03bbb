// Status: what became of an operation, recorded once where it failed and carried up to the
// engine interface, which shows its message and maps its kind to a result: done, not found,
// an I/O error (with the operating system's error number), damaged data, misuse by the
// caller, cancelled, or busy (another process holds what was needed). "Not found" is not a
// failure of the reader that looked: it is a status a caller may expect. Depends on nothing.
#pragma once

#include <string>
#include <utility>

class Status {
 public:
  enum class Kind { kOk, kNotFound, kIoError, kDamaged, kMisuse, kCancelled, kBusy };

  Status() = default;
  static Status ok() { return Status(); }
  static Status notFound(std::string message) { return Status(Kind::kNotFound, std::move(message)); }
  // `osError` is the error number of the failed call (platform::lastError()), 0 when none.
  static Status ioError(std::string message, int osError = 0) {
    Status s(Kind::kIoError, std::move(message));
    s.osError_ = osError;
    return s;
  }
  static Status damaged(std::string message) { return Status(Kind::kDamaged, std::move(message)); }
  static Status misuse(std::string message) { return Status(Kind::kMisuse, std::move(message)); }
  static Status cancelled(std::string message) { return Status(Kind::kCancelled, std::move(message)); }
  static Status busy(std::string message) { return Status(Kind::kBusy, std::move(message)); }

  bool isOk() const { return kind_ == Kind::kOk; }
  Kind kind() const { return kind_; }
  // The text for the user: a formatted message of the message table or the failure's own.
  const std::string& message() const { return message_; }
  int osError() const { return osError_; }

 private:
  Status(Kind kind, std::string message) : kind_(kind), message_(std::move(message)) {}

  Kind kind_ = Kind::kOk;
  std::string message_;
  int osError_ = 0;
};
