// Error codes of the surface analysis: the area report and the collection of
// a difference TIN's vertices from its two base TINs.
#pragma once

#include "plugin/shell/Errors.h"

// Not enough free memory to show the area report; nothing is shown or placed.
constexpr TErr kErrMemLowAreaReport = 0x10014;
// A null entry in the vertex list of the first (enclosed) base.
constexpr TErr kErrDiffNullInnerVtx = 0x90004;
// A null entry in the vertex list of the second (enclosing) base.
constexpr TErr kErrDiffNullOuterVtx = 0x90005;
// Fewer than 3 vertices in the difference TIN: the bases share too little area.
constexpr TErr kErrDiffTooFewVertices = 0x90021;
// A base is missing or holds no vertex list.  The parameters dialog refuses
// bases without geometry, so only a damaged registry reaches this.
constexpr TErr kErrDiffBaseNoGeometry = 0x90043;
