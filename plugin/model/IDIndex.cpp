#include "plugin/model/IDIndex.h"

std::int32_t TIDIndex::Create(std::int32_t capacity) {
  Dispose();
  if (capacity < 0) return kErrIDIndexBlock;
  const std::size_t bytes = sizeof(Entry) * static_cast<std::size_t>(capacity > 0 ? capacity : 1);
  fEntries = static_cast<Entry*>(PluginAlloc(bytes));
  if (fEntries == nullptr) return kErrIDIndexBlock;
  fCapacity = capacity;
  fCount = 0;
  return 0;
}

bool TIDIndex::Add(std::int32_t number, void* object) {
  if (fEntries == nullptr || fCount >= fCapacity) return false;
  fEntries[fCount++] = Entry{number, object};
  return true;
}

void TIDIndex::Sort() {
  for (std::int32_t gap = fCount / 2; gap > 0; gap /= 2) {
    for (std::int32_t i = gap; i < fCount; ++i) {
      const Entry e = fEntries[i];
      std::int32_t j = i;
      for (; j >= gap && fEntries[j - gap].number > e.number; j -= gap)
        fEntries[j] = fEntries[j - gap];
      fEntries[j] = e;
    }
  }
}

void* TIDIndex::LookUp(std::int32_t number) const {
  std::int32_t lo = 0;
  std::int32_t hi = fCount - 1;
  while (lo <= hi) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    if (fEntries[mid].number == number) return fEntries[mid].object;
    if (fEntries[mid].number < number) lo = mid + 1;
    else hi = mid - 1;
  }
  return nullptr;
}

void TIDIndex::Dispose() {
  PluginFree(fEntries);
  fEntries = nullptr;
  fCapacity = fCount = 0;
}
