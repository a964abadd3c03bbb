// GenericCache: slots, lock counts, the least-recently-used list and write-back.
#include "trie/GenericCache.h"

#include <cstring>

#include "objects/Trace.h"

namespace {
// Each image is preceded by a small head: the slot number and a guard byte.
constexpr int kHeadBytes = 8;
constexpr int kSlotNumPos = 0;  // 4 bytes, native order (memory only)
constexpr int kGuardPos = kHeadBytes - 1;
constexpr char kGuard = '*';
}  // namespace

GenericCache::GenericCache(int slotCount, int32_t pageBytes)
    : pageBytes_(pageBytes),
      slots_(static_cast<size_t>(slotCount)),
      memoryBytes_(static_cast<size_t>(slotCount) * static_cast<size_t>(pageBytes + kHeadBytes)) {
  memory_.reset(new char[memoryBytes_]);
  for (int i = 0; i < slotCount; ++i)
    slots_[static_cast<size_t>(i)].image =
        memory_.get() + static_cast<size_t>(i) * static_cast<size_t>(pageBytes + kHeadBytes) + kHeadBytes;
}

GenericCache::~GenericCache() = default;

int GenericCache::findSlot(int32_t id) const {
  if (lastSlot_ >= 0 && slots_[static_cast<size_t>(lastSlot_)].id == id) return lastSlot_;
  for (size_t i = 0; i < slots_.size(); ++i)
    if (slots_[i].id == id) return static_cast<int>(i);
  return -1;
}

void GenericCache::unlink(int s) {
  Slot& slot = slots_[static_cast<size_t>(s)];
  if (slot.prev >= 0)
    slots_[static_cast<size_t>(slot.prev)].next = slot.next;
  else if (lruHead_ == s)
    lruHead_ = slot.next;
  if (slot.next >= 0)
    slots_[static_cast<size_t>(slot.next)].prev = slot.prev;
  else if (lruTail_ == s)
    lruTail_ = slot.prev;
  slot.prev = slot.next = -1;
}

void GenericCache::pushMostRecent(int s) {
  Slot& slot = slots_[static_cast<size_t>(s)];
  slot.prev = lruTail_;
  slot.next = -1;
  if (lruTail_ >= 0)
    slots_[static_cast<size_t>(lruTail_)].next = s;
  else
    lruHead_ = s;
  lruTail_ = s;
}

char* GenericCache::get(int32_t id, bool fresh) {
  ++lookups_;
  int s = findSlot(id);
  if (s >= 0) {
    ++hits_;
    lastSlot_ = s;
    Slot& slot = slots_[static_cast<size_t>(s)];
    if (slot.lockCount == 0) unlink(s);
    ++slot.lockCount;
    if (fresh) {
      std::memset(slot.image, 0, static_cast<size_t>(pageBytes_));
      slot.dirty = true;
    }
    return slot.image;
  }
  // A miss: a free slot, else the least recently used unlocked one.
  s = findSlot(-1);
  if (s < 0) {
    s = lruHead_;
    if (s < 0) {
      trace::line("ERROR GenericCache: out of space");
      return nullptr;
    }
    Slot& victim = slots_[static_cast<size_t>(s)];
    if (victim.dirty) {
      if (writePage(victim.id, victim.image) < 0) {
        failed_ = true;
        return nullptr;
      }
      victim.dirty = false;
    }
    unlink(s);
  }
  Slot& slot = slots_[static_cast<size_t>(s)];
  slot.id = -1;  // stays free until the read succeeds
  char* head = slot.image - kHeadBytes;
  std::memcpy(head + kSlotNumPos, &s, sizeof s);
  head[kGuardPos] = kGuard;
  if (fresh) {
    std::memset(slot.image, 0, static_cast<size_t>(pageBytes_));
  } else if (readPage(id, slot.image) < 0) {
    failed_ = true;
    return nullptr;
  }
  slot.id = id;
  slot.lockCount = 1;
  slot.dirty = fresh;
  return slot.image;
}

int GenericCache::getCacheMember(const char* page) const {
  const char* base = memory_.get();
  size_t stride = static_cast<size_t>(pageBytes_ + kHeadBytes);
  uintptr_t p = reinterpret_cast<uintptr_t>(page);
  uintptr_t b = reinterpret_cast<uintptr_t>(base);
  if (!page || p < b + kHeadBytes || p >= b + memoryBytes_ || (p - b) % stride != kHeadBytes) {
    trace::line("ERROR getCacheMember failed!");
    return -1;
  }
  int s = 0;
  std::memcpy(&s, page - kHeadBytes + kSlotNumPos, sizeof s);
  if (page[-1] != kGuard || s < 0 || static_cast<size_t>(s) >= slots_.size()) {
    trace::line("ERROR getCacheMember failed!");
    return -1;
  }
  return s;
}

void GenericCache::pushLeastRecent(int s) {
  Slot& slot = slots_[static_cast<size_t>(s)];
  slot.prev = -1;
  slot.next = lruHead_;
  if (lruHead_ >= 0)
    slots_[static_cast<size_t>(lruHead_)].prev = s;
  else
    lruTail_ = s;
  lruHead_ = s;
}

int GenericCache::release(char* page, bool changed, bool transient) {
  int s = getCacheMember(page);
  if (s < 0) return -1;
  Slot& slot = slots_[static_cast<size_t>(s)];
  if (changed) slot.dirty = true;
  if (slot.lockCount > 0) {
    --slot.lockCount;
    if (slot.lockCount == 0 && slot.id >= 0) {
      if (transient && !slot.dirty)
        pushLeastRecent(s);
      else
        pushMostRecent(s);
    }
  }
  return 0;
}

int GenericCache::markDirty(char* page) {
  int s = getCacheMember(page);
  if (s < 0) return -1;
  slots_[static_cast<size_t>(s)].dirty = true;
  return 0;
}

int GenericCache::verify(const char* page, int32_t id) const {
  const char* base = memory_.get();
  uintptr_t p = reinterpret_cast<uintptr_t>(page);
  uintptr_t b = reinterpret_cast<uintptr_t>(base);
  size_t stride = static_cast<size_t>(pageBytes_ + kHeadBytes);
  if (!page || p < b || p >= b + memoryBytes_ || (p - b) % stride != kHeadBytes) {
    trace::line("ERROR GenericCache::verify(id = %ld) failed\n", static_cast<long>(id));
    return -1;
  }
  const Slot& slot = slots_[(p - b) / stride];
  if (slot.id != id) {
    trace::line("ERROR GenericCache::verify(id = %ld) failed (id = %ld)\n", static_cast<long>(id),
                static_cast<long>(slot.id));
    return -1;
  }
  return 0;
}

int GenericCache::flush() {
  int rc = 0;
  for (Slot& slot : slots_) {
    if (slot.id < 0 || !slot.dirty) continue;
    if (writePage(slot.id, slot.image) < 0) {
      failed_ = true;
      rc = -1;
      continue;
    }
    slot.dirty = false;
  }
  return rc;
}

void GenericCache::reset() {
  for (Slot& slot : slots_) {
    slot.id = -1;
    slot.lockCount = 0;
    slot.dirty = false;
    slot.prev = slot.next = -1;
  }
  lruHead_ = lruTail_ = -1;
  lastSlot_ = -1;
  failed_ = false;
  lookups_ = hits_ = 0;
}

int GenericCache::lockedCount() const {
  int n = 0;
  for (const Slot& slot : slots_)
    if (slot.id >= 0 && slot.lockCount > 0) ++n;
  return n;
}
