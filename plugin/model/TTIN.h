// The terrain model.  Only what the command frame needs is declared so far:
// the manager owns TINs and releases them at the end of every command.  The
// vertices, triangles, breaklines and parameters join this type with the
// model itself.
#pragma once

#include "host/PluginMemory.h"

class TLandMgr;

class TTIN final : public TPluginObject {
 public:
  explicit TTIN(TLandMgr* mgr) : fLandMgr(mgr) {}
  ~TTIN() = default;

  TLandMgr* fLandMgr;
};
