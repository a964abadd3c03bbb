// ZipViewer: the container viewer of the "ZIP Archive" format. It opens the archive when it is
// made, keeps the member count, the position of getNext, the current member and the result
// of the last operation with its text, and extracts members through import/ZipArchive. With
// the engine option "ziplog=" set, every request is traced. Depends on import/ZipArchive.
#pragma once

#include <string>

#include "import/ContainerViewer.h"
#include "import/ImportSettings.h"
#include "import/ZipArchive.h"
#include "lexaurum/lxrviewer.h"

class ZipViewer : public ContainerViewer {
 public:
  // Opens the archive in `source`, which must outlive the viewer. A viewer whose archive
  // could not be opened is still made: every operation then fails, and errorText() says
  // why the archive was refused. With `log`, every request is traced; `limits` bound the
  // extraction.
  explicit ZipViewer(ByteSource& source, bool log = false, const ZipLimits& limits = ZipLimits());

  bool isOpen() const override { return archive_.isOpen(); }
  int32_t count() const override { return archive_.isOpen() ? archive_.count() : -1; }
  int first(ContainerMember* member) override;
  int next(ContainerMember* member) override;
  int infoByName(const std::string& name, ContainerMember* member) override;
  int infoByIndex(int32_t index, ContainerMember* member) override;
  int extractToMemory(const ContainerMember& member, std::string* bytes) override;
  int extractToFile(const ContainerMember& member, const std::string& outputName) override;
  const std::string& errorText() const override { return errorText_; }

  // The code behind errorText() (import/ZipResult.h).
  int resultCode() const { return resultCode_; }
  // The member the last successful first, next, infoByName or infoByIndex gave.
  const ContainerMember& current() const { return current_; }
  // Bounds on extraction; the defaults of ZipLimits until set.
  void setLimits(const ZipLimits& limits) { archive_.setLimits(limits); }

 private:
  int finish(int rc);
  int notOpen();

  ByteSource& source_;
  ZipArchive archive_;
  int32_t nextIndex_ = 0;
  ContainerMember current_;
  int resultCode_ = 0;
  std::string errorText_;
};

// The registry's maker of the ZIP container, with the registry's trace switch and limits. Null
// when the archive's directory cannot be read, so that the file falls to the next format.
Viewer* makeZipViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info);
