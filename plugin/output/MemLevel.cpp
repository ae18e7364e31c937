#include "plugin/output/MemLevel.h"

#include "plugin/host/KVEmul.h"

bool MemLevelOK(KVCallback cb) {
  if (KVE_FreeMem(cb) > kMinFreeMemory) return true;
  std::int32_t total = 0;
  std::int32_t contiguous = 0;
  KVE_PurgeSpace(cb, &total, &contiguous);
  return total > kMinFreeMemory;
}
