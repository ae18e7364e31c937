// The free-memory test that commands make before they start and long loops
// make before each further allocation.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"

// The least free memory that lets work go on, in bytes (strictly more is needed).
constexpr std::int32_t kMinFreeMemory = 0x20000;

// True when the host reports more than 131,072 free bytes, or, failing that,
// when purging would free more than that in total.  Never purges itself.
bool MemLevelOK(KVCallback cb);
