#include "plugin/triangulate/BrklnSources.h"

TBrklnSources::~TBrklnSources() {
  for (std::int32_t i = 0; i < fSources.Size(); ++i) delete fSources.At(i);
}

TBrklnSource* TBrklnSources::Add(KVObj poly, bool closed) {
  auto* source = new TBrklnSource(poly, closed);
  if (source == nullptr) return nullptr;
  if (!fSources.Push(source)) {
    delete source;
    return nullptr;
  }
  return source;
}
