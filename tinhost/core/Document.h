// The drawing: layers in their order, the objects on them (3D loci, 2D and 3D
// polygons, groups, text blocks), the selection, the class table, the units,
// the origin and the data objects that plug-ins keep under the drawing header.
//
// Everything is plain data in DocumentState, which the drawing file reads and
// writes field by field.  Document guards the invariants:
//   * every object has a unique 32-bit id (0 = none); ids are never reused;
//   * the header (type 1) and the layers (type 31) have no parent; every other
//     object has a layer or a group as parent, or none while it is being built
//     ("free": created but not yet added to a container);
//   * a container's member list holds exactly the objects whose parent it is,
//     in drawing order; groups never contain themselves;
//   * adding, removing and stepping to the next member take constant time (the
//     live drawing links siblings), so drawings of a million objects stay fast;
//   * the selection holds only objects that lie directly on a layer;
//   * there is always at least one layer, and the current layer is one of them.
// Misuse (an unknown id, a wrong type) throws HostError.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "plugin/host/KVABI.h"
#include "tinhost/core/CompactString.h"
#include "tinhost/core/DrawingUnits.h"
#include "tinhost/core/NodePool.h"
#include "tinhost/core/VertexList.h"

namespace tinhost {

using ObjId = std::uint32_t;
inline constexpr ObjId kNoObject = 0;

using Color = std::array<std::uint8_t, 4>;

struct Rect {  // y grows upward: top >= bottom for a non-empty rectangle
  std::int32_t top = 0, left = 0, bottom = 0, right = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// A drawing of a million survey points holds a million of these (3D loci),
// so the fields are ordered by alignment, widest first, to leave no holes.
struct DrawingObject {
  CompactString name;                // layers and the header
  CompactString text;                // text blocks, lines separated by '\r' or '\n'
  double scale = 1.0;                // layers
  VertexList vertices;               // polygons; a 3D locus has exactly one
  ObjId id = kNoObject;
  ObjId parent = kNoObject;
  std::int32_t anchorX = 0, anchorY = 0;  // text blocks: top-left corner
  Color color{};
  std::int16_t type = kKVTypeNone;
  std::int16_t objectClass = 0;      // 0 = none
  std::int16_t fillPattern = 1;
  std::int16_t lineWeight = 1;
  std::int16_t textStyle = 0, textSize = 100;  // textSize 100 = one user unit high
  bool closed = false;
  friend bool operator==(const DrawingObject&, const DrawingObject&) = default;
};
// 77 bytes of fields, rounded up to the 8-byte alignment of the strings: with
// its key and links a node of the ordered map is then 120 bytes, carved from
// the map's slabs (NodePool.h).
static_assert(sizeof(DrawingObject) <= 80, "a hole has opened between the fields");

struct DocumentState {
  ObjId header = kNoObject;
  ObjId nextId = 1;
  // every object, the header and layers included
  std::map<ObjId, DrawingObject, std::less<ObjId>, NodeAllocator<std::pair<const ObjId, DrawingObject>>> objects;
  std::map<ObjId, std::vector<ObjId>> members;  // layer or group -> members in drawing order
                                                // (containers without members may be absent)
  std::vector<ObjId> layers;               // layer order
  ObjId currentLayer = kNoObject;
  std::set<ObjId> selection;
  std::vector<std::string> classes;        // class id k is classes[k - 1]
  UnitsRecord units;
  double originX = 0.0, originY = 0.0;     // real-world position of the world origin, user units
  std::string crs;                         // coordinate system of the real coordinates, as WKT;
                                           // empty: none (local survey coordinates)
};

// A deleted object with everything inside it, enough to put it back as it was.
struct ObjectSnapshot {
  std::vector<DrawingObject> objects;           // the object first, then its descendants
  std::map<ObjId, std::vector<ObjId>> members;  // of the groups among them
  ObjId parent = kNoObject;
  ObjId before = kNoObject;  // the sibling it preceded; 0 = it was the last member
  bool selected = false;
};

enum class WalkScope { All, Selection };

class Document {
 public:
  Document();  // one layer "Layer 1", scale 1, current
  Document(const Document& other);
  Document& operator=(const Document& other);
  Document(Document&&) noexcept;
  Document& operator=(Document&&) noexcept;
  ~Document();
  // Adopts a state read from a file; throws HostError when it breaks an invariant.
  static Document fromState(DocumentState state);
  const DocumentState& state() const;

  // ---- reading ----
  const DrawingObject* find(ObjId id) const;
  const DrawingObject& get(ObjId id) const;  // throws for an unknown id
  bool exists(ObjId id) const { return find(id) != nullptr; }
  ObjId header() const { return s_.header; }
  std::span<const ObjId> layers() const { return s_.layers; }
  ObjId currentLayer() const { return s_.currentLayer; }
  const std::set<ObjId>& selection() const { return s_.selection; }
  std::span<const std::string> classes() const { return s_.classes; }
  const UnitsRecord& units() const { return s_.units; }
  std::size_t objectCount() const { return s_.objects.size(); }
  std::vector<ObjId> members(ObjId container) const;
  std::size_t memberCount(ObjId container) const;
  // The layer an object lies on, through its groups; 0 for free objects.
  ObjId layerOf(ObjId id) const;
  Rect bounds(ObjId id) const;  // all zero for an object without extent

  // ---- walks ----
  // Every object in layer order then drawing order, each group before its
  // members; or only the selected objects and the members of selected groups.
  std::vector<ObjId> walk(WalkScope scope) const;
  ObjId firstMember(ObjId container) const;
  ObjId nextSibling(ObjId id) const;  // next layer for a layer

  // ---- layers ----
  ObjId createLayer(std::string name, double scale);
  void setCurrentLayer(ObjId layer);
  void setLayerName(ObjId layer, std::string name);
  void setLayerScale(ObjId layer, double scale);

  // ---- objects ----
  ObjId createObject(std::int16_t type);  // free: no parent yet
  ObjId createText(std::string text, std::int32_t anchorX, std::int32_t anchorY,
                   std::int16_t style, std::int16_t size);
  ObjId addLocus(ObjId container, std::int32_t x, std::int32_t y, std::int32_t z);
  // One 3D locus per position, last on the container in the order given,
  // with consecutive ids; returns the first id (0 for none).  The same as
  // addLocus for each, without its per-object lookups and checks.
  ObjId addLoci(ObjId container, std::span<const Vertex> positions);
  void addVertex(ObjId poly, Vertex v);
  void setClosed(ObjId poly, bool closed);
  void setColor(ObjId id, Color c);
  void setFillPattern(ObjId id, std::int16_t pattern);
  void setLineWeight(ObjId id, std::int16_t weight);
  void setObjectClass(ObjId id, std::int16_t cls);
  void move(ObjId id, std::int32_t dx, std::int32_t dy);
  void addToContainer(ObjId id, ObjId container);  // moves it out of its old container
  void remove(ObjId id);  // with every member; a layer only while another remains
  ObjectSnapshot snapshot(ObjId id) const;
  // Puts a snapshot back (the ids must be free): before its old next sibling
  // when that is still a member of the same parent, else last.
  void restore(const ObjectSnapshot& snap);
  std::size_t discardFreeObjects();          // removes parentless objects, returns how many

  // ---- selection, classes, units, origin ----
  void select(ObjId id);
  void deselect(ObjId id);
  void clearSelection();
  std::int16_t addClass(const std::string& name);  // the existing id for a known name
  void setUnits(const UnitsRecord& units);
  void setOrigin(double x, double y) { s_.originX = x; s_.originY = y; }
  // The coordinate system is set by `new --crs` and by the first import that
  // carries one; nothing else changes it.
  const std::string& crs() const { return s_.crs; }
  void setCrs(std::string wkt) { s_.crs = std::move(wkt); }
  void setDrawingName(std::string name);

  // ---- going back ----
  // Marks this moment so that rollback() can return to it exactly: every
  // object, member order, the selection, layers, classes, units, origin and
  // coordinate system,
  // and the next id.  Until then each object older than the mark is copied
  // the first time it changes and each older container's member list the
  // first time it changes, so the cost follows what changes, not the size of
  // the drawing.  One mark at a time; a new one replaces the old.  Copying a
  // document does not copy its mark.
  void mark();
  void rollback();  // back to the mark, which it closes; nothing without one
  void dropMark();  // keeps the changes
  bool marked() const { return mark_ != nullptr; }

 private:
  struct Mark;
  struct Link {
    ObjId prev = kNoObject, next = kNoObject;
  };
  struct Ends {
    ObjId first = kNoObject, last = kNoObject;
    std::size_t count = 0;
  };

  DrawingObject& mut(ObjId id);
  // The only ways objects enter and leave s_.objects, keeping byId_ true.
  DrawingObject& put(ObjId id);
  void drop(ObjId id);
  void reindex();
  void growTable(std::size_t size);
  DrawingObject& newObject(std::int16_t type);
  std::optional<Rect> extent(ObjId id) const;
  void link(ObjId id, ObjId container, ObjId before);
  void appendMember(DrawingObject& obj, ObjId container, Ends& ends);
  void unlink(DrawingObject& obj);
  void eraseTree(ObjId id);
  void collect(ObjId id, std::vector<ObjId>& out) const;
  template <class F>
  void forEachMember(ObjId container, F&& f) const;
  void validate() const;
  // Called before a change, while a mark is open: keep the first copy.
  void keepObject(ObjId id);
  void keepMembers(ObjId container);
  std::set<ObjId>& selectionForChange();

  // An entry of the table by id: the live object's record and, while it has
  // a parent, its neighbours in its parent's member chain (else both 0).
  struct Slot {
    DrawingObject* obj = nullptr;
    Link link;
  };

  // The live drawing; s_.members is filled only when state() is asked for.
  mutable DocumentState s_;
  std::unordered_map<ObjId, Ends> ends_;   // containers that have members
  // Each live object's record and links by id (ids are handed out in
  // sequence), so that the per-object calls of a walk over a million objects
  // do not search the ordered map, and a member costs no node of its own; the
  // map's nodes stay in place, so the pointers hold.
  std::vector<Slot> byId_;
  bool sparse_ = false;  // some live object's id lies past byId_
  std::unordered_map<ObjId, Link> linksPast_;  // linked objects whose ids lie past byId_
  std::size_t tableLimit() const;
  DrawingObject* lookup(ObjId id) const;
  Link linkOf(ObjId id) const;  // both 0 for an object without a parent
  Link& linkFor(ObjId id);      // of an object being linked or already linked
  void clearLink(ObjId id);
  void copyLinks(const Document& other);
  std::unique_ptr<Mark> mark_;
};

}  // namespace tinhost
