// The callback block: one small function per entry, each a thin translation
// between the C boundary (ids, length-prefixed texts, out-parameters) and the
// host's classes.  Every entry catches everything; a fault becomes the entry's
// failure value and a line in Host::diagnostics().
#include <cstring>
#include <exception>

#include "tinhost/core/BlockGuard.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/core/PStringConversion.h"
#include "tinhost/core/X80.h"

namespace tinhost {
namespace {

const DrawingObject& expectType(const Document& doc, ObjId id, std::int16_t t1, std::int16_t t2 = -1) {
  const DrawingObject& obj = doc.get(id);
  if (obj.type != t1 && obj.type != t2)
    throw HostError("object " + std::to_string(id) + " has type " + std::to_string(obj.type));
  return obj;
}

void checkHeader(const Host& h, KVObj owner) {
  if (owner != h.document().header())
    throw HostError("object " + std::to_string(owner) + " is not the drawing header");
}

// The drawing header and the data objects plug-ins keep under it.
void fillHeaderEntries(KVHostBlock& b) {
  b.GetDrawingHeader = [](KVCallback cb) {
    return guarded(cb, "GetDrawingHeader", KVObj{0}, [](Host& h) { return h.document().header(); });
  };
  b.FindDataObject = [](KVCallback cb, KVObj owner, std::uint32_t tag) {
    return guarded(cb, "FindDataObject", KVHandle{}, [&](Host& h) {
      checkHeader(h, owner);
      return h.findDataObject(tag);
    });
  };
  b.NewDataObject = [](KVCallback cb, KVObj owner, std::uint32_t tag, std::int32_t size) {
    return guarded(cb, "NewDataObject", KVHandle{}, [&](Host& h) {
      checkHeader(h, owner);
      return h.newDataObject(tag, size);
    });
  };
  b.DeleteAuxObject = [](KVCallback cb, KVHandle obj, KVObj owner) {
    guardedVoid(cb, "DeleteAuxObject", [&](Host& h) {
      checkHeader(h, owner);
      h.deleteDataObject(obj);
    });
  };
}

// Walking the drawing: every object or the selection, the layers, a
// container's members and an object's neighbours.
void fillWalkEntries(KVHostBlock& b) {
  b.NumSelectedObjects = [](KVCallback cb) {
    return guarded(cb, "NumSelectedObjects", std::int32_t{0},
                   [](Host& h) { return static_cast<std::int32_t>(h.document().selection().size()); });
  };
  b.ForEachObject = [](KVCallback cb, std::int16_t flags, KVObjectProc proc, void* user) {
    guardedVoid(cb, "ForEachObject", [&](Host& h) {
      if (proc == nullptr) return;
      // A snapshot of the ids: objects deleted by the callback are skipped.
      const auto ids = h.document().walk((flags & 32) != 0 ? WalkScope::Selection : WalkScope::All);
      for (ObjId id : ids)
        if (h.document().exists(id)) proc(id, cb, user);
    });
  };
  b.ForEachLayer = [](KVCallback cb, KVObjectProc proc, void* user) {
    guardedVoid(cb, "ForEachLayer", [&](Host& h) {
      if (proc == nullptr) return;
      const std::vector<ObjId> layers(h.document().layers().begin(), h.document().layers().end());
      for (ObjId id : layers)
        if (h.document().exists(id)) proc(id, cb, user);
    });
  };
  b.FirstMemberObj = [](KVCallback cb, KVObj container) {
    return guarded(cb, "FirstMemberObj", KVObj{0}, [&](Host& h) { return h.document().firstMember(container); });
  };
  b.NextObject = [](KVCallback cb, KVObj obj) {
    return guarded(cb, "NextObject", KVObj{0}, [&](Host& h) { return h.document().nextSibling(obj); });
  };
  b.ParentObject = [](KVCallback cb, KVObj obj) {
    return guarded(cb, "ParentObject", KVObj{0}, [&](Host& h) { return h.document().get(obj).parent; });
  };
}

// Reading one object: its type, name, bounds, class, position and vertices.
void fillReadingEntries(KVHostBlock& b) {
  b.GetObjectType = [](KVCallback cb, KVObj obj) {
    return guarded(cb, "GetObjectType", std::int16_t{0}, [&](Host& h) {
      const DrawingObject* o = h.document().find(obj);
      return o == nullptr ? std::int16_t{kKVTypeNone} : o->type;
    });
  };
  b.GetObjectName = [](KVCallback cb, KVObj obj, unsigned char* name) {
    toPString("", name);
    guardedVoid(cb, "GetObjectName", [&](Host& h) { toPString(h.document().get(obj).name, name); });
  };
  b.GetObjectBounds = [](KVCallback cb, KVObj obj, KVRect* out) {
    if (out != nullptr) *out = KVRect{};
    guardedVoid(cb, "GetObjectBounds", [&](Host& h) {
      const Rect r = h.document().bounds(obj);
      if (out != nullptr) *out = KVRect{r.top, r.left, r.bottom, r.right};
    });
  };
  b.GetObjectClass = [](KVCallback cb, KVObj obj) {
    return guarded(cb, "GetObjectClass", std::int16_t{0}, [&](Host& h) { return h.document().get(obj).objectClass; });
  };
  b.GetLocus3DPosition = [](KVCallback cb, KVObj locus, KVPoint3D* out) {
    if (out != nullptr) *out = KVPoint3D{};
    guardedVoid(cb, "GetLocus3DPosition", [&](Host& h) {
      const Vertex& v = expectType(h.document(), locus, kKVTypeLocus3D).vertices.at(0);
      if (out != nullptr) *out = KVPoint3D{v.x, v.y, v.z};
    });
  };
  b.CountVertices = [](KVCallback cb, KVObj poly) {
    return guarded(cb, "CountVertices", std::int32_t{0}, [&](Host& h) {
      const DrawingObject& o = h.document().get(poly);
      return o.type == kKVTypeGroup || o.type == kKVTypeText ? 0 : static_cast<std::int32_t>(o.vertices.size());
    });
  };
  b.Get3DVertex = [](KVCallback cb, KVObj poly, std::int16_t index1, KVPoint3D* out) {
    if (out != nullptr) *out = KVPoint3D{};
    guardedVoid(cb, "Get3DVertex", [&](Host& h) {
      const auto& vs = expectType(h.document(), poly, kKVTypePoly3D, kKVTypePoly2D).vertices;
      if (index1 < 1 || static_cast<std::size_t>(index1) > vs.size())
        throw HostError("vertex " + std::to_string(index1) + " of " + std::to_string(vs.size()));
      const Vertex& v = vs[static_cast<std::size_t>(index1 - 1)];
      if (out != nullptr) *out = KVPoint3D{v.x, v.y, v.z};
    });
  };
  b.GetPolyShapeClose = [](KVCallback cb, KVObj poly) {
    return guarded(cb, "GetPolyShapeClose", std::uint8_t{0}, [&](Host& h) {
      return static_cast<std::uint8_t>(expectType(h.document(), poly, kKVTypePoly2D, kKVTypePoly3D).closed);
    });
  };
}

// Making objects and building them up: polygons, groups, text, vertices,
// and putting them into containers.
void fillCreationEntries(KVHostBlock& b) {
  b.CreatePolyshape = [](KVCallback cb) {
    return guarded(cb, "CreatePolyshape", KVObj{0}, [](Host& h) { return h.document().createObject(kKVTypePoly2D); });
  };
  b.Create3DPoly = [](KVCallback cb) {
    return guarded(cb, "Create3DPoly", KVObj{0}, [](Host& h) { return h.document().createObject(kKVTypePoly3D); });
  };
  b.CreateGroup = [](KVCallback cb) {
    return guarded(cb, "CreateGroup", KVObj{0}, [](Host& h) { return h.document().createObject(kKVTypeGroup); });
  };
  b.AddVertex = [](KVCallback cb, KVObj poly, KVPoint2D pt, std::int16_t kind, std::int16_t) {
    guardedVoid(cb, "AddVertex", [&](Host& h) { h.document().addVertex(poly, Vertex{pt.x, pt.y, 0, kind}); });
  };
  b.Add3DVertex = [](KVCallback cb, KVObj poly, KVPoint3D pt) {
    guardedVoid(cb, "Add3DVertex", [&](Host& h) {
      expectType(h.document(), poly, kKVTypePoly3D);
      h.document().addVertex(poly, Vertex{pt.x, pt.y, pt.z, kKVVertexCorner});
    });
  };
  b.SetPolyShapeClose = [](KVCallback cb, KVObj poly, std::uint8_t closed) {
    guardedVoid(cb, "SetPolyShapeClose", [&](Host& h) { h.document().setClosed(poly, closed != 0); });
  };
  b.CreateTextBlock = [](KVCallback cb, const unsigned char* text, KVPoint2D anchor, std::int16_t a, std::int16_t s) {
    return guarded(cb, "CreateTextBlock", KVObj{0},
                   [&](Host& h) { return h.document().createText(fromPString(text), anchor.x, anchor.y, a, s); });
  };
  b.AddObjectToContainer = [](KVCallback cb, KVObj obj, KVObj container) {
    guardedVoid(cb, "AddObjectToContainer", [&](Host& h) { h.document().addToContainer(obj, container); });
  };
}

// An existing object's position and attributes (colour both ways, fill, line
// weight, class), and deleting it.
void fillChangeEntries(KVHostBlock& b) {
  b.MoveObject = [](KVCallback cb, KVObj obj, std::int32_t dx, std::int32_t dy) {
    guardedVoid(cb, "MoveObject", [&](Host& h) { h.document().move(obj, dx, dy); });
  };
  b.SetColor = [](KVCallback cb, KVObj obj, KVColor c) {
    guardedVoid(cb, "SetColor", [&](Host& h) { h.document().setColor(obj, Color{c.b[0], c.b[1], c.b[2], c.b[3]}); });
  };
  b.GetColor = [](KVCallback cb, KVObj obj, KVColor* out) {
    if (out != nullptr) *out = KVColor{};
    guardedVoid(cb, "GetColor", [&](Host& h) {
      const Color& c = h.document().get(obj).color;
      if (out != nullptr) std::memcpy(out->b, c.data(), 4);
    });
  };
  b.SetFillPat = [](KVCallback cb, KVObj obj, std::int16_t p) {
    guardedVoid(cb, "SetFillPat", [&](Host& h) { h.document().setFillPattern(obj, p); });
  };
  b.SetLineWeight = [](KVCallback cb, KVObj obj, std::int16_t w) {
    guardedVoid(cb, "SetLineWeight", [&](Host& h) { h.document().setLineWeight(obj, w); });
  };
  b.SetObjectClass = [](KVCallback cb, KVObj obj, std::int16_t c) {
    guardedVoid(cb, "SetObjectClass", [&](Host& h) { h.document().setObjectClass(obj, c); });
  };
  b.ResetObject = [](KVCallback cb, KVObj obj) {
    // Bounds are always computed from the members, so there is nothing to recompute.
    guardedVoid(cb, "ResetObject", [&](Host& h) { (void)h.document().get(obj); });
  };
  b.DeleteObject = [](KVCallback cb, KVObj obj) {
    guardedVoid(cb, "DeleteObject", [&](Host& h) { h.document().remove(obj); });
  };
}

// What a command tells the undo log: its method, and the objects it makes
// and deletes.
void fillUndoEntries(KVHostBlock& b) {
  b.SetUndoMethod = [](KVCallback cb, std::int16_t method) {
    guardedVoid(cb, "SetUndoMethod", [&](Host& h) {
      if (!h.undoLog().setMethod(method)) h.note("SetUndoMethod outside a command");
    });
  };
  b.AddAfterSwapObject = [](KVCallback cb, KVObj obj) {
    guardedVoid(cb, "AddAfterSwapObject", [&](Host& h) {
      (void)h.document().get(obj);
      if (!h.undoLog().created(obj)) h.note("AddAfterSwapObject outside a command");
    });
  };
  b.AddBeforeSwapObject = [](KVCallback cb, KVObj obj) {
    guardedVoid(cb, "AddBeforeSwapObject", [&](Host& h) {
      if (!h.undoLog().deleting(h.document().snapshot(obj))) h.note("AddBeforeSwapObject outside a command");
    });
  };
}

// Layers, classes, units, and yes-or-no questions to the user.
void fillLayerAndUnitEntries(KVHostBlock& b) {
  b.GetCurrentLayer = [](KVCallback cb) {
    return guarded(cb, "GetCurrentLayer", KVObj{0}, [](Host& h) { return h.document().currentLayer(); });
  };
  b.SetCurrentLayer = [](KVCallback cb, KVObj layer) {
    guardedVoid(cb, "SetCurrentLayer", [&](Host& h) { h.document().setCurrentLayer(layer); });
  };
  b.CreateLayer = [](KVCallback cb, const unsigned char* name, double scale) {
    return guarded(cb, "CreateLayer", KVObj{0}, [&](Host& h) { return h.createLayer(fromPString(name), scale); });
  };
  b.GetLayerScale = [](KVCallback cb, KVObj layer, double* out) {
    if (out != nullptr) *out = 0.0;
    guardedVoid(cb, "GetLayerScale", [&](Host& h) {
      const double scale = expectType(h.document(), layer, kKVTypeLayer).scale;
      if (out != nullptr) *out = scale;
    });
  };
  b.AddClass = [](KVCallback cb, const unsigned char* name) {
    return guarded(cb, "AddClass", std::int16_t{0}, [&](Host& h) { return h.document().addClass(fromPString(name)); });
  };
  b.GetUnits = [](KVCallback cb, KVUnits* out) {
    guardedVoid(cb, "GetUnits", [&](Host& h) {
      if (out != nullptr) *out = toABI(h.document().units());
    });
  };
  b.CoordToDimString = [](KVCallback cb, std::int32_t length, unsigned char* out) {
    toPString("", out);
    guardedVoid(cb, "CoordToDimString",
                [&](Host& h) { toPString(formatLength(length, h.document().units(), true), out); });
  };
  b.Confirm = [](KVCallback cb, std::int16_t listId, std::int16_t index, std::int16_t) {
    return guarded(cb, "Confirm", std::uint8_t{0},
                   [&](Host& h) { return static_cast<std::uint8_t>(h.dialogs().confirm(listId, index)); });
  };
}

void fillNotices(KVHostBlock& b) {
  b.ReportBuildNotices = [](KVCallback cb, const unsigned char* tinName, const KVBuildNotice* notices,
                            std::int32_t count) {
    guardedVoid(cb, "ReportBuildNotices", [&](Host& h) {
      if (count < 0 || (count > 0 && notices == nullptr))
        throw HostError("a count of " + std::to_string(count) + " notices");
      const Document& doc = h.document();
      const std::string tin = fromPString(tinName);
      std::vector<BuildNotice> list;
      for (std::int32_t i = 0; i < count; ++i) {
        const KVBuildNotice& n = notices[i];
        if (n.kind != kKVNoticeSegmentNotHeld && n.kind != kKVNoticeCornerDropped)
          throw HostError("a notice of unknown kind " + std::to_string(n.kind));
        const ObjId layer = doc.exists(n.poly) ? doc.layerOf(n.poly) : kNoObject;
        list.push_back(BuildNotice{tin, n.kind, n.poly, layer != kNoObject ? doc.get(layer).name.str() : "",
                                   n.first, n.second, n.where.x, n.where.y, n.count});
      }
      h.reportBuildNotices(tin, std::move(list));
    });
  };
}

}  // namespace

void fillDialogEntries(KVHostBlock& b);  // HostBlockDialogs.cpp
void fillToolboxEntries(KVHostBlock& b);  // HostBlockToolbox.cpp

void fillHostBlock(KVHostBlock& block, Host& host) {
  block = KVHostBlock{};
  block.abiVersion = kKVABIVersion;
  block.size = sizeof(KVHostBlock);
  block.ctx = &host;
  fillHeaderEntries(block);
  fillWalkEntries(block);
  fillReadingEntries(block);
  fillCreationEntries(block);
  fillChangeEntries(block);
  fillUndoEntries(block);
  fillLayerAndUnitEntries(block);
  fillToolboxEntries(block);
  fillDialogEntries(block);
  fillNotices(block);
}

}  // namespace tinhost
