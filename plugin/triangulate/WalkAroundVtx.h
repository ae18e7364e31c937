// The triangles around a vertex F, starting at F's own triangle T0.  The walk
// first crosses the edges that end at F (direction +1).  At the boundary it
// turns back to the triangle beyond T0's edge that starts at F and crosses
// the edges that start at F (direction -1).  It ends on coming back to T0, or
// at a boundary in direction -1; a T0 that lies on the boundary on that side
// has no other side, and the walk ends when it turns.
#pragma once

#include <cstdint>

#include "plugin/model/TTINTriangle.h"
#include "plugin/triangulate/ULandUtils.h"

class TWalkAroundVtx {
 public:
  // `fIndex`: F's corner index in t0.
  TWalkAroundVtx(TTINTriangle* t0, std::int16_t fIndex)
      : fT0(t0), fBack0(t0->fNeighbors[fIndex]), fCur(t0) {}

  bool Ended() const { return fEnded; }
  TTINTriangle* Current() const { return fCur; }

  // To the next triangle; `fIndex` is F's corner index in the current one.
  void Advance(std::int16_t fIndex) {
    TTINTriangle* next =
        fDir > 0 ? fCur->fNeighbors[NextIndex(fIndex, -1)] : fCur->fNeighbors[fIndex];
    if (next == nullptr && fDir > 0) {
      fDir = -1;
      next = fBack0;
    }
    if (next == fT0 || next == nullptr) fEnded = true;
    fCur = next;
  }

 private:
  TTINTriangle* fT0;
  TTINTriangle* fBack0;
  TTINTriangle* fCur;
  int fDir = 1;
  bool fEnded = false;
};
