// TTINVtxTriMgr: the builder object every TIN owns.  It carries the vertex
// collection, hull and vertex-to-triangle operations of the build.
#pragma once

#include "plugin/host/PluginMemory.h"

class TTIN;
class TBrklnSources;

class TTINVtxTriMgr final : public TPluginObject {
 public:
  explicit TTINVtxTriMgr(TTIN* tin) : fTIN(tin) {}
  ~TTINVtxTriMgr();
  TTINVtxTriMgr(const TTINVtxTriMgr&) = delete;
  TTINVtxTriMgr& operator=(const TTINVtxTriMgr&) = delete;

  // Sets fContoursAnyDone of every triangle, in list order; a null or empty
  // triangle list leaves nothing to do.
  void SetAllTriContDoneFlag(bool done);

  // Replaces the record of where the breaklines came from (null: none).
  void SetBrklnSources(TBrklnSources* sources);

  TTIN* fTIN;
  // From the vertex collection to the end of the build while breaklines are
  // wanted; null otherwise.
  TBrklnSources* fBrklnSources = nullptr;
};
