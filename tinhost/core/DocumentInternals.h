// What the source files of Document share and its public header keeps out of
// sight: the tests on object types, how errors name an object, the record a
// mark keeps, and the step along a container's member chain.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "plugin/host/KVABI.h"
#include "tinhost/core/Document.h"

namespace tinhost {
namespace document_detail {

inline bool isContainerType(std::int16_t t) { return t == kKVTypeLayer || t == kKVTypeGroup; }
inline bool isPolyType(std::int16_t t) { return t == kKVTypePoly2D || t == kKVTypePoly3D; }
inline bool isDrawableType(std::int16_t t) {
  return isPolyType(t) || t == kKVTypeLocus3D || t == kKVTypeGroup || t == kKVTypeText;
}

inline std::string idText(ObjId id) { return "object " + std::to_string(id); }

}  // namespace document_detail

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
  std::string crs;
  std::unordered_map<ObjId, std::optional<DrawingObject>> objects;  // none: it did not exist
  std::unordered_map<ObjId, std::vector<ObjId>> members;
  std::optional<std::set<ObjId>> selection;
};

// Calls f with each member of a container in drawing order; f may unlink or
// erase the member it is given, since the next one is read first.
template <class F>
void Document::forEachMember(ObjId container, F&& f) const {
  const auto it = ends_.find(container);
  for (ObjId m = it == ends_.end() ? kNoObject : it->second.first; m != kNoObject;) {
    const ObjId next = linkOf(m).next;
    f(m);
    m = next;
  }
}

}  // namespace tinhost
