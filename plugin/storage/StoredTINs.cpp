// The plug-in's data object: all TINs of the drawing.  The byte format of the
// TIN records is not in this version yet: a drawing that already holds TIN
// data is refused (kErrNotBuilt) rather than read wrongly or overwritten, and
// no TIN can be written.
#include "shell/LandMgr.h"

TErr TLandMgr::AttachDataToDrawing(KVHandle, std::int32_t*) {
  return GetNumOfTINs() == 0 ? kNoErr : kErrNotBuilt;
}

TErr TLandMgr::ReadAllData(KVHandle) { return kErrNotBuilt; }
