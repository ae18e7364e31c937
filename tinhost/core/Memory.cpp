#include "core/Memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include <unistd.h>

// Under AddressSanitizer each plain block is a malloc of its own, so that an
// overflow off the end of a block is caught at the block's own bounds.
#if defined(__SANITIZE_ADDRESS__)
#define TINHOST_BLOCK_PER_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TINHOST_BLOCK_PER_MALLOC 1
#endif
#endif
#ifndef TINHOST_BLOCK_PER_MALLOC
#define TINHOST_BLOCK_PER_MALLOC 0
#endif

namespace tinhost {
namespace {

std::int32_t clampTo32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

// malloc(0) may return null; every live block must have a distinct address.
char* rawBlock(std::int32_t size) { return static_cast<char*>(std::malloc(size > 0 ? size : 1)); }

// Blocks are handed out 16-byte aligned: malloc's alignment, a 16-byte header
// and chunk strides that are multiples of 16 keep it so.
static_assert(alignof(std::max_align_t) >= 16);

// A class's chunks grow from 64 KiB to 1 MiB, so that a session with few
// blocks stays small and a million-block build takes few chunks.
constexpr std::size_t kFirstChunkBytes = std::size_t{64} << 10;
constexpr int kChunkDoublings = 4;

constexpr bool kSlabs = TINHOST_BLOCK_PER_MALLOC == 0;

}  // namespace

std::int64_t Memory::machineBudget() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return kDefaultBudget;
  return std::max<std::int64_t>(kDefaultBudget, std::int64_t{pages} * pageSize / 2);
}

Memory::Memory(std::int64_t budget) : budget_(budget) {}

Memory::~Memory() {
  // Every mark is cleared before its memory goes back to malloc, so that no
  // header left in memory handed out again (to another Memory, say, whose
  // plug-in frees an address inside a block) passes for a live block.
  for (BlockHeader* header : largeBlocks_) {
    header->mark = 0;
    std::free(header);
  }
  for (const Chunk& chunk : chunks_) {
    const SizeClass& c = classes_[chunk.sizeClass];
    const std::size_t step = stride(chunk.sizeClass);
    const char* carved = c.end == chunk.base + chunk.bytes ? c.next : chunk.base + chunk.bytes;
    for (char* at = chunk.base; at + step <= carved; at += step) reinterpret_cast<BlockHeader*>(at)->mark = 0;
    std::free(chunk.base);
  }
  for (auto& [h, rec] : handles_) {
    std::free(*rec.master);
    delete rec.master;
  }
}

std::int32_t Memory::freeMem() const {
  if (freeOverride_) return *freeOverride_;
  return clampTo32(std::max<std::int64_t>(0, budget_ - inUse_));
}

void Memory::purgeSpace(std::int32_t& total, std::int32_t& contiguous) const {
  const std::int32_t free = clampTo32(std::max<std::int64_t>(0, budget_ - inUse_));
  total = purgeTotalOverride_.value_or(free);
  contiguous = purgeContigOverride_.value_or(free);
}

void Memory::failAllocation(std::uint64_t k, bool sticky) {
  failAt_ = counted_ + std::max<std::uint64_t>(k, 1);
  failSticky_ = sticky;
}

// Counts the attempt (when `counted`), applies fault injection and the budget,
// and on success charges `bytes`.
bool Memory::takeBudget(std::int64_t bytes, bool counted) {
  if (counted) {
    ++counted_;
    if (failAt_ && (counted_ == *failAt_ || (failSticky_ && counted_ > *failAt_))) {
      ++failed_;
      return false;
    }
  }
  if (bytes < 0 || inUse_ + bytes > budget_) {
    ++failed_;
    return false;
  }
  inUse_ += bytes;
  peakInUse_ = std::max(peakInUse_, inUse_);
  return true;
}

Memory::BlockHeader* Memory::smallBlock(std::int32_t size) {
  const int cls = sizeClassOf(size);
  SizeClass& c = classes_[cls];
  if (BlockHeader* header = c.freeList) {
    c.freeList = header->nextFree;
    return header;
  }
  const std::size_t step = stride(cls);
  if (static_cast<std::size_t>(c.end - c.next) < step) {
    const std::size_t bytes = kFirstChunkBytes << std::min(c.chunks, kChunkDoublings);
    auto* chunk = static_cast<char*>(std::malloc(bytes));
    if (chunk == nullptr) return nullptr;
    try {
      chunks_.push_back({chunk, bytes, cls});
    } catch (const std::bad_alloc&) {
      std::free(chunk);
      return nullptr;
    }
    ++c.chunks;
    c.next = chunk;
    c.end = chunk + bytes;
  }
  auto* header = reinterpret_cast<BlockHeader*>(c.next);
  c.next += step;
  return header;
}

Memory::BlockHeader* Memory::largeBlock(std::int32_t size) {
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + static_cast<std::size_t>(size)));
  if (header == nullptr) return nullptr;
  try {
    largeBlocks_.push_back(header);
  } catch (const std::bad_alloc&) {
    std::free(header);
    return nullptr;
  }
  header->largeIndex = largeBlocks_.size() - 1;
  return header;
}

KVErr Memory::allocate(std::int32_t size, void** out) {
  if (out != nullptr) *out = nullptr;
  if (out == nullptr || size < 0 || !takeBudget(size, true)) return lastError_ = kKVMemFullErr;
  BlockHeader* header = kSlabs && size <= kSmallMax ? smallBlock(size) : largeBlock(size);
  if (header == nullptr) {
    inUse_ -= size;
    return lastError_ = kKVMemFullErr;
  }
  header->size = size;
  header->mark = kLiveMark;
  ++blockCount_;
  blockBytes_ += size;
  *out = header + 1;
  return lastError_ = kKVNoErr;
}

void Memory::release(void* block) {
  lastError_ = kKVNoErr;
  if (block == nullptr) return;
  // No block is handed out off the 16-byte grid, so such an address is not
  // read at all.
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  if (reinterpret_cast<std::uintptr_t>(block) % alignof(BlockHeader) != 0 || header->mark != kLiveMark) {
    note("InternalFree of a block that is not a live allocation");
    return;
  }
  const std::int32_t size = header->size;
  header->mark = 0;
  inUse_ -= size;
  --blockCount_;
  blockBytes_ -= size;
  if (kSlabs && size <= kSmallMax) {
    SizeClass& c = classes_[sizeClassOf(size)];
    header->nextFree = c.freeList;
    c.freeList = header;
    return;
  }
  BlockHeader* last = largeBlocks_.back();
  largeBlocks_[header->largeIndex] = last;
  last->largeIndex = header->largeIndex;
  largeBlocks_.pop_back();
  std::free(header);
}

KVHandle Memory::newHandle(std::int32_t size, HandleOwner owner) {
  if (size < 0 || !takeBudget(size, owner == HandleOwner::Plugin)) {
    lastError_ = kKVMemFullErr;
    return nullptr;
  }
  char* block = rawBlock(size);
  if (block == nullptr) {
    inUse_ -= size;
    lastError_ = kKVMemFullErr;
    return nullptr;
  }
  std::memset(block, 0, static_cast<std::size_t>(size));
  HandleRecord rec;
  rec.master = new char*(block);
  rec.size = size;
  rec.owner = owner;
  handles_.emplace(rec.master, rec);
  lastError_ = kKVNoErr;
  return rec.master;
}

Memory::HandleRecord* Memory::find(KVHandle h) {
  const auto it = handles_.find(h);
  if (it == handles_.end()) {
    lastError_ = kKVNilHandleErr;
    return nullptr;
  }
  return &it->second;
}

void Memory::disposeHandle(KVHandle h) {
  HandleRecord* rec = find(h);
  if (rec == nullptr) {
    if (h != nullptr) note("DisposeHandle of a handle that is not live");
    return;
  }
  if (rec->owner == HandleOwner::Drawing) {
    note("DisposeHandle of a data object of the drawing (use DeleteAuxObject)");
    lastError_ = kKVNilHandleErr;
    return;
  }
  disposeDrawingHandle(h);
}

void Memory::disposeDrawingHandle(KVHandle h) {
  HandleRecord* rec = find(h);
  if (rec == nullptr) return;
  inUse_ -= rec->size;
  std::free(*rec->master);
  delete rec->master;
  handles_.erase(h);
  lastError_ = kKVNoErr;
}

std::int32_t Memory::handleSize(KVHandle h) {
  const HandleRecord* rec = find(h);
  if (rec == nullptr) return 0;
  lastError_ = kKVNoErr;
  return rec->size;
}

void Memory::setHandleSize(KVHandle h, std::int32_t size) {
  HandleRecord* rec = find(h);
  if (rec == nullptr) return;
  if (size < 0) {
    lastError_ = kKVMemFullErr;
    return;
  }
  if (size <= rec->size) {  // shrinking keeps the block in place
    inUse_ -= rec->size - size;
    rec->size = size;
    lastError_ = kKVNoErr;
    return;
  }
  const bool locked = (rec->state & kHandleLocked) != 0;
  if (locked || !takeBudget(size - rec->size, true)) {
    if (locked) ++failed_;
    lastError_ = kKVMemFullErr;
    return;
  }
  // Growth always moves the block: a fresh block, the old contents copied, the
  // new tail zeroed, the old block released.
  char* block = rawBlock(size);
  if (block == nullptr) {
    inUse_ -= size - rec->size;
    lastError_ = kKVMemFullErr;
    return;
  }
  std::memcpy(block, *rec->master, static_cast<std::size_t>(rec->size));
  std::memset(block + rec->size, 0, static_cast<std::size_t>(size - rec->size));
  std::free(*rec->master);
  *rec->master = block;
  rec->size = size;
  ++moves_;
  lastError_ = kKVNoErr;
}

std::int8_t Memory::handleState(KVHandle h) {
  const HandleRecord* rec = find(h);
  if (rec == nullptr) return 0;
  lastError_ = kKVNoErr;
  return rec->state;
}

void Memory::setHandleState(KVHandle h, std::int8_t state) {
  HandleRecord* rec = find(h);
  if (rec == nullptr) return;
  rec->state = state;
  lastError_ = kKVNoErr;
}

std::optional<HandleOwner> Memory::ownerOf(KVHandle h) const {
  const auto it = handles_.find(h);
  if (it == handles_.end()) return std::nullopt;
  return it->second.owner;
}

std::span<const std::uint8_t> Memory::contents(KVHandle h) const {
  const auto it = handles_.find(h);
  if (it == handles_.end()) return {};
  return {reinterpret_cast<const std::uint8_t*>(*it->second.master),
          static_cast<std::size_t>(it->second.size)};
}

MemoryStats Memory::stats() const {
  MemoryStats s;
  s.pluginBlocks = blockCount_;
  s.pluginBytes = blockBytes_;
  for (const auto& [h, rec] : handles_) {
    if (rec.owner == HandleOwner::Plugin) {
      ++s.pluginHandles;
      s.pluginBytes += rec.size;
    } else {
      ++s.drawingHandles;
      s.drawingBytes += rec.size;
    }
  }
  s.countedAllocations = counted_;
  s.failedAllocations = failed_;
  s.handleMoves = moves_;
  return s;
}

}  // namespace tinhost
