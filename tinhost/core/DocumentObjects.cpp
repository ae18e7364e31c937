// Creating drawing objects and changing a single object: its vertices,
// attributes and position.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>

#include "tinhost/core/Document.h"
#include "tinhost/core/DocumentInternals.h"
#include "tinhost/core/HostError.h"

namespace tinhost {

using document_detail::idText;
using document_detail::isContainerType;
using document_detail::isDrawableType;
using document_detail::isPolyType;

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

ObjId Document::addLoci(ObjId container, std::span<const Vertex> positions) {
  if (positions.empty()) return kNoObject;
  if (!isContainerType(get(container).type)) throw HostError(idText(container) + " is not a layer or a group");
  if (std::uint64_t{s_.nextId} + positions.size() > 0xFFFFFFFFu) throw HostError("the drawing has run out of object ids");
  const ObjId first = s_.nextId;
  keepMembers(container);
  Ends& ends = ends_[container];
  for (const Vertex& v : positions) {
    DrawingObject& obj = newObject(kKVTypeLocus3D);
    obj.vertices.push_back(Vertex{v.x, v.y, v.z, kKVVertexCorner});
    appendMember(obj, container, ends);
  }
  return first;
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

}  // namespace tinhost
