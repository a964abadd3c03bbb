// RefWriter: writes word reference lists (documents with the word's positions in each) in
// the bit-packed form of docs/formats/ref-lists.md. The merge and compression write one
// chunk per word with it; the sorter writes the groups of its tracks. Depends on io/ only.
#pragma once

#include <cstdint>

#include "index/BitStream.h"
#include "index/CiteTable.h"
#include "io/IOBuffer.h"

// A chunk is written as: position(); then per document, in decreasing id order, putId()
// and putCites(); endGroup() between groups when wanted; endChunk().
// Bytes reach the IOBuffer at every byte boundary the format has (endGroup, endChunk,
// position); in between some may wait in the writer, so the IOBuffer is only touched by
// others after one of those calls.
// Threads: one user at a time.
class RefWriter {
 public:
  // `out` must be open for writing and outlive the writer.
  explicit RefWriter(IOBuffer& out);
  // Traces "ERROR RefWriter -- destroyed inside a group" when bits were left unwritten.
  ~RefWriter();
  RefWriter(const RefWriter&) = delete;
  RefWriter& operator=(const RefWriter&) = delete;

  // Completes and hands over any partly written byte, seeks the IOBuffer to `filePos`, and
  // starts afresh: no group width, no last id; `filePos` becomes the chunk start that
  // endChunk() checks its back pointer against. 0, or -1 when the hand-over or the seek
  // fails.
  int position(int32_t filePos);

  // Writes one document id. The first id of a group fixes the group width w = bits(id) and
  // writes it first. An id that is not below the last id of the group is refused: traces
  // "ERROR RefWriter::putId -- <id> >= <last>", writes nothing and returns -1. Also -1,
  // writing nothing, for an id below 1, or while the previous id still waits for its
  // putCites(). 0 on success.
  int putId(int32_t id);
  // Writes the positions of the document just given to putId(), in table order (largest
  // first by contract), with cite width c = bits(largest value of the table or of its
  // count), at least 1. -1, writing nothing, when no id waits for its positions or a
  // position is below 1; 0 on success. An empty table writes c = 1, n = 0.
  int putCites(const CiteTable& list);
  // Writes the group terminator (when a group is open), aligns, and hands the group to the
  // IOBuffer; the next putId() starts a new group with its own width. An id still waiting
  // for positions is closed with an empty position list first (then -1). -1 also when the
  // IOBuffer write fails.
  int endGroup();
  // endGroup(), the end mark, and the continuation: flag 0 when `nextPos` is 0, else flag 1
  // and `nextPos` as 4 bytes. `nextPos` names the word's previous chunk, which lies earlier
  // in the file: a negative `nextPos`, or one not below the chunk start given to
  // position(), is refused (-1, nothing written). -1 too when endGroup() fails (the chunk
  // is still ended). 0 on success.
  int endChunk(int32_t nextPos);

 private:
  int closeEntry();

  BitWriter bits_;
  IOBuffer& out_;
  int width_ = 0;          // width of the open group, 0 when none
  int32_t lastId_ = 0;     // last id of the open group, 0 when none
  bool entryOpen_ = false; // an id waits for putCites()
  int32_t chunkStart_ = -1;
};
