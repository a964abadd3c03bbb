// The indexer's walk through containers (ZIP archives). Every member is a document of its own,
// named "ARCHIVE/MEMBER"; containers inside containers are followed as deep as ImportFile
// opens them. A container with text of its own (a message with attachments) is indexed as a
// document whose record also holds its member count. Any other archive gets a record without words that keeps its date, so an update
// finds it unchanged, or changed: then members whose date and size are unchanged keep their
// documents, changed ones are indexed again and members no longer in the archive are cancelled.
// Encrypted members, links and members whose names climb out of the archive are skipped.
#include <algorithm>
#include <map>

#include "index/IndexJob.h"
#include "index/Indexer.h"
#include "objects/TextFields.h"
#include "objects/Trace.h"

// The documents of an archive's members from earlier runs, by full name.
struct Indexer::OldMembers {
  struct Doc {
    int32_t docId;
    dosdate::DosDateTime modDate;
    int32_t size;
  };
  std::map<std::string, Doc> docs;
};

int Indexer::indexContainer(const FoundFile& archive) {
  OldMembers old;
  // Only an archive indexed before has member documents to compare with.
  DocInfo prior;
  if (prior.findByName(db_, archive.name) == 0) findOldMembers(archive.name, &old);
  // A container with text of its own (a message) is a document first; its record then
  // carries the member count.
  int32_t ownDoc = 0;
  if (words_->container()->deliversText()) {
    if (indexDoc(archive) < 0) return -1;
    ownDoc = db_.header().documentCount;
  }
  int32_t count = 0;
  if (indexMembers(archive, 1, &old, &count) < 0) return -1;
  bool complete = cancelFlag() == 0;
  // After a save abort the members not reached are neither gone nor indexed: they stay.
  if (complete) {
    for (const auto& [name, doc] : old.docs) {
      log_.docLine(name + " removed from index (no longer in its container)");
      cancelList_.push_back(doc.docId);
    }
  }
  if (ownDoc > 0) return setMemberCount(ownDoc, count, complete);
  return storeContainerRecord(archive, count, complete);
}

int Indexer::setMemberCount(int32_t docId, int32_t memberCount, bool complete) {
  DocInfo d;
  if (d.read(db_, docId, false) < 0) return 0;  // the document itself was not stored
  if (!complete) d.modDate = 0;
  d.subDocCount = memberCount;
  if (d.write(db_, docId) < 0) {
    log_.docLine("The container's record could not be stored.");
    abortImmediately();
    return -1;
  }
  return 0;
}

void Indexer::findOldMembers(const std::string& archive, OldMembers* old) {
  const std::string prefix = archive + "/";
  DocInfo d;
  const int32_t count = db_.header().documentCount;
  for (int32_t id = 1; id <= count; ++id) {
    // Records do not keep the member flag; a name below a file's name is a member's.
    if (d.read(db_, id, false) < 0 || d.cancelled || d.cancelVer != 0) continue;
    if (d.fileName.compare(0, prefix.size(), prefix) != 0) continue;
    old->docs[d.fileName] = {id, d.modDate, d.fileSize};
  }
}

int Indexer::indexMembers(const FoundFile& archive, int depth, OldMembers* old, int32_t* count) {
  ContainerViewer* container = words_->container();
  if (!container->isOpen()) {
    ++progress_.openFailures;
    progress_.errorText = container->errorText();
    log_.docLine("File open failed: " + archive.name + " (" + container->errorText() + ")");
    report(3010);
    return 0;
  }
  std::vector<ContainerMember> members;
  ContainerMember m;
  for (int rc = container->first(&m); rc == 0; rc = container->next(&m)) members.push_back(m);
  log_.docLine("Container: " + archive.name + " (" + std::to_string(members.size()) + " members)");
  // The members are opened through the word source, which reads one document at a time.
  words_->close();
  for (const ContainerMember& member : members) {
    if (cancelFlag() != 0) break;
    if (member.flags & ContainerMember::kNotDocument) continue;
    FoundFile f;
    f.name = archive.name + "/" + member.name;
    // The name key is made of the folder and the last step, as for any file.
    f.memberName = textfields::baseName(member.name);
    f.isMember = true;
    f.modDate = member.date;
    f.foundDate = archive.foundDate;
    f.size = static_cast<int32_t>(std::min<int64_t>(member.sizeBytes, INT32_MAX));
    if (member.flags & ContainerMember::kEncrypted) {
      ++progress_.encryptedFilesSkipped;
      log_.docLine(f.name + " skipped: encrypted");
      continue;
    }
    if (member.flags & ContainerMember::kUnsafeName) {
      log_.docLine(f.name + " skipped: its name leads outside the archive");
      continue;
    }
    if (member.flags & ContainerMember::kSymbolicLink) {
      log_.docLine(f.name + " skipped: a symbolic link");
      continue;
    }
    auto prior = old->docs.find(f.name);
    if (prior != old->docs.end()) {
      bool same = prior->second.modDate == f.modDate && prior->second.size == f.size;
      if (!same) {
        log_.docLine(f.name + " reindexed because " + dosdate::text(prior->second.modDate) + " != " +
                     dosdate::text(f.modDate));
        cancelList_.push_back(prior->second.docId);
      }
      old->docs.erase(prior);
      if (same) {
        ++*count;
        // A kept document that is a container (a message) keeps its members too.
        const std::string below = f.name + "/";
        for (auto it = old->docs.lower_bound(below); it != old->docs.end() && it->first.compare(0, below.size(), below) == 0;) {
          it = old->docs.erase(it);
          ++*count;
        }
        continue;
      }
    }
    if (failed_.unchanged(f.name, f.modDate, f.size)) {
      ++progress_.failedUnchanged;
      log_.docLine(f.name + " not indexed: it could not be read before and has not changed");
      continue;
    }
    progress_.fileName = textfields::baseName(f.name);
    progress_.filePath = textfields::folderOf(f.name);
    progress_.fileType = "Unknown";
    progress_.fileSize = f.size;
    progress_.bytesRead = 0;
    progress_.wordCount = 0;
    if (words_->open(f.name) < 0) {
      ++progress_.openFailures;
      progress_.errorText = words_->errorText();
      log_.docLine("File open failed: " + f.name + " (" + words_->errorText() + ")");
      report(3010);
      continue;
    }
    int rc = 0;
    if (!words_->container()) {
      rc = indexDoc(f);
      ++*count;
    } else if (depth >= ImportFile::kMaxContainerDepth) {
      log_.docLine(f.name + " skipped: containers nested too deep");
    } else {
      // A member with text of its own (a message in a mailbox) is a document too.
      int32_t ownDoc = 0, before = *count;
      if (words_->container()->deliversText()) {
        rc = indexDoc(f);
        ownDoc = db_.header().documentCount;
        ++*count;
      }
      if (rc >= 0) rc = indexMembers(f, depth + 1, old, count);
      if (rc >= 0 && ownDoc > 0) rc = setMemberCount(ownDoc, *count - before - 1, cancelFlag() == 0);
    }
    words_->close();
    if (rc < 0) return -1;
  }
  return 0;
}

int Indexer::storeContainerRecord(const FoundFile& archive, int32_t memberCount, bool complete) {
  DocInfo d;
  d.setFromFile(archive);
  // An archive left half done carries no date, so the next update takes it up again.
  if (!complete) d.modDate = 0;
  d.subDocCount = memberCount;
  d.wordCount = 0;
  d.docId = ++db_.header().documentCount;
  d.pathId = DocInfo::folderId(db_, textfields::folderOf(archive.name));
  if (d.pathId < 0 || d.write(db_, d.docId) < 0 || d.addName(db_) < 0) {
    log_.docLine("The container's record could not be stored.");
    abortImmediately();
    return -1;
  }
  log_.docLine("Container " + textfields::baseName(archive.name) + " done: " + std::to_string(memberCount) + " members");
  return 0;
}
