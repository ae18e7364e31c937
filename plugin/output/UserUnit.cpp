#include "plugin/output/UserUnit.h"

#include "plugin/host/KVESDK.h"

std::int32_t GetUnitsValue(KVCallback cb) {
  KVUnits units{};
  KV_GetUnits(cb, &units);
  return units.worldPerUnit;
}
