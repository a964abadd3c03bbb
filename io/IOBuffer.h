// Block buffers over a file: InputBuffer reads, IOBuffer reads and writes. The buffer always
// holds one aligned block (its file position is a multiple of the buffer size) and serves
// typed little-endian reads and writes from it; the file behind it is reached only through
// two hooks that IOFile and InputFile implement. Depends on objects/ only.
#pragma once

#include <cstdint>

// Threads: a buffer belongs to one user at a time.
class InputBuffer {
 public:
  static constexpr int32_t kDefaultBufferBytes = 512;

  // A buffer of `bufferBytes` (at least 1). With `external` the caller's memory is used and
  // must outlive the buffer; otherwise the buffer owns its memory.
  explicit InputBuffer(int32_t bufferBytes = kDefaultBufferBytes, char* external = nullptr);
  virtual ~InputBuffer();
  InputBuffer(const InputBuffer&) = delete;
  InputBuffer& operator=(const InputBuffer&) = delete;

  // Moves to an absolute position. Within the block already held only the cursor moves;
  // otherwise a dirty block is written back and the target block is read. 0, or -1 for a
  // negative position (traced as an ERROR) or when the write-back or the read fails (the
  // buffer then holds no block and the position is the target).
  int seek(int32_t position);
  // Copies n bytes from the position onward and advances over them. Bytes past the logical
  // length are returned as zeros and set the end flag; the position stops at the end.
  // Returns the count of real bytes copied, or -1 when a block cannot be read.
  int32_t read(void* buffer, int32_t n);
  uint8_t readByte();
  int16_t readShort();  // 2 bytes, little-endian
  int32_t readLong();   // 4 bytes, little-endian

  int32_t tell() const { return blockPos_ + cursor_; }
  int32_t getLength() const { return length_; }
  // Set once a read ran into the end of the data; cleared by seek.
  bool atEnd() const { return end_; }
  int32_t bufferBytes() const { return bufferBytes_; }

  // Makes the buffer `bytes` long (at least 1), forgetting the block held. 0, or -1 while a
  // written block is not yet back in the file, or when the buffer is the caller's memory.
  int setBufferBytes(int32_t bytes);
  // Lets the buffer double, up to `maxBytes` and no further than the whole data, each time a
  // read moves on to the block right after or right before the one held: a run through the
  // file then costs a few large reads instead of one read per block, while reads that jump
  // about go back to the small block. 0 (the default) keeps the size fixed. Growth happens only
  // while no written block is held, so it is meant for files opened for reading.
  void setGrowthLimit(int32_t maxBytes) { growthLimit_ = maxBytes; }

 protected:
  // Reads n bytes of the file at `position` into `into`; returns the count read or -1.
  virtual int32_t readBlock(int32_t position, char* into, int32_t n) = 0;
  // Writes the held block back when it is dirty (IOBuffer); 0 or -1.
  virtual int writeBack() { return 0; }
  // The name used in messages.
  virtual const char* bufferName() const = 0;

  // Forgets the held block and starts over at `position` of data `length` bytes long.
  void resetBuffer(int32_t position, int32_t length);
  // Serves every read from `data`, all `length` bytes of the file (the caller's memory, which
  // must stay valid until serveOwnBuffer): no block is read again, a position past the data
  // reads as the end. The position is kept. -1 while a written block is not yet back, or
  // when the buffer is the caller's memory.
  int serveWhole(char* data, int32_t length);
  // Back to a buffer of its own of the first size after serveWhole.
  void serveOwnBuffer();
  // Makes sure a block is held; `needData` false when the caller will overwrite all of it.
  int ensureBlock(bool needData);
  // Writes back and moves to the block that starts at `blockPos`, cursor at its start.
  int moveToBlock(int32_t blockPos, bool needData);
  // Bytes of the held block that lie within the logical length.
  int32_t validBytes() const;
  // The start of the block that holds `position`, first doubling the buffer when growth is
  // allowed and the block lies next to the one held.
  int32_t blockFor(int32_t position);

  char* buffer_;
  int32_t bufferBytes_;
  int32_t cursor_ = 0;    // offset of the position inside the buffer
  int32_t blockPos_ = 0;  // file position of the buffer's first byte
  int32_t length_ = 0;    // logical length of the data
  bool loaded_ = false;   // the buffer holds the block at blockPos_
  bool end_ = false;
  bool dirty_ = false;
  bool owned_;
  int32_t baseBytes_;       // the size growth starts from and falls back to after a jump
  int32_t growthLimit_ = 0;
  bool whole_ = false;      // buffer_ is the whole data, lent by serveWhole
  int32_t ownBytes_ = 0;    // the size of the own buffer to go back to
};

class IOBuffer : public InputBuffer {
 public:
  explicit IOBuffer(int32_t bufferBytes = kDefaultBufferBytes, char* external = nullptr)
      : InputBuffer(bufferBytes, external) {}

  // Copies n bytes into the buffer at the position, marks it dirty and moves on to the next
  // block when it fills; the logical length grows to cover what was written. Returns n, or
  // -1 when a full block cannot be written back or a block cannot be read (bytes before the
  // failure stay in the buffer).
  int32_t write(const void* buffer, int32_t n);
  int writeByte(uint8_t value);
  int writeShort(int16_t value);  // little-endian
  int writeLong(int32_t value);   // little-endian

  // Writes the held block when dirty: the whole buffer, or only the bytes up to the logical
  // length when the block is the last. 0, or -1 (traced as an ERROR; the block stays dirty).
  int flush();

  // Copies `length` bytes from the position of `in` to this buffer's position, or with
  // `skipOnly` just moves `in` past them. Copies over 500 bytes are traced with `label`.
  // -1 when `in` holds fewer than `length` bytes past its position, or on a read or write
  // failure. Requires: `in` is not this buffer.
  int copyBlock(InputBuffer& in, int32_t length, bool skipOnly, const char* label);

 protected:
  // Writes the first n bytes of the buffer at `position` of the file; 0 or -1.
  virtual int writeBlock(int32_t position, int32_t n) = 0;
  int writeBack() override { return dirty_ ? flush() : 0; }
};
