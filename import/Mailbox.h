// Mailboxes (mbox) and single-file compression (gzip, bzip2, xz): our own bounded readers of
// containers that hand their contents to the importers as members, like ZIP members.
//  - An mbox is split at lines that begin "From " (at the start of the file, or after an empty
//    line); lines of ">From " quoting lose one ">" (mboxrd; for mboxo it undoes the quoting
//    as far as it can be told). A mailbox of one message is read as that message. Message k is the member "message-NNNNN.eml" (k from 1, five
//    digits): named by position, so that appending to a mailbox, its usual change, keeps the
//    names and documents of the messages already there. A message's date is that of its
//    "From " line (0 when it has none), so it too stays when the mailbox grows.
//  - A compressed file holds one member: the gzip header's file name when it has a safe one,
//    else the file's own name without ".gz"/".bz2"/".xz" (and ".tgz" becomes ".tar"). It is
//    expanded only when asked, within the bounds of ZipLimits (one member's size, and the
//    ratio of expanded to packed bytes); past them the member is refused with a clear error.
// Depends on zlib, libbz2, liblzma, import/MemberContainer, import/ZipArchive (ZipLimits).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "import/ImportSettings.h"
#include "import/MemberContainer.h"
#include "import/ZipArchive.h"
#include "lexaurum/lxrviewer.h"

namespace mailbox {

constexpr int32_t kMaxMessages = 1000000;

// True when `head` starts like an mbox: "From " then an address or name and a date.
bool looksLikeMbox(std::string_view head);
// The messages of an mbox, unescaped, each a member. At most kMaxMessages, and no more bytes
// in all than `maxTotalBytes` (the rest is left out: `*cut` is then true).
std::vector<ExtractedMember> split(std::string_view bytes, int64_t maxTotalBytes, bool* cut);

// True when `head` starts with RFC 5322 header lines: at least three "Name: value" lines
// among the first ones, at least two of them From, Date, Subject, Received, Message-ID,
// MIME-Version, To, Return-Path, Delivered-To (an mbox "From " line may not come first).
bool looksLikeMessage(std::string_view head);

}  // namespace mailbox

namespace compressed {

enum class Kind { kGzip, kBzip2, kXz };

// The compression `head` starts with, or false.
bool recognize(std::string_view head, Kind* kind);
// All of `packed` expanded (concatenated streams too). 0, or -1 with `error` set: damaged,
// larger than limits.maxMemberBytes, or expanding more than limits.maxRatio times past
// limits.ratioFreeBytes.
int expand(Kind kind, std::string_view packed, const ZipLimits& limits, std::string* out, std::string* error);
// The gzip header's stored file name (FNAME), or empty.
std::string gzipName(std::string_view packed);
// The member name for a compressed file named `fileName` (with or without its folder).
std::string memberName(Kind kind, std::string_view packed, const std::string& fileName);

}  // namespace compressed

// The registry's makers: the mbox container, the compressed-file container, the message
// (text and attachments through the extractor "mail").
Viewer* makeMboxViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info);
Viewer* makeCompressedViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info);
Viewer* makeMailViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info);
