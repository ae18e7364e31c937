#include "plugin/output/Classes.h"

#include "plugin/host/KVESDK.h"
#include "plugin/host/KVEmul.h"

TClassEntry gClassTable[kNumClasses + 1] = {};

void RegisterClasses(KVCallback cb) {
  for (int i = 1; i <= kNumClasses; ++i) {
    Str255 name;
    name[0] = 0;
    KVE_GetIndString(cb, name, kClassNamesList, static_cast<std::int16_t>(i));
    PCopy(gClassTable[i].name, name, kNameCapacity);
    gClassTable[i].id = KV_AddClass(cb, gClassTable[i].name);
  }
}

std::int16_t ClassID(int classNum) {
  return classNum >= 1 && classNum <= kNumClasses ? gClassTable[classNum].id : 0;
}

// An entry not registered yet (id 0) matches nothing: objects without a class
// must never be taken for ours.
bool IsOneOfOurClasses(std::int16_t classID) {
  if (classID == 0) return false;
  for (int i = 1; i <= kNumClasses; ++i)
    if (gClassTable[i].id == classID) return true;
  return false;
}
