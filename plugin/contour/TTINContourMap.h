// TTINContourMap: the contour generator a TIN owns while it is created or
// changed.  The TIN only holds and deletes it; the tracing state and
// operations join this type with contour tracing.
#pragma once

#include "host/PluginMemory.h"

class TTINContourMap final : public TPluginObject {
 public:
  TTINContourMap() = default;
  ~TTINContourMap() = default;
  TTINContourMap(const TTINContourMap&) = delete;
  TTINContourMap& operator=(const TTINContourMap&) = delete;
};
