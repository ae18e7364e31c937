#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#include "tinhost/core/Host.h"
#include "tinhost/core/Memory.h"
#include "tinhost/core/PageFaulter.h"
#include "tinhost/core/UnderAsan.h"

namespace tinhost {
namespace {

TEST(MemoryBudget, AllocationsBeyondTheBudgetFailWithMemFull) {
  Memory mem(1000);
  void* a = nullptr;
  void* b = nullptr;
  EXPECT_EQ(mem.allocate(600, &a), kKVNoErr);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(mem.freeMem(), 400);
  EXPECT_EQ(mem.allocate(500, &b), kKVMemFullErr);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(mem.lastError(), kKVMemFullErr);
  EXPECT_EQ(mem.newHandle(401), nullptr);
  KVHandle h = mem.newHandle(400);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(mem.freeMem(), 0);
  mem.release(a);
  mem.disposeHandle(h);
  EXPECT_EQ(mem.freeMem(), 1000);
  EXPECT_EQ(mem.stats().pluginBlocks + mem.stats().pluginHandles, 0u);
  EXPECT_TRUE(mem.misuse().empty());
}

TEST(MemoryBudget, PurgeSpaceFollowsFreeMem) {
  Memory mem(5000);
  void* a = nullptr;
  ASSERT_EQ(mem.allocate(600, &a), kKVNoErr);
  std::int32_t total = 0, contiguous = 0;
  mem.purgeSpace(total, contiguous);
  EXPECT_EQ(total, 4400);
  EXPECT_EQ(contiguous, 4400);
  mem.release(a);
}

TEST(MemoryFaults, TheKthCountedAllocationFailsOnce) {
  Memory mem;
  mem.failAllocation(3);
  void* a = nullptr;
  ASSERT_EQ(mem.allocate(16, &a), kKVNoErr);   // 1
  KVHandle h = mem.newHandle(4);               // 2
  ASSERT_NE(h, nullptr);
  std::memcpy(*h, "abcd", 4);
  mem.setHandleSize(h, 2);                     // shrinking is not counted
  EXPECT_EQ(mem.lastError(), kKVNoErr);
  mem.setHandleSize(h, 100);                   // 3: fails, the handle is left as it was
  EXPECT_EQ(mem.lastError(), kKVMemFullErr);
  EXPECT_EQ(mem.handleSize(h), 2);
  EXPECT_EQ(std::memcmp(*h, "ab", 2), 0);
  mem.setHandleSize(h, 100);                   // 4: succeeds again
  EXPECT_EQ(mem.lastError(), kKVNoErr);
  EXPECT_EQ(mem.stats().failedAllocations, 1u);
  mem.release(a);
  mem.disposeHandle(h);
}

TEST(MemoryFaults, StickyFailureFailsEveryLaterAllocation) {
  Memory mem;
  mem.failAllocation(2, true);
  void* p = nullptr;
  EXPECT_EQ(mem.allocate(8, &p), kKVNoErr);
  void* q = nullptr;
  EXPECT_EQ(mem.allocate(8, &q), kKVMemFullErr);
  EXPECT_EQ(mem.newHandle(8), nullptr);
  mem.clearFailure();
  KVHandle h = mem.newHandle(8);
  EXPECT_NE(h, nullptr);
  mem.release(p);
  mem.disposeHandle(h);
}

// Blocks of every size, small and large, side by side: each 8-byte aligned and
// 16-byte aligned when its size is a multiple of 16, none overlapping another
// (each keeps its own fill), released in an order unlike the allocation order
// and allocated again from what was released; a second release is noted and
// changes nothing; what is left live at the end is freed with the Memory.
TEST(MemoryBlocks, BlocksOfEverySizeStayAlignedApartAndReleaseOnce) {
  Memory mem;
  std::vector<std::pair<char*, std::int32_t>> blocks;
  auto allocateAll = [&] {
    for (std::int32_t size = 0; size <= 600; size += size < 40 ? 1 : 13) {
      for (int copy = 0; copy < 3; ++copy) {
        void* p = nullptr;
        ASSERT_EQ(mem.allocate(size, &p), kKVNoErr);
        const std::uintptr_t alignment = size > 0 && size % 16 == 0 ? 16 : 8;
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % alignment, 0u) << size;
        blocks.emplace_back(static_cast<char*>(p), size);
        std::memset(p, static_cast<int>(blocks.size()), static_cast<std::size_t>(size));
      }
    }
  };
  auto checkFills = [&] {
    for (std::size_t i = 0; i < blocks.size(); ++i) {
      if (blocks[i].first == nullptr) continue;
      for (std::int32_t b = 0; b < blocks[i].second; ++b) {
        ASSERT_EQ(blocks[i].first[b], static_cast<char>(i + 1)) << "block " << i << " overwritten";
      }
    }
  };
  auto liveBytes = [&] {
    std::int64_t sum = 0;
    for (const auto& [p, size] : blocks) sum += p != nullptr ? size : 0;
    return sum;
  };
  allocateAll();
  checkFills();
  const std::size_t count = blocks.size();
  for (std::size_t i = 0; i < count; i += 2) {
    mem.release(blocks[i].first);
    blocks[i].first = nullptr;
  }
  EXPECT_EQ(mem.stats().pluginBlocks, count / 2);
  EXPECT_EQ(mem.bytesInUse(), liveBytes());
  allocateAll();
  checkFills();
  EXPECT_EQ(mem.stats().pluginBytes, liveBytes());

  void* small = blocks[1].first;
  const auto& [large, largeSize] = blocks.back();
  ASSERT_GT(largeSize, 512);  // past the largest small block
  mem.release(small);
  mem.release(large);
  const MemoryStats before = mem.stats();
  mem.release(small);
  mem.release(large);
  EXPECT_EQ(mem.misuse().size(), 2u);
  EXPECT_EQ(mem.stats().pluginBlocks, before.pluginBlocks);
  EXPECT_EQ(mem.bytesInUse(), before.pluginBytes);
}

// Resident pages of [p, p + bytes), by mincore.
std::size_t ResidentPages(void* p, std::size_t bytes) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  std::vector<unsigned char> in((bytes + page - 1) / page);
  if (mincore(p, bytes, in.data()) != 0) return 0;
  std::size_t n = 0;
  for (unsigned char c : in) n += c & 1u;
  return n;
}

TEST(PageFaulter, MapsFreshPagesWithoutChangingThemAndSurvivesFreedRanges) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t pages = 1024;
  const std::size_t bytes = pages * page;
  auto* p = static_cast<char*>(mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(p, MAP_FAILED);
  for (std::size_t k = 0; k < pages; k += 97) p[k * page + k % page] = static_cast<char>(k % 251 + 1);
  ASSERT_LT(ResidentPages(p, bytes), pages / 10);

  PageFaulter faulter;
  // A range freed before it is mapped: the request concerns it alone.
  void* gone = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(gone, MAP_FAILED);
  faulter.request(gone, bytes);
  munmap(gone, bytes);
  faulter.request(p + 1, bytes - 1);  // whole pages only: the first is left out
  faulter.drain();
  if (!faulter.working()) GTEST_SKIP() << "no second processor, or the kernel does not map pages in on request";
  EXPECT_EQ(ResidentPages(p + page, bytes - page), pages - 1);
  for (std::size_t k = 0; k < pages; ++k)
    for (std::size_t at : {std::size_t{0}, k % page, page - 1}) {
      const char want = k % 97 == 0 && at == k % page ? static_cast<char>(k % 251 + 1) : 0;
      ASSERT_EQ(p[k * page + at], want) << "page " << k << " byte " << at;
    }
  faulter.stop();
  faulter.request(p, bytes);  // dropped after the stop
  faulter.drain();
  munmap(p, bytes);
}

TEST(PageFaulter, StaysIdleWhenTheProcessMayRunOnOneProcessorOnly) {
  cpu_set_t all;
  ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
  cpu_set_t one;
  CPU_ZERO(&one);
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &all)) {
      CPU_SET(cpu, &one);
      break;
    }
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t bytes = 256 * page;
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(p, MAP_FAILED);
  {
    PageFaulter faulter;
    faulter.request(p, bytes);
    faulter.drain();
    EXPECT_FALSE(faulter.working());
  }
  EXPECT_EQ(ResidentPages(p, bytes), 0u);
  munmap(p, bytes);
  ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
}

TEST(MemoryBlocks, BlocksCarvedFromChunksBeingMappedKeepTheirContents) {
  // Enough 64-byte blocks for chunks of the size whose pages the allocator
  // has mapped on its second thread while the blocks are written.
  Memory mem(std::int64_t{1} << 30);
  std::vector<std::uint64_t*> blocks(200000);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    void* p = nullptr;
    ASSERT_EQ(mem.allocate(64, &p), kKVNoErr);
    blocks[i] = static_cast<std::uint64_t*>(p);
    for (int w = 0; w < 8; ++w) blocks[i][w] = i * 8 + static_cast<std::uint64_t>(w);
  }
  for (std::size_t i = 0; i < blocks.size(); ++i)
    for (int w = 0; w < 8; ++w) ASSERT_EQ(blocks[i][w], i * 8 + static_cast<std::uint64_t>(w)) << i;
  for (std::uint64_t* b : blocks) mem.release(b);
  EXPECT_EQ(mem.bytesInUse(), 0);
}

TEST(MemoryBlocks, BlocksOfAMebibyteOrMoreKeepTheirContentsAndLeaveOnRelease) {
  Memory mem(std::int64_t{1} << 30);
  const std::int32_t sizes[] = {1 << 20, (3 << 20) + 5, (1 << 20) - 1};
  std::vector<unsigned char*> blocks;
  for (const std::int32_t size : sizes) {
    void* p = nullptr;
    ASSERT_EQ(mem.allocate(size, &p), kKVNoErr);
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % (size % 64 == 0 ? 64 : 8), 0u) << size;
    blocks.push_back(static_cast<unsigned char*>(p));
    for (std::int32_t b = 0; b < size; ++b) blocks.back()[b] = static_cast<unsigned char>(b % 253 + size % 7);
  }
  for (std::size_t i = 0; i < blocks.size(); ++i)
    for (std::int32_t b = 0; b < sizes[i]; ++b)
      ASSERT_EQ(blocks[i][b], static_cast<unsigned char>(b % 253 + sizes[i] % 7)) << i << " " << b;
  EXPECT_EQ(mem.bytesInUse(), std::int64_t{sizes[0]} + sizes[1] + sizes[2]);
  mem.release(blocks[1]);
  EXPECT_EQ(mem.bytesInUse(), std::int64_t{sizes[0]} + sizes[2]);
  if (!TINHOST_UNDER_ASAN) {
    // A block of a mebibyte or more is a mapping of its own: released, its
    // pages go back to the system at once.
    std::vector<unsigned char> in(1);
    EXPECT_NE(mincore(blocks[1], 1, in.data()), 0);
  }
  mem.release(blocks[1]);
  EXPECT_EQ(mem.misuse().size(), 1u);
  mem.release(blocks[0]);
  mem.release(blocks[2]);
  EXPECT_EQ(mem.bytesInUse(), 0);
}

TEST(MemoryHandles, GrowthMovesTheBlockAndKeepsTheContents) {
  Memory mem;
  KVHandle h = mem.newHandle(8);
  ASSERT_NE(h, nullptr);
  std::memcpy(*h, "TINDATA!", 8);
  char* before = *h;
  mem.setHandleSize(h, 4096);
  ASSERT_EQ(mem.lastError(), kKVNoErr);
  EXPECT_NE(*h, before) << "a growing handle must move so stale pointers are caught";
  EXPECT_EQ(std::memcmp(*h, "TINDATA!", 8), 0);
  EXPECT_EQ((*h)[4095], 0);
  EXPECT_EQ(mem.handleSize(h), 4096);
  EXPECT_EQ(mem.stats().handleMoves, 1u);
  char* grown = *h;
  mem.setHandleSize(h, 16);
  EXPECT_EQ(*h, grown);
  mem.disposeHandle(h);
}

TEST(MemoryHandles, LockedHandlesDoNotGrowAndStateRoundTrips) {
  Memory mem;
  KVHandle h = mem.newHandle(8);
  EXPECT_EQ(mem.handleState(h), 0);
  mem.setHandleState(h, kHandleLocked);
  EXPECT_EQ(mem.handleState(h), kHandleLocked);
  mem.setHandleSize(h, 64);
  EXPECT_EQ(mem.lastError(), kKVMemFullErr);
  EXPECT_EQ(mem.handleSize(h), 8);
  mem.setHandleState(h, 0);
  mem.setHandleSize(h, 64);
  EXPECT_EQ(mem.lastError(), kKVNoErr);
  mem.disposeHandle(h);
}

TEST(MemoryHandles, NilAndForeignHandlesReportNilHandleError) {
  Memory mem;
  EXPECT_EQ(mem.handleSize(nullptr), 0);
  EXPECT_EQ(mem.lastError(), kKVNilHandleErr);
  char* block = nullptr;
  KVHandle foreign = &block;
  mem.setHandleSize(foreign, 10);
  EXPECT_EQ(mem.lastError(), kKVNilHandleErr);
  mem.disposeHandle(foreign);
  EXPECT_EQ(mem.misuse().size(), 1u);
  // An address inside a live block is not a block of its own: noted, and the
  // block stays live.
  void* block64 = nullptr;
  ASSERT_EQ(mem.allocate(64, &block64), kKVNoErr);
  mem.release(static_cast<char*>(block64) + 48);
  EXPECT_EQ(mem.misuse().size(), 2u);
  EXPECT_EQ(mem.stats().pluginBlocks, 1u);
  mem.release(block64);
  EXPECT_EQ(mem.stats().pluginBlocks, 0u);
}

TEST(MemoryHandles, DrawingHandlesAreBudgetedButNotPluginMemory) {
  Memory mem(1000);
  KVHandle data = mem.newHandle(300, HandleOwner::Drawing);
  KVHandle mine = mem.newHandle(100);
  const MemoryStats s = mem.stats();
  EXPECT_EQ(s.drawingHandles, 1u);
  EXPECT_EQ(s.drawingBytes, 300);
  EXPECT_EQ(s.pluginHandles, 1u);
  EXPECT_EQ(s.pluginBytes, 100);
  EXPECT_EQ(mem.freeMem(), 600);
  mem.disposeHandle(data);  // the plug-in may not dispose of the drawing's data
  EXPECT_TRUE(mem.isHandle(data));
  EXPECT_EQ(mem.misuse().size(), 1u);
  mem.disposeDrawingHandle(data);
  mem.disposeHandle(mine);
  EXPECT_EQ(mem.bytesInUse(), 0);
}

TEST(MemoryHandles, TheCallbackBlockReachesTheHostAllocator) {
  Host host;
  KVCallback cb = host.callbacks();
  host.memory().setBudget(1 << 20);
  void* p = nullptr;
  EXPECT_EQ(cb->InternalAlloc(cb, 1 << 21, &p), kKVMemFullErr);
  EXPECT_EQ(p, nullptr);
  ASSERT_EQ(cb->InternalAlloc(cb, 64, &p), kKVNoErr);
  KVHandle h = cb->NewHandle(cb, 10);
  cb->SetHandleSize(cb, h, 20);
  EXPECT_EQ(cb->MemError(cb), kKVNoErr);
  EXPECT_EQ(cb->GetHandleSize(cb, h), 20);
  EXPECT_EQ(cb->FreeMem(cb), (1 << 20) - 84);
  EXPECT_EQ(host.memory().stats().pluginBytes, 84);
  cb->DisposeHandle(cb, h);
  cb->InternalFree(cb, p);
  EXPECT_EQ(host.memory().stats().pluginBytes, 0);
}

}  // namespace
}  // namespace tinhost
