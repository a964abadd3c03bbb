// MemberContainer: a container viewer over members kept in memory (a message's attachments,
// an mbox's messages, the file inside a compressed file), which may also deliver text of its
// own (the message's text, from an ExtractedViewer). ImportFile opens its members as
// "FILE/MEMBER" and the indexer indexes them as documents of their own, with the container's
// own text as the container's document. Subclasses may make a member's bytes only when asked
// (fetch). Depends on import/ContainerViewer, import/ExtractedText.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "import/ContainerViewer.h"
#include "import/ExtractedText.h"

class MemberContainer : public ContainerViewer {
 public:
  // `text` delivers the container's own text (null: none); `date` is given to members that
  // have none.
  MemberContainer(std::unique_ptr<Viewer> text, std::vector<ExtractedMember> members, dosdate::DosDateTime date);

  int readTextBlock(std::string* out) override { return text_ ? text_->readTextBlock(out) : 0; }
  int32_t bookMark() const override { return text_ ? text_->bookMark() : 0; }
  int gotoBookMark(int32_t mark) override { return text_ ? text_->gotoBookMark(mark) : (mark == 0 ? 0 : -1); }
  int rewind() override { return text_ ? text_->rewind() : 0; }
  bool deliverUtf8() override;
  bool deliversText() const override { return text_ != nullptr; }

  bool isOpen() const override { return open_; }
  int32_t count() const override { return open_ ? static_cast<int32_t>(list_.size()) : -1; }
  int first(ContainerMember* member) override;
  int next(ContainerMember* member) override;
  int infoByName(const std::string& name, ContainerMember* member) override;
  int infoByIndex(int32_t index, ContainerMember* member) override;
  int extractToMemory(const ContainerMember& member, std::string* bytes) override;
  int extractToFile(const ContainerMember& member, const std::string& outputName) override;
  const std::string& errorText() const override { return errorText_; }

 protected:
  // A container without text whose members are listed by the subclass (list_) and made by
  // fetch().
  MemberContainer() = default;
  // The bytes of member `index`: 0, or -1 with errorText_ set.
  virtual int fetch(int32_t index, std::string* bytes);
  int fail(const std::string& why);

  std::vector<ContainerMember> list_;
  bool open_ = true;
  std::string errorText_ = "OK";

 private:
  std::unique_ptr<Viewer> text_;
  std::vector<std::string> bytes_;
  int32_t next_ = 0;
};
