// Reading the drawing: objects by id, container members, extents and the
// walks in drawing order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tinhost/core/Document.h"
#include "tinhost/core/DocumentInternals.h"
#include "tinhost/core/HostError.h"

namespace tinhost {

using document_detail::idText;
using document_detail::isContainerType;

// ---- reading ----------------------------------------------------------------

const DrawingObject* Document::find(ObjId id) const { return lookup(id); }

const DrawingObject& Document::get(ObjId id) const {
  const DrawingObject* obj = find(id);
  if (obj == nullptr) throw HostError("no " + idText(id) + " in the drawing");
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

}  // namespace tinhost
