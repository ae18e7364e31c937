// A document's life as a whole: the new drawing, copies, and the exchange of
// the entire state with the drawing file, checked against the invariants.
#include "tinhost/core/Document.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tinhost/core/DocumentInternals.h"
#include "tinhost/core/HostError.h"

namespace tinhost {

using document_detail::idText;
using document_detail::isContainerType;

Document::Document() {
  DrawingObject& header = newObject(kKVTypeHeader);
  header.name = "Untitled";
  s_.header = header.id;
  s_.currentLayer = createLayer("Layer 1", 1.0);
}

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

}  // namespace tinhost
