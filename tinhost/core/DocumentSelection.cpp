// The selection: only objects that lie directly on a layer.
#include "tinhost/core/Document.h"
#include "tinhost/core/DocumentInternals.h"
#include "tinhost/core/HostError.h"

namespace tinhost {

using document_detail::idText;

void Document::select(ObjId id) {
  const DrawingObject& obj = get(id);
  if (obj.parent == kNoObject || get(obj.parent).type != kKVTypeLayer)
    throw HostError(idText(id) + " does not lie directly on a layer and cannot be selected");
  // Whole layers are selected in member order, which is usually rising id
  // order: with the end as the hint such an insertion takes constant time.
  std::set<ObjId>& selection = selectionForChange();
  selection.insert(selection.end(), id);
}

void Document::deselect(ObjId id) {
  if (s_.selection.contains(id)) selectionForChange().erase(id);
}

void Document::clearSelection() {
  if (!s_.selection.empty()) selectionForChange().clear();
}

}  // namespace tinhost
