// Cut and fill of one triangle against a horizontal datum: the volume between
// its plane and the datum where the plane lies above it and where it lies
// below it.  Volumes are in world units cubed.
#pragma once

#include <cstdint>

#include "plugin/shell/Errors.h"

class TTINTriangle;

// Adds nothing: sets *above and *below for the triangle and datum d.
//
// A triangle with its lowest corner at or above d counts wholly above, one
// with its highest corner at or below d wholly below (so a corner exactly on
// the datum does not make a triangle cross it).  A crossing triangle is split
// at the datum: the part on the tip's side is cut off with the edge
// interpolation of the contours, and its volume is that part's area times the
// tip's height over the datum divided by 3 in integer arithmetic (truncated
// toward zero); the other total follows from the whole prism, so that
// above − below is the triangle's signed volume whatever the truncation.
// Always returns kNoErr.  Precondition: all three corners are set.
TErr GetCutFillToElev(const TTINTriangle* tri, std::int32_t d, double* above, double* below);
