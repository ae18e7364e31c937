// One user unit of the current drawing, in world units.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"

// The first field of the drawing's units record.
std::int32_t GetUnitsValue(KVCallback cb);
