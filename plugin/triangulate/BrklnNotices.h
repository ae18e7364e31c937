// After a build: what the TIN does not hold of its breaklines, told to the
// host.  Two kinds of notice (KVABI.h):
//   - a segment of a breakline that is not a chain of TIN edges, found by
//     the segment check after enforcement and the flat-triangle step;
//   - a corner of a 3D polygon that the collection left out of the
//     polygon's breakline because its XY was already a vertex, with the
//     number of the polygon's drawn segments that are therefore not chains
//     of TIN edges.  A run of consecutive corners at one XY counts as one
//     corner (the first of the run), and it is left out only when none of
//     them went into the breakline: a repeated point changes nothing drawn.
// The report is made after every build, empty or not, so that it replaces
// whatever an earlier build of the same TIN reported.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/WorkList.h"

class TTIN;

using TBuildNotices = TWorkList<KVBuildNotice, 16>;

// The notices of the TIN's last build, in breakline order, then polygon
// order.  Needs the builder's record of the breaklines' sources (none
// without it) and the vertex links of the finished build.
void CollectBreaklineNotices(const TTIN* tin, TBuildNotices* out);

// Collects them and reports them to the host under the TIN's name.
void ReportBreaklineNotices(const TTIN* tin);
