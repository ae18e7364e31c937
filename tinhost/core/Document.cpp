#include "core/Document.h"

#include <algorithm>
#include <functional>

#include "core/HostError.h"

namespace tinhost {
namespace {

bool isContainerType(std::int16_t t) { return t == kKVTypeLayer || t == kKVTypeGroup; }
bool isPolyType(std::int16_t t) { return t == kKVTypePoly2D || t == kKVTypePoly3D; }
bool isDrawableType(std::int16_t t) {
  return isPolyType(t) || t == kKVTypeLocus3D || t == kKVTypeGroup || t == kKVTypeText;
}

std::string idText(ObjId id) { return "object " + std::to_string(id); }

}  // namespace

Document::Document() {
  DrawingObject& header = newObject(kKVTypeHeader);
  header.name = "Untitled";
  s_.header = header.id;
  s_.currentLayer = createLayer("Layer 1", 1.0);
}

Document Document::fromState(DocumentState state) {
  Document doc;
  doc.s_ = std::move(state);
  doc.dirty_.clear();
  doc.validate();
  return doc;
}

const DocumentState& Document::state() const {
  compactAll();
  return s_;
}

void Document::validate() const {
  auto fail = [](const std::string& why) { throw HostError("inconsistent drawing: " + why); };
  const DrawingObject* header = find(s_.header);
  if (header == nullptr || header->type != kKVTypeHeader) fail("no drawing header");
  if (s_.layers.empty()) fail("no layer");
  if (std::find(s_.layers.begin(), s_.layers.end(), s_.currentLayer) == s_.layers.end())
    fail("the current layer is not a layer");
  for (const auto& [id, obj] : s_.objects) {
    if (id != obj.id) fail(idText(id) + " is filed under another id");
    if (id == kNoObject || id >= s_.nextId) fail(idText(id) + " has an id beyond the next id");
    if (obj.type == kKVTypeLayer) {
      if (std::count(s_.layers.begin(), s_.layers.end(), id) != 1) fail(idText(id) + " is not listed once as a layer");
    } else if (obj.parent != kNoObject) {
      const DrawingObject* parent = find(obj.parent);
      if (parent == nullptr || !isContainerType(parent->type)) fail(idText(id) + " has no valid parent");
      if (std::count(parent->members.begin(), parent->members.end(), id) != 1)
        fail(idText(id) + " is not listed once by its parent");
    }
    for (ObjId m : obj.members) {
      const DrawingObject* member = find(m);
      if (member == nullptr || member->parent != id) fail(idText(id) + " lists a member that is not its own");
    }
  }
  for (ObjId layer : s_.layers) {
    const DrawingObject* l = find(layer);
    if (l == nullptr || l->type != kKVTypeLayer) fail(idText(layer) + " in the layer order is not a layer");
  }
  for (ObjId sel : s_.selection) {
    const DrawingObject* o = find(sel);
    if (o == nullptr || o->parent == kNoObject || get(o->parent).type != kKVTypeLayer)
      fail(idText(sel) + " is selected but does not lie on a layer");
  }
  for (const auto& [id, obj] : s_.objects) {  // groups must not contain themselves
    for (ObjId p = obj.parent, steps = 0; p != kNoObject; p = get(p).parent)
      if (p == id || ++steps > s_.objects.size()) fail(idText(id) + " contains itself");
  }
}

// ---- reading ----------------------------------------------------------------

const DrawingObject* Document::find(ObjId id) const {
  const auto it = s_.objects.find(id);
  return it == s_.objects.end() ? nullptr : &it->second;
}

const DrawingObject& Document::get(ObjId id) const {
  const DrawingObject* obj = find(id);
  if (obj == nullptr) throw HostError("no " + idText(id) + " in the drawing");
  return *obj;
}

DrawingObject& Document::mut(ObjId id) {
  const auto it = s_.objects.find(id);
  if (it == s_.objects.end()) throw HostError("no " + idText(id) + " in the drawing");
  return it->second;
}

std::span<const ObjId> Document::members(ObjId container) const {
  compact(container);
  return get(container).members;
}

ObjId Document::layerOf(ObjId id) const {
  for (const DrawingObject* obj = find(id); obj != nullptr; obj = find(obj->parent))
    if (obj->type == kKVTypeLayer) return obj->id;
  return kNoObject;
}

Rect Document::bounds(ObjId id) const { return extent(id).value_or(Rect{}); }

std::optional<Rect> Document::extent(ObjId id) const {
  const DrawingObject& obj = get(id);
  std::optional<Rect> r;
  auto extend = [&r](std::int32_t x, std::int32_t y) {
    if (!r) {
      r = Rect{y, x, y, x};
      return;
    }
    r->left = std::min(r->left, x);
    r->right = std::max(r->right, x);
    r->top = std::max(r->top, y);
    r->bottom = std::min(r->bottom, y);
  };
  if (isContainerType(obj.type)) {
    for (ObjId m : members(id)) {
      if (const auto inner = extent(m)) {
        extend(inner->left, inner->top);
        extend(inner->right, inner->bottom);
      }
    }
  } else if (obj.type == kKVTypeText) {
    // Character cells: textSize 100 is one user unit high, 0.6 of that wide;
    // the anchor is the top-left corner and the lines run downward.
    std::size_t lines = 1, longest = 0, current = 0;
    for (char c : obj.text) {
      if (c == '\r' || c == '\n') {
        ++lines;
        current = 0;
      } else {
        longest = std::max(longest, ++current);
      }
    }
    const double height = static_cast<double>(s_.units.worldPerUnit) * obj.textSize / 100.0;
    extend(obj.anchorX, obj.anchorY);
    extend(static_cast<std::int32_t>(obj.anchorX + 0.6 * height * static_cast<double>(longest)),
           static_cast<std::int32_t>(obj.anchorY - height * static_cast<double>(lines)));
  } else {
    for (const Vertex& v : obj.vertices) extend(v.x, v.y);
  }
  return r;
}

// ---- walks ------------------------------------------------------------------

void Document::collect(ObjId id, std::vector<ObjId>& out) const {
  out.push_back(id);
  const DrawingObject& obj = get(id);
  if (obj.type == kKVTypeGroup)
    for (ObjId m : members(id)) collect(m, out);
}

std::vector<ObjId> Document::walk(WalkScope scope) const {
  std::vector<ObjId> out;
  for (ObjId layer : s_.layers) {
    for (ObjId m : members(layer))
      if (scope == WalkScope::All || s_.selection.contains(m)) collect(m, out);
  }
  return out;
}

ObjId Document::firstMember(ObjId container) const {
  const DrawingObject& obj = get(container);
  if (obj.type == kKVTypeHeader) return s_.layers.empty() ? kNoObject : s_.layers.front();
  if (!isContainerType(obj.type)) return kNoObject;
  const auto m = members(container);
  return m.empty() ? kNoObject : m.front();
}

ObjId Document::nextSibling(ObjId id) const {
  const DrawingObject& obj = get(id);
  std::span<const ObjId> siblings;
  if (obj.type == kKVTypeLayer)
    siblings = s_.layers;
  else if (obj.parent != kNoObject)
    siblings = members(obj.parent);
  const auto it = std::find(siblings.begin(), siblings.end(), id);
  if (it == siblings.end() || it + 1 == siblings.end()) return kNoObject;
  return *(it + 1);
}

// ---- layers -----------------------------------------------------------------

ObjId Document::createLayer(std::string name, double scale) {
  DrawingObject& layer = newObject(kKVTypeLayer);
  layer.name = std::move(name);
  layer.scale = scale;
  s_.layers.push_back(layer.id);
  return layer.id;
}

void Document::setCurrentLayer(ObjId layer) {
  if (get(layer).type != kKVTypeLayer) throw HostError(idText(layer) + " is not a layer");
  s_.currentLayer = layer;
}

void Document::setLayerName(ObjId layer, std::string name) {
  DrawingObject& l = mut(layer);
  if (l.type != kKVTypeLayer) throw HostError(idText(layer) + " is not a layer");
  l.name = std::move(name);
}

void Document::setLayerScale(ObjId layer, double scale) {
  DrawingObject& l = mut(layer);
  if (l.type != kKVTypeLayer) throw HostError(idText(layer) + " is not a layer");
  l.scale = scale;
}

// ---- objects ----------------------------------------------------------------

DrawingObject& Document::newObject(std::int16_t type) {
  if (s_.nextId == 0xFFFFFFFFu) throw HostError("the drawing has run out of object ids");
  const ObjId id = s_.nextId++;
  DrawingObject& obj = s_.objects[id];
  obj.id = id;
  obj.type = type;
  return obj;
}

ObjId Document::createObject(std::int16_t type) {
  if (!isDrawableType(type)) throw HostError("cannot create an object of type " + std::to_string(type));
  return newObject(type).id;
}

ObjId Document::createText(std::string text, std::int32_t anchorX, std::int32_t anchorY,
                           std::int16_t style, std::int16_t size) {
  DrawingObject& obj = newObject(kKVTypeText);
  obj.text = std::move(text);
  obj.anchorX = anchorX;
  obj.anchorY = anchorY;
  obj.textStyle = style;
  obj.textSize = size;
  return obj.id;
}

ObjId Document::addLocus(ObjId container, std::int32_t x, std::int32_t y, std::int32_t z) {
  const ObjId id = createObject(kKVTypeLocus3D);
  mut(id).vertices.push_back(Vertex{x, y, z, kKVVertexCorner});
  try {
    addToContainer(id, container);
  } catch (...) {
    s_.objects.erase(id);
    throw;
  }
  return id;
}

void Document::addVertex(ObjId poly, Vertex v) {
  DrawingObject& obj = mut(poly);
  if (!isPolyType(obj.type)) throw HostError(idText(poly) + " is not a polygon");
  if (obj.type == kKVTypePoly2D) v.z = 0;
  obj.vertices.push_back(v);
}

void Document::setClosed(ObjId poly, bool closed) {
  DrawingObject& obj = mut(poly);
  if (!isPolyType(obj.type)) throw HostError(idText(poly) + " is not a polygon");
  obj.closed = closed;
}

void Document::setColor(ObjId id, Color c) { mut(id).color = c; }
void Document::setFillPattern(ObjId id, std::int16_t pattern) { mut(id).fillPattern = pattern; }
void Document::setLineWeight(ObjId id, std::int16_t weight) { mut(id).lineWeight = weight; }
void Document::setObjectClass(ObjId id, std::int16_t cls) { mut(id).objectClass = cls; }

void Document::move(ObjId id, std::int32_t dx, std::int32_t dy) {
  DrawingObject& obj = mut(id);
  if (obj.type == kKVTypeLayer || obj.type == kKVTypeHeader) throw HostError("cannot move " + idText(id));
  for (Vertex& v : obj.vertices) {
    v.x += dx;
    v.y += dy;
  }
  obj.anchorX += dx;
  obj.anchorY += dy;
  if (obj.type == kKVTypeGroup)
    for (ObjId m : members(id)) move(m, dx, dy);
}

// Member lists are compacted lazily: removing an object only marks its old
// container, so deleting many objects one by one stays linear.
void Document::compact(ObjId container) const {
  if (!dirty_.erase(container)) return;
  const auto it = s_.objects.find(container);
  if (it == s_.objects.end()) return;
  std::erase_if(it->second.members, [&](ObjId m) {
    const DrawingObject* obj = find(m);
    return obj == nullptr || obj->parent != container;
  });
}

void Document::compactAll() const {
  while (!dirty_.empty()) compact(*dirty_.begin());
}

void Document::detach(DrawingObject& obj) {
  if (obj.parent == kNoObject) return;
  dirty_.insert(obj.parent);
  obj.parent = kNoObject;
  s_.selection.erase(obj.id);
}

void Document::addToContainer(ObjId id, ObjId container) {
  DrawingObject& obj = mut(id);
  const DrawingObject& target = get(container);
  if (!isDrawableType(obj.type)) throw HostError(idText(id) + " cannot be put into a container");
  if (!isContainerType(target.type)) throw HostError(idText(container) + " is not a layer or a group");
  for (ObjId p = container; p != kNoObject; p = get(p).parent)
    if (p == id) throw HostError(idText(id) + " cannot be put inside itself");
  if (obj.parent == container) return;
  detach(obj);
  compact(container);
  mut(container).members.push_back(id);
  obj.parent = container;
}

void Document::eraseTree(ObjId id) {
  const DrawingObject& obj = get(id);
  if (isContainerType(obj.type)) {
    const std::vector<ObjId> inside(members(id).begin(), members(id).end());
    for (ObjId m : inside) eraseTree(m);
  }
  s_.selection.erase(id);
  dirty_.erase(id);
  s_.objects.erase(id);
}

void Document::remove(ObjId id) {
  DrawingObject& obj = mut(id);
  if (obj.type == kKVTypeHeader) throw HostError("the drawing header cannot be deleted");
  if (obj.type == kKVTypeLayer) {
    if (s_.layers.size() == 1) throw HostError("the last layer cannot be deleted");
    std::erase(s_.layers, id);
    if (s_.currentLayer == id) s_.currentLayer = s_.layers.front();
  }
  detach(obj);
  eraseTree(id);
}

ObjectSnapshot Document::snapshot(ObjId id) const {
  const DrawingObject& obj = get(id);
  if (obj.type == kKVTypeHeader || obj.type == kKVTypeLayer)
    throw HostError("cannot snapshot " + idText(id) + " for undo");
  ObjectSnapshot snap;
  std::vector<ObjId> ids;
  collect(id, ids);
  for (ObjId m : ids) snap.objects.push_back(get(m));
  snap.parent = obj.parent;
  snap.selected = s_.selection.contains(id);
  if (obj.parent != kNoObject) {
    const auto siblings = members(obj.parent);
    snap.position = static_cast<std::size_t>(std::find(siblings.begin(), siblings.end(), id) - siblings.begin());
  }
  return snap;
}

void Document::restore(const ObjectSnapshot& snap) {
  if (snap.objects.empty()) return;
  for (const DrawingObject& o : snap.objects)
    if (exists(o.id)) throw HostError(idText(o.id) + " is already in the drawing");
  if (snap.parent != kNoObject && !isContainerType(get(snap.parent).type))
    throw HostError(idText(snap.parent) + " cannot take back its member");
  for (const DrawingObject& o : snap.objects) {
    s_.objects[o.id] = o;
    s_.nextId = std::max(s_.nextId, o.id + 1);
  }
  DrawingObject& root = mut(snap.objects.front().id);
  root.parent = snap.parent;
  if (snap.parent != kNoObject) {
    compact(snap.parent);
    auto& siblings = mut(snap.parent).members;
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(std::min(snap.position, siblings.size())),
                    root.id);
    if (snap.selected && get(snap.parent).type == kKVTypeLayer) s_.selection.insert(root.id);
  }
}

std::size_t Document::discardFreeObjects() {
  std::vector<ObjId> free;
  for (const auto& [id, obj] : s_.objects)
    if (obj.parent == kNoObject && isDrawableType(obj.type)) free.push_back(id);
  for (ObjId id : free)
    if (exists(id)) eraseTree(id);
  return free.size();
}

// ---- selection, classes, units ----------------------------------------------

void Document::select(ObjId id) {
  const DrawingObject& obj = get(id);
  if (obj.parent == kNoObject || get(obj.parent).type != kKVTypeLayer)
    throw HostError(idText(id) + " does not lie directly on a layer and cannot be selected");
  s_.selection.insert(id);
}

std::int16_t Document::addClass(const std::string& name) {
  const auto it = std::find(s_.classes.begin(), s_.classes.end(), name);
  if (it != s_.classes.end()) return static_cast<std::int16_t>(it - s_.classes.begin() + 1);
  if (s_.classes.size() >= 0x7FFF) throw HostError("the class table is full");
  s_.classes.push_back(name);
  return static_cast<std::int16_t>(s_.classes.size());
}

void Document::setUnits(const UnitsRecord& units) {
  if (units.worldPerUnit <= 0) throw HostError("world units per user unit must be positive");
  s_.units = units;
}

void Document::setDrawingName(std::string name) { mut(s_.header).name = std::move(name); }

}  // namespace tinhost
