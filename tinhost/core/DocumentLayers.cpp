// Creating layers and changing the current layer, a layer's name and scale.
#include <string>
#include <utility>

#include "tinhost/core/Document.h"
#include "tinhost/core/DocumentInternals.h"
#include "tinhost/core/HostError.h"

namespace tinhost {

using document_detail::idText;

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

}  // namespace tinhost
