// The command flows behind the menu items.  A command whose building blocks
// are not in this version reports kErrNotBuilt (an alert saying so) rather
// than pretending to work.  Commands that need an existing TIN first report a
// drawing without TINs as such.
#include "model/TTIN.h"
#include "shell/LandMgr.h"

TErr TLandMgr::CreateTIN() { return kErrNotBuilt; }

TErr TLandMgr::ChangeTIN() { return GetNumOfTINs() == 0 ? kErrNoTIN : kErrNotBuilt; }

TErr TLandMgr::CalcArea(std::int32_t*) { return GetNumOfTINs() == 0 ? kErrNoTIN : kErrNotBuilt; }

TErr TLandMgr::CalcCutFillDatum(std::int32_t*) {
  return GetNumOfTINs() == 0 ? kErrNoTIN : kErrNotBuilt;
}

TErr TLandMgr::CreateDiffTIN() { return kErrNotBuilt; }

TErr TLandMgr::DeleteTIN(TTIN*) { return GetNumOfTINs() == 0 ? kErrNoTIN : kErrNotBuilt; }
