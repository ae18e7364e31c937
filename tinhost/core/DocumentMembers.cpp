// Containers and their member chains: putting objects into layers and
// groups, removing them with everything inside, and the snapshots that let
// a removal be undone.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "tinhost/core/Document.h"
#include "tinhost/core/DocumentInternals.h"
#include "tinhost/core/HostError.h"

namespace tinhost {

using document_detail::idText;
using document_detail::isContainerType;
using document_detail::isDrawableType;

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

// Links an object made since the mark (nothing of it to keep) last into a
// container whose member list is already kept and whose ends the caller holds.
void Document::appendMember(DrawingObject& obj, ObjId container, Ends& ends) {
  Link& l = linkFor(obj.id);
  l.next = kNoObject;
  l.prev = ends.last;
  if (l.prev == kNoObject)
    ends.first = obj.id;
  else
    linkFor(l.prev).next = obj.id;
  ends.last = obj.id;
  ++ends.count;
  obj.parent = container;
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

}  // namespace tinhost
