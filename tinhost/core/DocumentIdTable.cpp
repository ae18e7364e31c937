// The table by id behind every lookup: each live object's record and its
// links in its parent's member chain, with the ordered map and a side map for
// ids the table does not reach.
#include <algorithm>
#include <cstddef>

#include "tinhost/core/Document.h"
#include "tinhost/core/DocumentInternals.h"
#include "tinhost/core/HostError.h"

namespace tinhost {
namespace {

constexpr std::size_t kLastId = 0xFFFFFFFFu;

}  // namespace

using document_detail::idText;

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
  // New objects take the next id, past every id in the map: they go in at
  // its end without a search from the root.
  auto& objects = s_.objects;
  DrawingObject& obj = objects.empty() || objects.rbegin()->first < id
                           ? objects.emplace_hint(objects.end(), id, DrawingObject{})->second
                           : objects[id];
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

// The way to an object that is about to change: its first copy is kept while
// a mark is open.
DrawingObject& Document::mut(ObjId id) {
  DrawingObject* obj = lookup(id);
  if (obj == nullptr) throw HostError("no " + idText(id) + " in the drawing");
  keepObject(id);
  return *obj;
}

}  // namespace tinhost
