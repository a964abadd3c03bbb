// ModDateConstraint, CreateDateConstraint and SizeConstraint: file conditions that hold when
// the file's modification date, creation date or size lies in an inclusive range.
// Depends on search/FileConstraint.
#pragma once

#include <cstdint>
#include <string>

#include "search/FileConstraint.h"

class ModDateConstraint : public FileConstraint {
 public:
  ModDateConstraint(dosdate::DosDateTime low, dosdate::DosDateTime high, std::string written)
      : low_(low), high_(high), written_(std::move(written)) {}
  bool matches(const FileFacts& file) const override;
  std::string describe() const override { return "date " + written_; }

 private:
  dosdate::DosDateTime low_, high_;
  std::string written_;
};

class CreateDateConstraint : public FileConstraint {
 public:
  CreateDateConstraint(dosdate::DosDateTime low, dosdate::DosDateTime high, std::string written)
      : low_(low), high_(high), written_(std::move(written)) {}
  bool matches(const FileFacts& file) const override;
  std::string describe() const override { return "created " + written_; }

 private:
  dosdate::DosDateTime low_, high_;
  std::string written_;
};

class SizeConstraint : public FileConstraint {
 public:
  SizeConstraint(int64_t low, int64_t high, std::string written)
      : low_(low), high_(high), written_(std::move(written)) {}
  bool matches(const FileFacts& file) const override;
  std::string describe() const override { return "size " + written_; }

 private:
  int64_t low_, high_;
  std::string written_;
};
