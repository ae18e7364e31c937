#include "tinhost/core/Document.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>

#include "tinhost/core/HostError.h"

namespace tinhost {
namespace {

bool isContainerType(std::int16_t t) { return t == kKVTypeLayer || t == kKVTypeGroup; }
bool isPolyType(std::int16_t t) { return t == kKVTypePoly2D || t == kKVTypePoly3D; }
bool isDrawableType(std::int16_t t) {
  return isPolyType(t) || t == kKVTypeLocus3D || t == kKVTypeGroup || t == kKVTypeText;
}

std::string idText(ObjId id) { return "object " + std::to_string(id); }

constexpr std::size_t kLastId = 0xFFFFFFFFu;

}  // namespace

Document::Document() {
  DrawingObject& header = newObject(kKVTypeHeader);
  header.name = "Untitled";
  s_.header = header.id;
  s_.currentLayer = createLayer("Layer 1", 1.0);
}

// What rollback() needs: the plain fields as they were at the mark, and the
// first copy of each older object and older container's member list that
// changed since.  Objects with ids from nextId on were made after the mark.
struct Document::Mark {
  ObjId nextId = 1;
  ObjId header = kNoObject;
  std::vector<ObjId> layers;
  ObjId currentLayer = kNoObject;
  std::vector<std::string> classes;
  UnitsRecord units;
  double originX = 0.0, originY = 0.0;
  std::unordered_map<ObjId, std::optional<DrawingObject>> objects;  // none: it did not exist
  std::unordered_map<ObjId, std::vector<ObjId>> members;
  std::optional<std::set<ObjId>> selection;
};

Document::Document(const Document& other) : s_(other.s_), ends_(other.ends_) {
  reindex();
  copyLinks(other);
}

Document& Document::operator=(const Document& other) {
  if (this != &other) {
    s_ = other.s_;
    ends_ = other.ends_;
    reindex();
    copyLinks(other);
    mark_.reset();
  }
  return *this;
}

Document::Document(Document&&) noexcept = default;
Document& Document::operator=(Document&&) noexcept = default;
Document::~Document() = default;

// The table by id stays within a few entries per live object, so that a
// drawing whose ids are spread thin (a damaged or hostile file can name an
// object 4,000,000,000) costs no more than its objects; such ids are found in
// the ordered map instead.
std::size_t Document::tableLimit() const { return 4 * s_.objects.size() + 65536; }

// Fills the table from s_.objects; the links are the caller's to set again.
void Document::reindex() {
  byId_.clear();
  linksPast_.clear();
  sparse_ = false;
  if (s_.objects.empty()) return;
  byId_.resize(std::min<std::size_t>(std::size_t{s_.objects.rbegin()->first} + 1, tableLimit()));
  for (auto& [id, obj] : s_.objects) {
    if (id < byId_.size()) byId_[id].obj = &obj;
    else sparse_ = true;
  }
}

// The tables of the two documents may differ in size, so the links are
// copied by id.
void Document::copyLinks(const Document& other) {
  for (const auto& [id, obj] : s_.objects)
    if (obj.parent != kNoObject) linkFor(id) = other.linkOf(id);
}

DrawingObject& Document::put(ObjId id) {
  keepObject(id);
  DrawingObject& obj = s_.objects[id];
  if (id >= byId_.size() && id < tableLimit()) growTable(std::max<std::size_t>(std::size_t{id} + 1, byId_.size() * 2));
  if (id < byId_.size()) byId_[id].obj = &obj;
  else sparse_ = true;
  return obj;
}

// Objects already past the old end of the table were found in the ordered
// map; those the grown table now covers must be entered in it, since lookup
// trusts the table for every id below its end, and their links move with them.
void Document::growTable(std::size_t size) {
  const std::size_t oldSize = byId_.size();
  byId_.resize(size);
  if (!sparse_ || oldSize > kLastId) return;
  for (auto it = s_.objects.lower_bound(static_cast<ObjId>(oldSize));
       it != s_.objects.end() && it->first < size; ++it) {
    Slot& slot = byId_[it->first];
    slot.obj = &it->second;
    if (const auto past = linksPast_.find(it->first); past != linksPast_.end()) {
      slot.link = past->second;
      linksPast_.erase(past);
    }
  }
  sparse_ = s_.objects.rbegin()->first >= size;
}

DrawingObject* Document::lookup(ObjId id) const {
  if (id < byId_.size()) return byId_[id].obj;
  if (!sparse_) return nullptr;
  const auto it = s_.objects.find(id);
  return it != s_.objects.end() ? &it->second : nullptr;
}

void Document::drop(ObjId id) {
  keepObject(id);
  s_.objects.erase(id);
  if (id < byId_.size()) byId_[id] = Slot{};
  else linksPast_.erase(id);
}

Document::Link Document::linkOf(ObjId id) const {
  if (id < byId_.size()) return byId_[id].link;
  const auto it = linksPast_.find(id);
  return it != linksPast_.end() ? it->second : Link{};
}

Document::Link& Document::linkFor(ObjId id) { return id < byId_.size() ? byId_[id].link : linksPast_[id]; }

void Document::clearLink(ObjId id) {
  if (id < byId_.size()) byId_[id].link = Link{};
  else linksPast_.erase(id);
}

Document Document::fromState(DocumentState state) {
  Document doc;
  doc.s_ = std::move(state);
  doc.reindex();
  doc.ends_.clear();
  doc.validate();
  for (const auto& [container, list] : doc.s_.members)
    for (ObjId m : list) doc.link(m, container, kNoObject);
  doc.s_.members.clear();
  return doc;
}

const DocumentState& Document::state() const {
  s_.members.clear();
  for (const auto& [container, ends] : ends_)
    if (ends.count > 0) s_.members.emplace(container, members(container));
  return s_;
}

template <class F>
void Document::forEachMember(ObjId container, F&& f) const {
  const auto it = ends_.find(container);
  for (ObjId m = it == ends_.end() ? kNoObject : it->second.first; m != kNoObject;) {
    const ObjId next = linkOf(m).next;
    f(m);
    m = next;
  }
}

void Document::validate() const {
  auto fail = [](const std::string& why) { throw HostError("inconsistent drawing: " + why); };
  const DrawingObject* header = find(s_.header);
  if (header == nullptr || header->type != kKVTypeHeader) fail("no drawing header");
  if (s_.layers.empty()) fail("no layer");
  if (std::find(s_.layers.begin(), s_.layers.end(), s_.currentLayer) == s_.layers.end())
    fail("the current layer is not a layer");
  // How often each object is listed by its parent, by id; counting stops at
  // 2, which is already one too many.
  std::vector<std::uint8_t> listed(byId_.size(), 0);
  std::map<ObjId, std::uint8_t> listedBeyond;  // ids past the table
  auto timesListed = [&](ObjId id) -> std::uint8_t& {
    return id < listed.size() ? listed[id] : listedBeyond[id];
  };
  for (const auto& [container, list] : s_.members) {
    const DrawingObject* c = find(container);
    if (c == nullptr || !isContainerType(c->type)) fail(idText(container) + " has members but is no container");
    for (ObjId m : list) {
      const DrawingObject* member = find(m);
      if (member == nullptr || member->parent != container)
        fail(idText(container) + " lists a member that is not its own");
      if (timesListed(m) < 2) ++timesListed(m);
    }
  }
  for (const auto& [id, obj] : s_.objects) {
    if (id != obj.id) fail(idText(id) + " is filed under another id");
    if (id == kNoObject || id >= s_.nextId) fail(idText(id) + " has an id beyond the next id");
    if (obj.type == kKVTypeLayer) {
      if (std::count(s_.layers.begin(), s_.layers.end(), id) != 1) fail(idText(id) + " is not listed once as a layer");
      if (obj.parent != kNoObject) fail(idText(id) + " is a layer with a parent");
    } else if (obj.parent != kNoObject && timesListed(id) != 1) {
      fail(idText(id) + " is not listed once by its parent");
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
    std::size_t steps = 0;
    for (ObjId p = obj.parent; p != kNoObject; p = get(p).parent)
      if (p == id || ++steps > s_.objects.size()) fail(idText(id) + " contains itself");
  }
}

// ---- reading ----------------------------------------------------------------

const DrawingObject* Document::find(ObjId id) const { return lookup(id); }

const DrawingObject& Document::get(ObjId id) const {
  const DrawingObject* obj = find(id);
  if (obj == nullptr) throw HostError("no " + idText(id) + " in the drawing");
  return *obj;
}

DrawingObject& Document::mut(ObjId id) {
  DrawingObject* obj = lookup(id);
  if (obj == nullptr) throw HostError("no " + idText(id) + " in the drawing");
  keepObject(id);
  return *obj;
}

std::vector<ObjId> Document::members(ObjId container) const {
  (void)get(container);
  std::vector<ObjId> out;
  out.reserve(memberCount(container));
  forEachMember(container, [&out](ObjId m) { out.push_back(m); });
  return out;
}

std::size_t Document::memberCount(ObjId container) const {
  const auto it = ends_.find(container);
  return it == ends_.end() ? 0 : it->second.count;
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
    forEachMember(id, [&](ObjId m) {
      if (const auto inner = extent(m)) {
        extend(inner->left, inner->top);
        extend(inner->right, inner->bottom);
      }
    });
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
  if (obj.type == kKVTypeGroup) forEachMember(id, [&](ObjId m) { collect(m, out); });
}

std::vector<ObjId> Document::walk(WalkScope scope) const {
  std::vector<ObjId> out;
  for (ObjId layer : s_.layers) {
    forEachMember(layer, [&](ObjId m) {
      if (scope == WalkScope::All || s_.selection.contains(m)) collect(m, out);
    });
  }
  return out;
}

ObjId Document::firstMember(ObjId container) const {
  const DrawingObject& obj = get(container);
  if (obj.type == kKVTypeHeader) return s_.layers.empty() ? kNoObject : s_.layers.front();
  const auto it = ends_.find(container);
  return it == ends_.end() ? kNoObject : it->second.first;
}

ObjId Document::nextSibling(ObjId id) const {
  const DrawingObject& obj = get(id);
  if (obj.type == kKVTypeLayer) {
    const auto it = std::find(s_.layers.begin(), s_.layers.end(), id);
    return it == s_.layers.end() || it + 1 == s_.layers.end() ? kNoObject : *(it + 1);
  }
  return linkOf(id).next;
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
  DrawingObject& obj = put(id);
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
    drop(id);
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
  // World coordinates are 32-bit: a move past the edge of the world stops there.
  auto shifted = [](std::int32_t v, std::int32_t d) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{v} + d, INT32_MIN, INT32_MAX));
  };
  for (Vertex& v : obj.vertices) {
    v.x = shifted(v.x, dx);
    v.y = shifted(v.y, dy);
  }
  obj.anchorX = shifted(obj.anchorX, dx);
  obj.anchorY = shifted(obj.anchorY, dy);
  if (obj.type == kKVTypeGroup) forEachMember(id, [&](ObjId m) { move(m, dx, dy); });
}

// Inserts `id` into the member chain of `container`, before `before` (a
// member of that container) or last when `before` is 0.
void Document::link(ObjId id, ObjId container, ObjId before) {
  keepMembers(container);
  Ends& ends = ends_[container];
  Link& l = linkFor(id);  // the map past the table keeps its references when it grows
  l.next = before;
  l.prev = before == kNoObject ? ends.last : linkOf(before).prev;
  if (l.prev == kNoObject)
    ends.first = id;
  else
    linkFor(l.prev).next = id;
  if (before == kNoObject)
    ends.last = id;
  else
    linkFor(before).prev = id;
  ++ends.count;
  mut(id).parent = container;
}

void Document::unlink(DrawingObject& obj) {
  if (obj.parent == kNoObject) return;
  keepMembers(obj.parent);
  Ends& ends = ends_.at(obj.parent);
  const Link l = linkOf(obj.id);
  if (l.prev == kNoObject)
    ends.first = l.next;
  else
    linkFor(l.prev).next = l.next;
  if (l.next == kNoObject)
    ends.last = l.prev;
  else
    linkFor(l.next).prev = l.prev;
  if (--ends.count == 0) ends_.erase(obj.parent);
  clearLink(obj.id);
  obj.parent = kNoObject;
  if (s_.selection.contains(obj.id)) selectionForChange().erase(obj.id);
}

void Document::addToContainer(ObjId id, ObjId container) {
  DrawingObject& obj = mut(id);
  const DrawingObject& target = get(container);
  if (!isDrawableType(obj.type)) throw HostError(idText(id) + " cannot be put into a container");
  if (!isContainerType(target.type)) throw HostError(idText(container) + " is not a layer or a group");
  for (ObjId p = container; p != kNoObject; p = get(p).parent)
    if (p == id) throw HostError(idText(id) + " cannot be put inside itself");
  if (obj.parent == container) return;
  unlink(obj);
  link(id, container, kNoObject);
}

// Erases an object that has already been unlinked from its parent, with
// everything inside it.
void Document::eraseTree(ObjId id) {
  if (isContainerType(get(id).type)) {
    keepMembers(id);
    forEachMember(id, [this](ObjId m) { eraseTree(m); });
  }
  ends_.erase(id);
  clearLink(id);
  if (s_.selection.contains(id)) selectionForChange().erase(id);
  drop(id);
}

void Document::remove(ObjId id) {
  DrawingObject& obj = mut(id);
  if (obj.type == kKVTypeHeader) throw HostError("the drawing header cannot be deleted");
  if (obj.type == kKVTypeLayer) {
    if (s_.layers.size() == 1) throw HostError("the last layer cannot be deleted");
    std::erase(s_.layers, id);
    if (s_.currentLayer == id) s_.currentLayer = s_.layers.front();
  }
  unlink(obj);
  eraseTree(id);
}

ObjectSnapshot Document::snapshot(ObjId id) const {
  const DrawingObject& obj = get(id);
  if (obj.type == kKVTypeHeader || obj.type == kKVTypeLayer)
    throw HostError("cannot snapshot " + idText(id) + " for undo");
  ObjectSnapshot snap;
  std::vector<ObjId> ids;
  collect(id, ids);
  for (ObjId m : ids) {
    snap.objects.push_back(get(m));
    if (memberCount(m) > 0) snap.members.emplace(m, members(m));
  }
  snap.parent = obj.parent;
  snap.before = nextSibling(id);
  snap.selected = s_.selection.contains(id);
  return snap;
}

void Document::restore(const ObjectSnapshot& snap) {
  if (snap.objects.empty()) return;
  for (const DrawingObject& o : snap.objects)
    if (exists(o.id)) throw HostError(idText(o.id) + " is already in the drawing");
  if (snap.parent != kNoObject && !isContainerType(get(snap.parent).type))
    throw HostError(idText(snap.parent) + " cannot take back its member");
  for (const DrawingObject& o : snap.objects) {
    DrawingObject& copy = put(o.id) = o;
    copy.parent = kNoObject;  // set again by link()
    s_.nextId = std::max(s_.nextId, o.id + 1);
  }
  for (const auto& [group, list] : snap.members)
    for (ObjId m : list) link(m, group, kNoObject);
  if (snap.parent == kNoObject) return;
  const DrawingObject* before = find(snap.before);
  const bool beforeStillThere = before != nullptr && before->parent == snap.parent;
  link(snap.objects.front().id, snap.parent, beforeStillThere ? snap.before : kNoObject);
  if (snap.selected && get(snap.parent).type == kKVTypeLayer) selectionForChange().insert(snap.objects.front().id);
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
  selectionForChange().insert(id);
}

void Document::deselect(ObjId id) {
  if (s_.selection.contains(id)) selectionForChange().erase(id);
}

void Document::clearSelection() {
  if (!s_.selection.empty()) selectionForChange().clear();
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

// ---- going back ---------------------------------------------------------------

void Document::mark() {
  mark_ = std::make_unique<Mark>();
  Mark& m = *mark_;
  m.nextId = s_.nextId;
  m.header = s_.header;
  m.layers = s_.layers;
  m.currentLayer = s_.currentLayer;
  m.classes = s_.classes;
  m.units = s_.units;
  m.originX = s_.originX;
  m.originY = s_.originY;
}

void Document::dropMark() { mark_.reset(); }

void Document::keepObject(ObjId id) {
  if (mark_ == nullptr || id >= mark_->nextId || mark_->objects.contains(id)) return;
  const DrawingObject* obj = find(id);
  mark_->objects.emplace(id, obj != nullptr ? std::optional<DrawingObject>(*obj) : std::nullopt);
}

void Document::keepMembers(ObjId container) {
  if (mark_ == nullptr || container >= mark_->nextId || mark_->members.contains(container)) return;
  std::vector<ObjId> list;
  list.reserve(memberCount(container));
  forEachMember(container, [&list](ObjId m) { list.push_back(m); });
  mark_->members.emplace(container, std::move(list));
}

std::set<ObjId>& Document::selectionForChange() {
  if (mark_ != nullptr && !mark_->selection) mark_->selection = s_.selection;
  return s_.selection;
}

// Only what changed since the mark is touched.  The member chains of the
// containers that changed are taken apart first and chained again last, from
// their lists at the mark; an older object that was free at the mark loses any
// link it gained; objects made since the mark go with their own chains.
void Document::rollback() {
  if (mark_ == nullptr) return;
  const std::unique_ptr<Mark> m = std::move(mark_);  // nothing below is kept again
  for (const auto& [container, list] : m->members) {
    forEachMember(container, [this](ObjId id) { clearLink(id); });
    ends_.erase(container);
  }
  for (auto it = s_.objects.lower_bound(m->nextId); it != s_.objects.end();) {
    clearLink(it->first);
    ends_.erase(it->first);
    it = s_.objects.erase(it);
  }
  if (byId_.size() > m->nextId) byId_.resize(m->nextId);
  for (auto& [id, was] : m->objects) {
    if (!was) {
      clearLink(id);
      ends_.erase(id);
      if (exists(id)) drop(id);
      continue;
    }
    if (was->parent == kNoObject) clearLink(id);
    put(id) = std::move(*was);
  }
  for (const auto& [container, list] : m->members)
    for (ObjId id : list) link(id, container, kNoObject);
  s_.nextId = m->nextId;
  s_.header = m->header;
  s_.layers = std::move(m->layers);
  s_.currentLayer = m->currentLayer;
  s_.classes = std::move(m->classes);
  s_.units = m->units;
  s_.originX = m->originX;
  s_.originY = m->originY;
  if (m->selection) s_.selection = std::move(*m->selection);
}

}  // namespace tinhost
