// RefReader: walks one word's reference list, chunk after chunk, delivering document ids
// and their positions. Searching, index verification, compression and the inspector read
// lists with it. The layout is in docs/formats/ref-lists.md. Depends on io/ only.
#pragma once

#include <cstdint>
#include <vector>

#include "index/BitStream.h"
#include "index/CiteTable.h"
#include "index/RefFormat.h"
#include "io/IOBuffer.h"

// Sizes of reference lists as the index inspector reports them.
struct RefTally {
  int64_t entryCount = 0;
  int64_t idBits = 0;    // sum over entries of the group width
  int64_t citeBits = 0;  // sum over entries of n x max(bits(largest position), 1)
  // Entries by position count: [k] holds those with k positions, the last slot 25 or more.
  int64_t byCiteCount[refformat::kTallyCiteSlots] = {};
};

// Reading one list: position(); then nextId() until it returns 0, calling getCites() or
// skipCites() (or readAll()/skipAll()) once per id.
//
// The reader treats the file as hostile and always ends: past the end of the data it
// reads zero bits, which end the list; a chained chunk must lie wholly before the chunk
// that points to it (chunks of one word are appended in order), so a back pointer that
// does not go strictly backwards, and reading that runs from an older chunk into the
// newer one, end the list as damaged; a position count is only believed when its
// positions fit in the bits left (to the end of the data, or to the newer chunk).
// Threads: one user at a time; see BitReader for the InputBuffer.
class RefReader {
 public:
  // `in` must outlive the reader.
  explicit RefReader(InputBuffer& in);
  RefReader(const RefReader&) = delete;
  RefReader& operator=(const RefReader&) = delete;

  // Starts the list whose newest chunk begins at `filePos` (a dictionary value above 0)
  // and reads its first group width. 0, or -1 for a negative position or when the data
  // cannot be read (the list then reads as empty).
  int position(int32_t filePos);

  // The next document id of the list (above 0), following groups and chunks; 0 at the end
  // of the list, and from then on. When the previous id's positions were neither read nor
  // skipped, they are skipped first. Ids are delivered as stored; the reader does not check
  // their order.
  int32_t nextId();
  // Appends the positions of the current id to `list` in stored order (largest first) and
  // returns how many; -1 when no id waits for its positions, or when the count does not fit
  // in the data left (the list is then damaged and ends). `list` is not cleared.
  int32_t getCites(CiteTable& list);
  // Moves past the positions of the current id. 0, or -1 as getCites().
  int skipCites();
  // getCites() for the current id and for every following entry with the same id (one
  // document split over consecutive entries); the first different id is held back and
  // returned by the next nextId(). The total appended, or -1 as getCites() (positions
  // appended before the failure stay in `list`).
  int32_t readAll(CiteTable& list);
  // readAll() into a vector, each entry's positions reversed (ascending), so that a document
  // held in one entry arrives in order. The total appended, or -1 as readAll().
  int32_t readAllAscending(std::vector<int32_t>* list);
  // skipCites() over the same entries as readAll(). 0 or -1.
  int skipAll();

  // Adds the sizes of the list that starts at `filePos` to `tally`, reading it to its end.
  // 0, or -1 when positioning fails or the list is damaged (what was tallied stays).
  int tally(int32_t filePos, RefTally& tally);

  // True once the list ended on damage (a bad back pointer, a chunk running into a newer
  // one, a position count larger than the data, or a failed read). Cleared by position().
  bool damaged() const { return damaged_; }
  // Width of the current group (0 after the end).
  int groupWidth() const { return width_; }

 private:
  int32_t readId();
  int followChain();
  // Reads c and n of the current entry and checks that n positions fit; 0 or -1.
  int citeHeader(int* width, int32_t* count);
  int damage(const char* what);

  InputBuffer& in_;
  BitReader bits_;
  int width_ = 0;
  int32_t currentId_ = 0;  // the id nextId() returned last
  int32_t heldId_ = 0;
  bool held_ = false;       // heldId_ is the next id to deliver
  bool entryOpen_ = false;  // the current id's positions are still ahead
  bool ended_ = true;
  bool damaged_ = false;
  int32_t chunkStart_ = 0;  // start of the chunk being read
  int64_t limitBits_ = 0;   // reading must stay below this bit position
  bool chained_ = false;    // the chunk being read was reached through a back pointer
};
