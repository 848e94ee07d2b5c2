// Fixed pools, intrusive lists and growable arrays. Everything the engine
// holds comes from these, sized once when the simulator is built; nothing is
// allocated per body, contact or step except when a growable array must grow.
//
// Pooled record types carry their own links and in-use byte:
//   T* next; T* prev; uint8_t inUse;
// The same links serve the pool's free and used lists and an owner's list (a
// body's geometries, the simulator's body lists), so a record is on exactly one.
#ifndef KELVAMOR_PHYSICS_ALLOCATOR_H
#define KELVAMOR_PHYSICS_ALLOCATOR_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "physics/ne.h"

// Allocation through the int32 interface; false when the byte count does not
// fit (the caller must then treat the container as empty).
bool neFitsAllocation(size_t count, size_t entryBytes, int32_t* bytesOut);

template <class T>
struct neList {
  T* first = nullptr;
  T* last = nullptr;
  int32_t count = 0;

  void Reset() { first = last = nullptr; count = 0; }
  void Append(T* r) {
    r->next = nullptr;
    r->prev = last;
    if (last) last->next = r; else first = r;
    last = r;
    ++count;
  }
  void InsertAfter(T* at, T* r) {
    r->prev = at;
    r->next = at->next;
    if (at->next) at->next->prev = r; else last = r;
    at->next = r;
    ++count;
  }
  void InsertBefore(T* at, T* r) {
    r->next = at;
    r->prev = at->prev;
    if (at->prev) at->prev->next = r; else first = r;
    at->prev = r;
    ++count;
  }
  void Remove(T* r) {
    if (r->prev) r->prev->next = r->next; else if (first == r) first = r->next;
    if (r->next) r->next->prev = r->prev; else if (last == r) last = r->prev;
    r->next = r->prev = nullptr;
    --count;
  }
};

template <class T>
class nePool {
 public:
  nePool() = default;
  nePool(const nePool&) = delete;
  nePool& operator=(const nePool&) = delete;
  ~nePool() { Free(); }

  // Count 0 gives an empty, valid pool. False (and an empty pool) when the
  // block cannot be had; the allocator, when given, replaces the default.
  bool Init(int32_t count, neAllocator* allocator) {
    Free();
    if (allocator) allocator_ = allocator;
    if (count <= 0) return count == 0;
    int32_t bytes = 0;
    if (!neFitsAllocation(static_cast<size_t>(count), sizeof(T), &bytes)) return false;
    void* block = Allocator().Alloc(bytes, 0);
    if (!block) return false;
    records_ = static_cast<T*>(block);
    for (int32_t i = 0; i < count; ++i) {
      T* r = new (&records_[i]) T();
      r->inUse = 0;
      r->prev = i > 0 ? &records_[i - 1] : nullptr;
      r->next = nullptr;
      if (i > 0) records_[i - 1].next = r;
    }
    freeFirst_ = &records_[0];
    freeLast_ = &records_[count - 1];
    capacity_ = freeCount_ = count;
    return true;
  }

  // First free record appended to the used list, or null.
  T* Take() {
    T* r = TakeUnlisted();
    if (!r) return nullptr;
    r->prev = usedLast_;
    if (usedLast_) usedLast_->next = r; else usedFirst_ = r;
    usedLast_ = r;
    return r;
  }
  // First free record for an owner's list (links cleared), or null.
  T* TakeUnlisted() {
    T* r = freeFirst_;
    if (!r) return nullptr;
    freeFirst_ = r->next;
    if (freeFirst_) freeFirst_->prev = nullptr; else freeLast_ = nullptr;
    r->next = r->prev = nullptr;
    r->inUse = 1;
    --freeCount_;
    ++usedCount_;
    return r;
  }
  // Back from the used list to the FRONT of the free list (reused first).
  void Release(T* r) {
    if (!usedFirst_ || !r->inUse) return;
    if (r->prev) r->prev->next = r->next; else usedFirst_ = r->next;
    if (r->next) r->next->prev = r->prev; else usedLast_ = r->prev;
    PushFree(r);
  }
  // Back from an owner's list: only its neighbours are relinked; the owner
  // fixes its own first and last.
  void ReleaseUnlisted(T* r) {
    if (!r->inUse) return;
    if (r->prev) r->prev->next = r->next;
    if (r->next) r->next->prev = r->prev;
    PushFree(r);
  }

  void Free() {
    if (records_) {
      for (int32_t i = 0; i < capacity_; ++i) records_[i].~T();
      Allocator().Free(records_);
    }
    records_ = nullptr;
    freeFirst_ = usedFirst_ = freeLast_ = usedLast_ = nullptr;
    capacity_ = freeCount_ = usedCount_ = 0;
  }

  int32_t IndexOf(const T* r) const { return static_cast<int32_t>(r - records_); }
  T* At(int32_t index) { return records_ + index; }
  // The in-use byte of a record inside this pool, else false: validates a
  // host's pointer before it is freed.
  bool Contains(const void* p) const {
    return InRange(p) && static_cast<const T*>(p)->inUse != 0;
  }

  // Whether p points at a record slot of this pool, in use or not.
  bool InRange(const void* p) const {
    if (!records_ || !p) return false;
    const uintptr_t a = reinterpret_cast<uintptr_t>(p);
    const uintptr_t lo = reinterpret_cast<uintptr_t>(records_);
    const uintptr_t hi = reinterpret_cast<uintptr_t>(records_ + capacity_);
    return a >= lo && a < hi && (a - lo) % sizeof(T) == 0;
  }

  T* UsedFirst() const { return usedFirst_; }
  T* FreeFirst() const { return freeFirst_; }
  int32_t Capacity() const { return capacity_; }
  int32_t FreeCount() const { return freeCount_; }
  int32_t UsedCount() const { return usedCount_; }
  size_t Bytes() const { return static_cast<size_t>(capacity_) * sizeof(T); }

 private:
  neAllocator& Allocator() { return allocator_ ? *allocator_ : defaultAllocator_; }
  void PushFree(T* r) {
    r->inUse = 0;
    r->prev = nullptr;
    r->next = freeFirst_;
    if (freeFirst_) freeFirst_->prev = r; else freeLast_ = r;
    freeFirst_ = r;
    ++freeCount_;
    --usedCount_;
  }

  T* records_ = nullptr;
  T* freeFirst_ = nullptr;
  T* usedFirst_ = nullptr;
  T* freeLast_ = nullptr;
  T* usedLast_ = nullptr;
  int32_t capacity_ = 0;
  int32_t freeCount_ = 0;
  int32_t usedCount_ = 0;
  // Null: the embedded default. Resolved at use, so a moved container never
  // points into its old place.
  neAllocator* allocator_ = nullptr;
  neDefaultAllocator defaultAllocator_;
};

// Growth: 0 fixed size, -1 double, n > 0 add n entries. Entries are plain data
// moved with memcpy when the block grows.
template <class T>
class neArray {
 public:
  neArray() = default;
  neArray(const neArray&) = delete;
  neArray& operator=(const neArray&) = delete;
  ~neArray() { Free(); }

  bool Init(int32_t capacity, neAllocator* allocator, int32_t growth) {
    Free();
    allocator_ = allocator;
    growth_ = growth;
    if (capacity < 0) return false;
    if (capacity > 0) {
      int32_t bytes = 0;
      if (!neFitsAllocation(static_cast<size_t>(capacity), sizeof(T), &bytes)) return false;
      data_ = static_cast<T*>(Allocator().Alloc(bytes, 0));
      if (!data_) return false;
    }
    capacity_ = capacity;
    count_ = 0;
    return true;
  }
  // A full, fixed array over the caller's storage.
  void InitOverBuffer(T* buffer, int32_t n) {
    Free();
    data_ = buffer;
    capacity_ = count_ = n;
    growth_ = 0;
    borrowed_ = true;
  }

  // The next slot, or null when the array is full and may not or cannot grow
  // (the array is then unchanged).
  T* Append() {
    if (count_ >= capacity_ && !Grow()) return nullptr;
    return &data_[count_++];
  }
  bool Push(const T& v) {
    T* slot = Append();
    if (!slot) return false;
    *slot = v;
    return true;
  }
  void Clear() { count_ = 0; }
  void Truncate(int32_t n) {
    if (n >= 0 && n < count_) count_ = n;
  }
  void Free() {
    if (data_ && !borrowed_) Allocator().Free(data_);
    data_ = nullptr;
    capacity_ = count_ = 0;
    borrowed_ = false;
  }

  T& operator[](int32_t i) { return data_[i]; }
  const T& operator[](int32_t i) const { return data_[i]; }
  T* Data() { return data_; }
  const T* Data() const { return data_; }
  int32_t Count() const { return count_; }
  int32_t Capacity() const { return capacity_; }
  int32_t Growth() const { return growth_; }
  size_t Bytes() const { return static_cast<size_t>(capacity_) * sizeof(T); }

 private:
  neAllocator& Allocator() { return allocator_ ? *allocator_ : defaultAllocator_; }
  bool Grow() {
    if (growth_ == 0 || borrowed_) return false;
    int64_t next = growth_ < 0 ? static_cast<int64_t>(capacity_) * 2
                               : static_cast<int64_t>(capacity_) + growth_;
    if (next < 1) next = 1;  // doubling an empty array must still make room
    if (next > INT32_MAX) return false;
    int32_t bytes = 0;
    if (!neFitsAllocation(static_cast<size_t>(next), sizeof(T), &bytes)) return false;
    T* block = static_cast<T*>(Allocator().Alloc(bytes, 0));
    if (!block) return false;
    if (data_) {
      if (count_ > 0) std::memcpy(static_cast<void*>(block), data_, sizeof(T) * count_);
      Allocator().Free(data_);
    }
    data_ = block;
    capacity_ = static_cast<int32_t>(next);
    return true;
  }

  T* data_ = nullptr;
  int32_t capacity_ = 0;
  int32_t count_ = 0;
  neAllocator* allocator_ = nullptr;  // null: the embedded default
  neDefaultAllocator defaultAllocator_;
  int32_t growth_ = 0;
  bool borrowed_ = false;
};

#endif  // KELVAMOR_PHYSICS_ALLOCATOR_H
