// The drawing operations of TTIN: hull outline, report texts and triangle
// polygons.  Every host object made here gets one of the plug-in's classes;
// objects put directly on a layer are registered for undo one by one, the
// polygons inside a group through their group.
#include "plugin/output/TINGraphics.h"

#include "plugin/host/KVESDK.h"
#include "plugin/model/ListReadAhead.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/model/TTINVtx.h"
#include "plugin/output/BusyCursor.h"
#include "plugin/output/Classes.h"
#include "plugin/output/Layers.h"
#include "plugin/output/MemLevel.h"
#include "plugin/shell/Trace.h"

namespace {

// Layers are looked up by the exact names of the parameters.
const unsigned char kNoSuffix[1] = {0};

bool ListIsEmpty(const TLinkedList* list) { return list == nullptr || list->fFirst == nullptr; }

// Adds the hull vertices to a 2D polygon in hull order and closes it.
void AddHullVertices(KVCallback cb, const TLinkedList* hull, KVObj poly) {
  for (const TLinkNode* node = hull->fFirst; node != nullptr; node = node->next) {
    const auto* vtx = static_cast<const TTINVtx*>(node->item);
    if (vtx == nullptr) {
      Trace(kTraceGraphics, "        NULL vertex in the hull list\n");
      continue;
    }
    KVPoint2D pt;
    vtx->GetXY(&pt);
    KV_AddVertex(cb, poly, pt, kKVVertexCorner, 0);
  }
  KV_SetPolyShapeClose(cb, poly, 1);
}

// A closed polygon through the three corners of `tri`, in corner order; 0
// when the host refuses it.
KVObj MakeTrianglePoly(KVCallback cb, const TTINTriangle* tri, bool want3D) {
  const KVObj poly = want3D ? KV_Create3DPoly(cb) : KV_CreatePolyshape(cb);
  if (poly == 0) return 0;
  for (const TTINVtx* vtx : tri->fVertices) {
    if (vtx == nullptr) continue;
    if (want3D) {
      KV_Add3DVertex(cb, poly, KVPoint3D{vtx->x, vtx->y, vtx->z});
    } else {
      KVPoint2D pt;
      vtx->GetXY(&pt);
      KV_AddVertex(cb, poly, pt, kKVVertexCorner, 0);
    }
  }
  KV_SetPolyShapeClose(cb, poly, 1);
  return poly;
}

// One pass of MakeGroupAndPolysForTriangles: the layer named `layerName`
// (made when missing), a group on it when grouping is on, the polygons into
// whichever is the container.  The layer is current while the polygons are
// made; `remembered` is made current again afterwards.
TErr DrawTrianglePass(TTIN* tin, KVCallback cb, const unsigned char* layerName, bool want3D,
                      KVObj remembered) {
  const KVObj layer = GetOrCreateLayerByName(cb, layerName, kNoSuffix, KV_GetCurrentLayer(cb));
  KVObj container = layer;
  if (tin->fTINParams.makeGroups) {
    const KVObj group = KV_CreateGroup(cb);
    if (group == 0) {
      Trace(kTraceGraphics, want3D ? "CreateGroup returned nil for tri3D in TTIN::MakeOnePolyForEachTriangle\n"
                                   : "CreateGroup returned nil for tri2D in TTIN::MakeOnePolyForEachTriangle\n");
    } else {
      KV_SetObjectClass(cb, group, ClassID(kClassGroup));
      KV_AddObjectToContainer(cb, group, layer);
      KV_AddAfterSwapObject(cb, group);
      container = group;
    }
  }
  KV_SetCurrentLayer(cb, layer);
  const TErr err = tin->MakeOnePolyForEachTriangle(container, want3D);
  KV_SetCurrentLayer(cb, remembered);
  return err;
}

}  // namespace

KVObj TTIN::MakePlainPolyOfHull() {
  const KVCallback cb = gKVCallback;
  if (ListIsEmpty(fConvexHullVtxList)) {
    Trace(kTraceGraphics, "        Empty hull list in MakePlainPolyOfHull\n");
    return 0;
  }
  const KVObj poly = KV_CreatePolyshape(cb);
  if (poly == 0) {
    Trace(kTraceGraphics, "        Couldn't create aPoly in MakePlainPolyOfHull\n");
    return 0;
  }
  AddHullVertices(cb, fConvexHullVtxList, poly);
  return poly;
}

void TTIN::MakeOnePolyConvexHull() {
  const KVCallback cb = gKVCallback;
  const KVObj remembered = KV_GetCurrentLayer(cb);
  const KVObj layer = GetOrCreateLayerByName(cb, fTINParams.layer2DName, kNoSuffix, remembered);
  KV_SetCurrentLayer(cb, layer);

  if (!ListIsEmpty(fConvexHullVtxList)) {
    const KVObj poly = KV_CreatePolyshape(cb);
    if (poly == 0) {
      Trace(kTraceGraphics, "        Couldn't create aPoly in MakeOnePolyConvexHull\n");
    } else {
      KV_SetFillPat(cb, poly, kHullFillPattern);
      KVColor color;
      KV_GetColor(cb, poly, &color);
      color.b[kHullColorByte] = kHullColorValue;
      KV_SetColor(cb, poly, color);
      AddHullVertices(cb, fConvexHullVtxList, poly);
      KV_SetObjectClass(cb, poly, ClassID(kClassHull));
      KV_AddObjectToContainer(cb, poly, layer);
      KV_AddAfterSwapObject(cb, poly);
    }
  }
  KV_SetCurrentLayer(cb, remembered);
}

// Without a hull there are no bounds to centre on: the anchor is then the
// world origin (0, 0), the centre of the all-zero bounds a missing object
// has, and the host is not asked for the bounds of an object that does not
// exist.
void TTIN::CreateTextObject(const unsigned char* text) {
  const KVCallback cb = gKVCallback;
  KVRect hullBounds{0, 0, 0, 0};
  const KVObj hull = MakePlainPolyOfHull();
  if (hull != 0) {
    KV_GetObjectBounds(cb, hull, &hullBounds);
    KV_DeleteObject(cb, hull);
  }
  KVPoint2D anchor;
  anchor.y = (hullBounds.top + hullBounds.bottom) >> 1;
  anchor.x = (hullBounds.left + hullBounds.right) >> 1;

  const KVObj block = KV_CreateTextBlock(cb, text, anchor, kReportTextStyle, kReportTextSize);
  if (block == 0) {
    Trace(kTraceGraphics, "        Couldn't create text block in CreateTextObject\n");
    return;
  }
  KVRect blockBounds{0, 0, 0, 0};
  KV_GetObjectBounds(cb, block, &blockBounds);
  KV_MoveObject(cb, block, -((blockBounds.right - blockBounds.left) / 2),
                -((blockBounds.bottom - blockBounds.top) / 2));

  const KVObj layer =
      GetOrCreateLayerByName(cb, fTINParams.layer2DName, kNoSuffix, KV_GetCurrentLayer(cb));
  KV_SetObjectClass(cb, block, ClassID(kClassResultText));
  KV_AddObjectToContainer(cb, block, layer);
  KV_AddAfterSwapObject(cb, block);
}

TErr TTIN::MakeOnePolyForEachTriangle(KVObj container, bool want3D) {
  const KVCallback cb = gKVCallback;
  if (container == 0) return kNoErr;
  const std::int16_t containerType = KV_GetObjectType(cb, container);
  const bool onLayer = containerType == kKVTypeLayer;
  const bool inGroup = containerType == kKVTypeGroup;
  const std::int16_t cls = ClassID(want3D ? kClass3DTriangle : kClass2DTriangle);

  if (fTINTriangleList != nullptr) {
    TTriangleReadAhead ahead(fTINTriangleList->fFirst);
    for (const TLinkNode* node = fTINTriangleList->fFirst; node != nullptr; node = node->next) {
      ahead.Step();
      const auto* tri = static_cast<const TTINTriangle*>(node->item);
      if (tri == nullptr) {
        Trace(kTraceGraphics, "NULL triangle in MakeOnePolyForEachTriangle\n");
        continue;
      }
      if (!MemLevelOK(cb)) return kErrTriMemLowBefore;
      const KVObj poly = MakeTrianglePoly(cb, tri, want3D);
      if (poly == 0) {
        Trace(kTraceGraphics, "Couldn't create aPoly in MakeOnePolyForEachTriangle\n");
        continue;
      }
      KV_SetObjectClass(cb, poly, cls);
      KV_AddObjectToContainer(cb, poly, container);
      if (onLayer) KV_AddAfterSwapObject(cb, poly);
      if (!MemLevelOK(cb)) {
        Trace(kTraceGraphics, "  In MakeOnePolyForEachTriangle MemLevelOK returned FALSE\n");
        return kErrTriMemLowAfter;
      }
      SpinBusyCursor(cb);
    }
  }
  if (inGroup) KV_ResetObject(cb, container);
  return kNoErr;
}

TErr TTIN::MakeGroupAndPolysForTriangles() {
  const KVCallback cb = gKVCallback;
  const KVObj remembered = KV_GetCurrentLayer(cb);
  if (ListIsEmpty(fTINTriangleList)) {
    Trace(kTraceGraphics, "No triangles in TTIN::MakeGroupAndPolysForTriangles\n");
    return kNoErr;
  }
  TErr err = kNoErr;
  if (fTINParams.want2DTris) err = DrawTrianglePass(this, cb, fTINParams.layer2DName, false, remembered);
  if (fTINParams.want3DTris) err = DrawTrianglePass(this, cb, fTINParams.layer3DName, true, remembered);
  return err;
}
