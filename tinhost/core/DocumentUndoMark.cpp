// Going back to a marked moment: the first copy of whatever changes after
// the mark is kept, and rollback() puts those copies back.
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "tinhost/core/Document.h"
#include "tinhost/core/DocumentInternals.h"

namespace tinhost {

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
  m.crs = s_.crs;
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
  s_.crs = std::move(m->crs);
  if (m->selection) s_.selection = std::move(*m->selection);
}

}  // namespace tinhost
