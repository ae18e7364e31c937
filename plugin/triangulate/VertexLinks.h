// The two passes that link every vertex to a triangle: one gives each vertex
// some triangle to start point location from; the other gives it the triangle
// towards its highest connected vertex, where contour tracing starts.
#pragma once

#include "plugin/shell/Errors.h"

class TTINVtxTriMgr;

// Every corner of every triangle, in list order, is linked to that triangle
// with mark 1: each vertex ends up on the last triangle that has it.
// 0 or kErrAssignNoTriangles.
TErr AssignAllTrisToAllVtxs(TTINVtxTriMgr* mgr);

// Every vertex ends up linked to the incident triangle whose higher partner of
// the vertex is highest (ties keep the earlier link), its mark the step (+1 or
// −1 in corner order) from the vertex to that partner.  0 or
// kErrHighNoTriangles.
TErr AssignHighTrianglesToVertices(TTINVtxTriMgr* mgr);
