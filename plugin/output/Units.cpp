#include "output/Units.h"

#include "host/KVESDK.h"

std::int32_t GetUnitsValue(KVCallback cb) {
  KVUnits units{};
  KV_GetUnits(cb, &units);
  return units.worldPerUnit;
}
