#include "tinhost/core/Host.h"

#include <cstring>

#include "tinhost/core/HostError.h"

namespace tinhost {

Host::Host(HostOptions options)
    : resources_(options.resources != nullptr ? *options.resources : Resources::embedded()),
      memory_(options.memoryBudget),
      toolbox_(resources_),
      dialogs_(resources_, [this] { return doc_.units(); }) {
  fillHostBlock(block_, *this);
}

Host::~Host() {
  for (auto& [tag, h] : dataObjects_) memory_.disposeDrawingHandle(h);
}

Host& Host::from(KVCallback cb) {
  if (cb == nullptr || cb->ctx == nullptr || cb->abiVersion != kKVABIVersion)
    throw HostError("not a callback block of this host");
  return *static_cast<Host*>(cb->ctx);
}

std::string fourCharText(std::uint32_t tag) {
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>((tag >> (24 - 8 * i)) & 0xFF);
  return s;
}

// ---- data objects -------------------------------------------------------------

KVHandle Host::findDataObject(std::uint32_t tag) const {
  const auto it = dataObjects_.find(tag);
  return it == dataObjects_.end() ? nullptr : it->second;
}

KVHandle Host::newDataObject(std::uint32_t tag, std::int32_t size) {
  if (dataObjects_.contains(tag)) {
    note("NewDataObject: the drawing already holds a data object '" + fourCharText(tag) + "'");
    return nullptr;
  }
  KVHandle h = memory_.newHandle(size, HandleOwner::Drawing);
  if (h != nullptr) dataObjects_.emplace(tag, h);
  return h;
}

void Host::deleteDataObject(KVHandle h) {
  for (auto it = dataObjects_.begin(); it != dataObjects_.end(); ++it) {
    if (it->second == h) {
      memory_.disposeDrawingHandle(h);
      dataObjects_.erase(it);
      return;
    }
  }
  throw HostError("the handle is not a data object of the drawing");
}

DataObjectBytes Host::dataObjects() const {
  DataObjectBytes all;
  for (const auto& [tag, h] : dataObjects_) {
    const auto bytes = memory_.contents(h);
    all.emplace(tag, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }
  return all;
}

void Host::setDataObjects(const DataObjectBytes& all) {
  for (auto& [tag, h] : dataObjects_) memory_.disposeDrawingHandle(h);
  dataObjects_.clear();
  for (const auto& [tag, bytes] : all) {
    KVHandle h = memory_.newHandle(static_cast<std::int32_t>(bytes.size()), HandleOwner::Drawing);
    if (h == nullptr) throw HostError("no memory for data object '" + fourCharText(tag) + "'");
    if (!bytes.empty()) std::memcpy(*h, bytes.data(), bytes.size());
    dataObjects_.emplace(tag, h);
  }
}

ObjId Host::createLayer(std::string name, double scale) {
  const ObjId layer = doc_.createLayer(std::move(name), scale);
  undo_.created(layer);
  return layer;
}

// ---- build notices --------------------------------------------------------------

std::vector<BuildNotice> Host::buildNotices() const {
  const KVHandle h = findDataObject(kBuildNoticesTag);
  if (h == nullptr) return {};
  return decodeBuildNotices(memory_.contents(h));
}

void Host::reportBuildNotices(const std::string& tin, std::vector<BuildNotice> notices) {
  std::vector<BuildNotice> kept;
  for (BuildNotice& n : buildNotices())
    if (n.tin != tin) kept.push_back(std::move(n));
  kept.insert(kept.end(), notices.begin(), notices.end());
  freshNotices_.insert(freshNotices_.end(), notices.begin(), notices.end());
  if (KVHandle old = findDataObject(kBuildNoticesTag); old != nullptr) deleteDataObject(old);
  if (kept.empty()) return;
  const std::vector<std::uint8_t> bytes = encodeBuildNotices(kept);
  KVHandle h = newDataObject(kBuildNoticesTag, static_cast<std::int32_t>(bytes.size()));
  if (h == nullptr) throw HostError("no memory to keep the build notices in the drawing");
  std::memcpy(*h, bytes.data(), bytes.size());
}

// ---- commands -------------------------------------------------------------------

void Host::beginCommand() {
  if (undo_.recording()) endCommand();
  undo_.begin(dataObjects(), doc_.currentLayer());
  toolbox_.beginCommand();
}

std::size_t Host::endCommand() {
  const std::size_t discarded = doc_.discardFreeObjects();
  undo_.end(dataObjects());
  toolbox_.endCommand();
  return discarded;
}

void Host::setCrs(std::string wkt) {
  if (wkt == doc_.crs()) return;
  undo_.changingCrs(doc_.crs());
  doc_.setCrs(std::move(wkt));
}

bool Host::undo() {
  if (undo_.recording()) throw HostError("cannot undo while a command runs");
  auto record = undo_.takeLast();
  if (!record) return false;
  const std::size_t skipped = revertSteps(*record, doc_);
  if (skipped > 0) note("undo: " + std::to_string(skipped) + " step(s) no longer applied");
  if (record->dataChanged) setDataObjects(record->dataObjects);
  return true;
}

}  // namespace tinhost
