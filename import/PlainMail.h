// PlainMail: tells whether the mail extractor would give a message's (or an mbox's) text as
// the bytes stand. The extractor decodes transfer encodings and RFC 2047 words, converts
// charsets, reads HTML parts through the HTML rules and hands attachments to the importers;
// a file with none of these, all of its bytes 7-bit, gives only runs of its own bytes and the
// labels the extractor writes before header values. An unindexed scan then need not extract
// it to know that a word is not in it. Depends on nothing.
#pragma once

#include <array>
#include <string_view>

namespace plainmail {

// The words the extractor writes itself, before the From, To, Cc, Subject and Date values and
// before the line of each attachment (import/MailExtractor.cpp).
inline constexpr std::array<std::string_view, 6> kLabels = {"from", "to", "cc", "subject", "date", "attachment"};

// True when every text the extractor gives of `bytes` is made of runs of `bytes` and the
// labels: every byte 1..127 but ESC; no base64, quoted-printable or uuencoded part, no encoded
// word ("=?"), no HTML, no attachment, file name or attached message, no international
// domain name; every content type text/plain or multipart, every charset ASCII-compatible
// (US-ASCII, UTF-8, ISO-8859-n, windows-125n), every transfer encoding 7bit, 8bit or binary.
// False otherwise (the file must then be extracted to be known).
bool readsAsItStands(std::string_view bytes);

}  // namespace plainmail
