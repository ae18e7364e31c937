#include "core/Memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <unistd.h>

namespace tinhost {
namespace {

std::int32_t clampTo32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

// malloc(0) may return null; every live block must have a distinct address.
char* rawBlock(std::int32_t size) { return static_cast<char*>(std::malloc(size > 0 ? size : 1)); }

}  // namespace

std::int64_t Memory::machineBudget() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return kDefaultBudget;
  return std::max<std::int64_t>(kDefaultBudget, std::int64_t{pages} * pageSize / 2);
}

Memory::Memory(std::int64_t budget) : budget_(budget) {}

Memory::~Memory() {
  while (liveBlocks_ != nullptr) {
    BlockHeader* next = liveBlocks_->next;
    liveBlocks_->mark = 0;
    std::free(liveBlocks_);
    liveBlocks_ = next;
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
  return true;
}

KVErr Memory::allocate(std::int32_t size, void** out) {
  if (out != nullptr) *out = nullptr;
  if (out == nullptr || size < 0 || !takeBudget(size, true)) return lastError_ = kKVMemFullErr;
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + static_cast<std::size_t>(size)));
  if (header == nullptr) {
    inUse_ -= size;
    return lastError_ = kKVMemFullErr;
  }
  header->prev = nullptr;
  header->next = liveBlocks_;
  header->size = size;
  header->mark = kLiveMark;
  if (liveBlocks_ != nullptr) liveBlocks_->prev = header;
  liveBlocks_ = header;
  ++blockCount_;
  blockBytes_ += size;
  *out = header + 1;
  return lastError_ = kKVNoErr;
}

void Memory::release(void* block) {
  lastError_ = kKVNoErr;
  if (block == nullptr) return;
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  if (header->mark != kLiveMark) {
    note("InternalFree of a block that is not a live allocation");
    return;
  }
  header->mark = 0;
  if (header->prev != nullptr) header->prev->next = header->next;
  else liveBlocks_ = header->next;
  if (header->next != nullptr) header->next->prev = header->prev;
  inUse_ -= header->size;
  --blockCount_;
  blockBytes_ -= header->size;
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
