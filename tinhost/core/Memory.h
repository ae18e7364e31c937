// The host allocator that backs every allocation of the plug-in: plain blocks
// (InternalAlloc / InternalFree) and relocatable handles, all under one byte
// budget, so the plug-in's low-memory paths can be driven for real.
//
// Invariants:
//   * bytesInUse() is the sum of the sizes of all live blocks and handles,
//     and never exceeds budget() through an allocation of this class;
//   * a handle's master pointer stays at the same address for the handle's
//     life, while the block it points to moves on every growth (so plug-in
//     code that keeps *h across a resize is caught), except that a locked
//     handle never moves and cannot grow;
//   * handles owned by the drawing (data objects) are counted in the budget
//     but not in the plug-in's statistics, and the plug-in cannot dispose of
//     them through DisposeHandle.
//
// lastError() is the toolbox's MemError: the result of the last memory
// operation, 0, -108 (memory full) or -109 (nil or unknown handle).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "plugin/host/KVABI.h"
#include "tinhost/core/PageFaulter.h"

namespace tinhost {

enum class HandleOwner { Plugin, Drawing };

// Handle state bits as HGetState reports them.
inline constexpr std::int8_t kHandleLocked = static_cast<std::int8_t>(0x80);
inline constexpr std::int8_t kHandlePurgeable = 0x40;

struct MemoryStats {
  std::size_t pluginBlocks = 0;     // live InternalAlloc blocks
  std::size_t pluginHandles = 0;    // live handles of the plug-in
  std::int64_t pluginBytes = 0;     // bytes of both
  std::size_t drawingHandles = 0;   // live data-object handles
  std::int64_t drawingBytes = 0;
  std::uint64_t countedAllocations = 0;  // attempts counted for fault injection
  std::uint64_t failedAllocations = 0;
  std::uint64_t handleMoves = 0;
};

class Memory {
 public:
  static constexpr std::int64_t kDefaultBudget = std::int64_t{1} << 30;
  // The budget of a working session: half the machine's physical memory, and
  // never less than kDefaultBudget, so that a million-point model fits where
  // the machine can hold it.
  static std::int64_t machineBudget();
  // Makes the process keep the memory it frees for its next requests:
  // requests to the C heap of up to 256 MiB (handles, plain blocks under
  // 1 MiB) are served from the heap rather than from mappings of their own,
  // and the heap's top goes back to the system only past 1 GiB.  Reused,
  // freed pages cost no page fault (a fault on fresh memory costs about two
  // microseconds on a virtual machine).  A process-wide setting, so the
  // application's main asks for it, not each host (the Python module leaves
  // its interpreter's allocator alone).
  static void keepFreedMemoryForReuse();

  explicit Memory(std::int64_t budget = kDefaultBudget);
  ~Memory();
  Memory(const Memory&) = delete;
  Memory& operator=(const Memory&) = delete;

  // ---- budget and level queries ----
  void setBudget(std::int64_t bytes) { budget_ = bytes; }
  std::int64_t budget() const { return budget_; }
  std::int64_t bytesInUse() const { return inUse_; }
  // The most bytes in use at once so far (blocks and handles as requested,
  // without the allocator's own overhead).
  std::int64_t peakBytesInUse() const { return peakInUse_; }
  // FreeMem: budget minus bytes in use, clamped to the 32-bit range, unless overridden.
  std::int32_t freeMem() const;
  // Nothing is purgeable, so both figures equal freeMem() unless overridden.
  void purgeSpace(std::int32_t& total, std::int32_t& contiguous) const;
  void overrideFreeMem(std::optional<std::int32_t> value) { freeOverride_ = value; }
  void overridePurgeSpace(std::optional<std::int32_t> total, std::optional<std::int32_t> contiguous) {
    purgeTotalOverride_ = total;
    purgeContigOverride_ = contiguous;
  }

  // ---- fault injection ----
  // Makes the k-th counted allocation from now fail (k = 1: the next one); with
  // `sticky`, that one and every later one fail.  Counted are allocate(),
  // newHandle() of the plug-in and every growing setHandleSize().
  void failAllocation(std::uint64_t k, bool sticky = false);
  void clearFailure() { failAt_.reset(); }

  // ---- plain blocks ----
  KVErr allocate(std::int32_t size, void** out);
  void release(void* block);

  // ---- relocatable handles ----
  KVHandle newHandle(std::int32_t size, HandleOwner owner = HandleOwner::Plugin);
  void disposeHandle(KVHandle h);          // the plug-in's DisposeHandle
  void disposeDrawingHandle(KVHandle h);   // the drawing removing a data object
  std::int32_t handleSize(KVHandle h);
  void setHandleSize(KVHandle h, std::int32_t size);
  std::int8_t handleState(KVHandle h);
  void setHandleState(KVHandle h, std::int8_t state);
  KVErr lastError() const { return lastError_; }

  bool isHandle(KVHandle h) const { return handles_.contains(h); }
  std::optional<HandleOwner> ownerOf(KVHandle h) const;
  // The current contents of a live handle (empty span for an unknown one).
  std::span<const std::uint8_t> contents(KVHandle h) const;

  MemoryStats stats() const;
  // Misuse seen so far (freeing unknown blocks, double disposal, ...), in words.
  const std::vector<std::string>& misuse() const { return misuse_; }

 private:
  struct HandleRecord {
    char** master = nullptr;  // stable address handed out as the KVHandle
    std::int32_t size = 0;
    std::int8_t state = 0;
    HandleOwner owner = HandleOwner::Plugin;
  };

  bool takeBudget(std::int64_t bytes, bool counted);
  HandleRecord* find(KVHandle h);
  void note(std::string what) { misuse_.push_back(std::move(what)); }

  std::int64_t budget_;
  std::int64_t inUse_ = 0;
  std::int64_t peakInUse_ = 0;
  std::optional<std::int32_t> freeOverride_, purgeTotalOverride_, purgeContigOverride_;
  std::optional<std::uint64_t> failAt_;
  bool failSticky_ = false;
  std::uint64_t counted_ = 0;
  std::uint64_t failed_ = 0;
  std::uint64_t moves_ = 0;
  KVErr lastError_ = kKVNoErr;
  // Plain blocks carry no header.  Small blocks (payloads up to kSmallMax
  // bytes) are carved from chunks, one size class per 8 bytes of payload; each
  // chunk keeps one byte per block after its blocks: 0 while the block is not
  // live, else how far its requested size lies into its class, so that a
  // release learns the exact size (the budget counts requested bytes) and
  // tells a live block from anything else without reading the address it is
  // given.  A released block goes on its class's free list, threaded through
  // its first bytes.  Larger blocks are malloc'ed one by one (from 1 MiB on,
  // mapped one by one) and kept in a table by address.  Chunks of 2 MiB are
  // carved from arenas mapped on huge-page boundaries.  Allocating and
  // releasing take constant time apart from finding a small block's chunk
  // among the chunks sorted by address, and
  // destruction frees the chunks and the large blocks, whatever the plug-in
  // left live.  Under AddressSanitizer every block takes the large path, so
  // that the sanitizer sees each block's bounds.
  //
  // A block is 8-byte aligned, 16-byte aligned when its size is a multiple
  // of 16, and 64-byte aligned when a multiple of 64 (chunks start on a
  // 64-byte line and a class's stride is its size): enough for every type
  // the plug-in keeps in them, and a 64-byte record sits in one cache line.
  static constexpr std::int32_t kGranule = 8;
  // 512: a contour polyline's first block of points (400 bytes) is small,
  // and a contour map makes millions of them.
  static constexpr std::int32_t kSmallMax = 512;
  static constexpr int kSizeClasses = kSmallMax / kGranule;
  // Class c holds payloads of up to (c + 1) * kGranule bytes (class 0 also
  // the empty ones); a block of it takes stride(c) bytes of its chunk.
  static constexpr int sizeClassOf(std::int32_t size) { return size > 0 ? (size - 1) / kGranule : 0; }
  static constexpr std::size_t stride(int sizeClass) {
    return static_cast<std::size_t>(sizeClass + 1) * kGranule;
  }
  struct FreeBlock {
    FreeBlock* next;
  };
  struct SizeClass {
    FreeBlock* freeList = nullptr;
    char* next = nullptr;  // unused tail of the class's newest chunk
    char* end = nullptr;
    std::uint8_t* nextState = nullptr;  // the state byte of the block at `next`
    int chunks = 0;
  };
  struct Chunk {
    char* base;              // the blocks, then one state byte per block
    std::size_t blocks;
    int sizeClass;
    bool inArena;            // carved from an arena (else its own heap block)
    std::uint8_t* state() const { return reinterpret_cast<std::uint8_t*>(base + blocks * stride(sizeClass)); }
  };
  // The chunk holding block p with its index there, or null when p is not the
  // start of a block carved from a chunk.
  const Chunk* chunkOf(const void* p, std::size_t* index) const;
  // A small block with its state byte set for `size`.
  void* smallBlock(std::int32_t size);
  // A huge page's worth of memory for a chunk, from the newest arena or a
  // new one; null when no arena can be mapped (the chunk then comes from
  // the heap).  Arenas are unmapped only by the destructor.
  char* arenaChunk();

  SizeClass classes_[kSizeClasses];
  std::vector<Chunk> chunks_;  // sorted by base
  std::vector<char*> arenas_;
  char* arenaNext_ = nullptr;  // the newest arena's uncarved part
  char* arenaEnd_ = nullptr;
  std::unordered_map<void*, std::int32_t> largeBlocks_;  // address -> requested size
  std::size_t blockCount_ = 0;
  std::int64_t blockBytes_ = 0;
  std::unordered_map<KVHandle, HandleRecord> handles_;
  std::vector<std::string> misuse_;
  // Maps the pages of large chunks and blocks in ahead of their first use.
  PageFaulter faulter_;
};

}  // namespace tinhost
