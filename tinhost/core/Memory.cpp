#include "tinhost/core/Memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include "tinhost/core/UnderAsan.h"

namespace tinhost {
namespace {

std::int32_t clampTo32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

// malloc(0) may return null; every live block must have a distinct address.
char* rawBlock(std::int32_t size) { return static_cast<char*>(std::malloc(size > 0 ? size : 1)); }

// Chunks start on a cache line.  The small blocks' alignment relies on it,
// and a block whose size is a multiple of the line then lies in whole lines:
// a 64-byte triangle is read with one memory access.
constexpr std::size_t kChunkAlignment = 64;

// A class's chunks grow from 64 KiB to 2 MiB, so that a session with few
// blocks stays small and a million-block build takes few chunks.
constexpr std::size_t kFirstChunkBytes = std::size_t{64} << 10;
constexpr int kChunkDoublings = 5;

// The size of a huge page.  A chunk of this size comes from an arena that the
// kernel is asked to back with huge pages: a build reads its triangles and
// vertices in no order the caches can follow, and with 4 KiB pages nearly
// every such read also misses the address translation cache, whose reach is
// a few megabytes.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Arenas are mapped this large at a time, on a huge page's boundary; only
// the chunks carved so far take memory.
constexpr std::size_t kArenaBytes = std::size_t{64} << 20;

// Asks for huge pages over the whole huge pages within [p, p + bytes).  A
// hint: without transparent huge pages the range keeps its small pages.
void adviseHugePages(void* p, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  const auto from = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t begin = (from + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (from + bytes) & ~(kHugePage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)p;
  (void)bytes;
#endif
}

// A mapping of `bytes` (a multiple of the page size) that starts on a huge
// page's boundary, or null.
char* mapAligned(std::size_t bytes) {
  void* raw = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto at = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t begin = (at + kHugePage - 1) & ~(kHugePage - 1);
  if (begin > at) munmap(raw, begin - at);
  const std::size_t tail = at + kHugePage - begin;
  if (tail > 0) munmap(reinterpret_cast<void*>(begin + bytes), tail);
  return reinterpret_cast<char*>(begin);
}

// Chunks and plain blocks of at least this size have their pages mapped on
// the page faulter's thread while they are carved or filled: only sessions
// that allocate this much start the thread.
constexpr std::size_t kPrefaultBytes = std::size_t{1} << 20;

// Under AddressSanitizer each plain block is a malloc of its own, so that an
// overflow off the end of a block is caught at the block's own bounds.
constexpr bool kSlabs = TINHOST_UNDER_ASAN == 0;

// Plain blocks of kPrefaultBytes or more are mappings of their own (outside
// AddressSanitizer), with huge pages asked for: a build's tables and arrays
// are read at random, and a freed one goes back to the system at once, so
// that the arenas of the triangles that follow it do not add to its pages.
bool isMapped(std::int32_t size) { return kSlabs && static_cast<std::size_t>(size) >= kPrefaultBytes; }
std::size_t mappedBytes(std::int32_t size) {
  static const std::size_t page = sysconf(_SC_PAGESIZE) > 0 ? static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) : 4096;
  return (static_cast<std::size_t>(size) + page - 1) / page * page;
}
// Gives back a plain block that is not a small one, by how it was taken.
void freeLargeBlock(void* block, std::int32_t size) {
  if (isMapped(size)) munmap(block, mappedBytes(size));
  else std::free(block);
}

}  // namespace

std::int64_t Memory::machineBudget() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return kDefaultBudget;
  return std::max<std::int64_t>(kDefaultBudget, std::int64_t{pages} * pageSize / 2);
}

void Memory::keepFreedMemoryForReuse() {
#ifdef M_MMAP_THRESHOLD
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

Memory::Memory(std::int64_t budget) : budget_(budget) {}

Memory::~Memory() {
  faulter_.stop();
  for (const auto& [block, size] : largeBlocks_) freeLargeBlock(block, size);
  for (const Chunk& chunk : chunks_)
    if (!chunk.inArena) std::free(chunk.base);
  for (char* arena : arenas_) munmap(arena, kArenaBytes);
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

void* Memory::smallBlock(std::int32_t size) {
  const int cls = sizeClassOf(size);
  SizeClass& c = classes_[cls];
  const auto state = static_cast<std::uint8_t>(size - cls * kGranule + 1);
  if (FreeBlock* block = c.freeList) {
    std::size_t index = 0;
    chunkOf(block, &index)->state()[index] = state;
    c.freeList = block->next;
    return block;
  }
  const std::size_t step = stride(cls);
  if (static_cast<std::size_t>(c.end - c.next) < step) {
    const std::size_t bytes = kFirstChunkBytes << std::min(c.chunks, kChunkDoublings);
    const std::size_t blocks = bytes / (step + 1);
    char* base = bytes == kHugePage ? arenaChunk() : nullptr;
    const bool inArena = base != nullptr;
    if (!inArena) base = static_cast<char*>(std::aligned_alloc(kChunkAlignment, bytes));
    if (base == nullptr) return nullptr;
    const Chunk chunk{base, blocks, cls, inArena};
    try {
      chunks_.insert(std::upper_bound(chunks_.begin(), chunks_.end(), base,
                                      [](const char* p, const Chunk& k) { return p < k.base; }),
                     chunk);
    } catch (const std::bad_alloc&) {
      if (inArena) arenaNext_ -= kHugePage;  // the last chunk carved: give it back
      else std::free(base);
      return nullptr;
    }
    if (bytes >= kPrefaultBytes) faulter_.request(base, bytes);
    std::memset(chunk.state(), 0, blocks);
    ++c.chunks;
    c.next = base;
    c.end = base + blocks * step;
    c.nextState = chunk.state();
  }
  char* block = c.next;
  *c.nextState++ = state;
  c.next += step;
  return block;
}

char* Memory::arenaChunk() {
  if (arenaNext_ == arenaEnd_) {
    char* arena = mapAligned(kArenaBytes);
    if (arena == nullptr) return nullptr;
    try {
      arenas_.push_back(arena);
    } catch (const std::bad_alloc&) {
      munmap(arena, kArenaBytes);
      return nullptr;
    }
    adviseHugePages(arena, kArenaBytes);
    arenaNext_ = arena;
    arenaEnd_ = arena + kArenaBytes;
  }
  char* chunk = arenaNext_;
  arenaNext_ += kHugePage;
  // The next chunk of the arena is mapped in now, on the faulter's thread, so
  // that it is ready when some class asks for it: a chunk's first huge page
  // is otherwise met by the carving thread before the faulter gets to it,
  // and the carving thread then waits while the kernel clears 2 MiB.
  if (arenaNext_ != arenaEnd_) faulter_.request(arenaNext_, kHugePage);
  return chunk;
}

const Memory::Chunk* Memory::chunkOf(const void* p, std::size_t* index) const {
  const auto* at = static_cast<const char*>(p);
  if (chunks_.empty() || at < chunks_.front().base) return nullptr;
  // The last chunk starting at or before p, by a binary search whose steps
  // select rather than branch: a release of blocks in no particular order
  // would mispredict about half of a branching search's steps.
  const Chunk* first = chunks_.data();
  for (std::size_t n = chunks_.size(); n > 1;) {
    const std::size_t half = n / 2;
    first = first[half].base <= at ? first + half : first;
    n -= half;
  }
  const Chunk& chunk = *first;
  const std::size_t offset = static_cast<std::size_t>(at - chunk.base);
  const std::size_t step = stride(chunk.sizeClass);
  if (offset >= chunk.blocks * step || offset % step != 0) return nullptr;
  *index = offset / step;
  return &chunk;
}

KVErr Memory::allocate(std::int32_t size, void** out) {
  if (out != nullptr) *out = nullptr;
  if (out == nullptr || size < 0 || !takeBudget(size, true)) return lastError_ = kKVMemFullErr;
  void* block = nullptr;
  if (kSlabs && size <= kSmallMax) {
    block = smallBlock(size);
  } else {
    const bool mapped = isMapped(size);
    block = mapped ? mapAligned(mappedBytes(size)) : rawBlock(size);
    if (block != nullptr && mapped) {
      adviseHugePages(block, mappedBytes(size));
      faulter_.request(block, static_cast<std::size_t>(size));
    }
    if (block != nullptr) {
      try {
        largeBlocks_.emplace(block, size);
      } catch (const std::bad_alloc&) {
        freeLargeBlock(block, size);
        block = nullptr;
      }
    }
  }
  if (block == nullptr) {
    inUse_ -= size;
    return lastError_ = kKVMemFullErr;
  }
  ++blockCount_;
  blockBytes_ += size;
  *out = block;
  return lastError_ = kKVNoErr;
}

void Memory::release(void* block) {
  lastError_ = kKVNoErr;
  if (block == nullptr) return;
  std::int32_t size = 0;
  std::size_t index = 0;
  const Chunk* chunk = kSlabs ? chunkOf(block, &index) : nullptr;
  if (chunk != nullptr && chunk->state()[index] != 0) {
    std::uint8_t& state = chunk->state()[index];
    size = chunk->sizeClass * kGranule + state - 1;
    state = 0;
    SizeClass& c = classes_[chunk->sizeClass];
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = c.freeList;
    c.freeList = freed;
  } else if (const auto it = largeBlocks_.find(block); chunk == nullptr && it != largeBlocks_.end()) {
    size = it->second;
    largeBlocks_.erase(it);
    freeLargeBlock(block, size);
  } else {
    note("InternalFree of a block that is not a live allocation");
    return;
  }
  inUse_ -= size;
  --blockCount_;
  blockBytes_ -= size;
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
