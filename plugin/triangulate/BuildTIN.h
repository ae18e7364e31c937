// The build of a TIN from its layer: vertex collection, hull, triangulation
// from scratch (fan, Delaunay pass, links, insertion of the interior
// vertices), vertex-to-highest-triangle links, then the later stages.
//
// Each step runs only if every earlier one returned 0; the first nonzero code
// is the result.  What was built stays in the TIN and is freed with it.
//
// After the links: breakline enforcement (when useBrklns is set and
// breaklines were collected), flat-triangle removal, the links again, and for
// the full build the contour map (fContourMap).  *skipped (a TBuildStep mask)
// names the stages a build passed over; every stage is part of this build,
// so it is always 0.
#pragma once

#include <cstdint>

#include "plugin/shell/Errors.h"

class TTIN;

enum TBuildStep : std::uint8_t {
  kStepBreaklines = 1,     // ApplyBreaklines
  kStepFlatTriangles = 2,  // FillConcavities
  kStepContourMap = 4,     // TTINContourMap::MakeSomethingOfMyself
};

// Full build for a TIN being created or changed (contour map included).
TErr MakeSomethingOfMyself(TTIN* tin, std::uint8_t* skipped = nullptr);
// Frees the geometry and builds it again, without a contour map.
TErr RebuildSurface(TTIN* tin, std::uint8_t* skipped = nullptr);

// fVtxArrayByX (seeded with the hull) exists only during this call; when it
// cannot be made the build goes on without it.  Then TriangulateConvexHull,
// DelauneyizeFirstTrianglesOfHull, AssignAllTrisToAllVtxs and
// AddInteriorVerticesAndTriangulate, each only after success of the previous.
TErr TriangulateFromScratch(TTIN* tin);
