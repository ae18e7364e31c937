#include "tinhost/core/UndoLog.h"

#include "tinhost/core/HostError.h"

namespace tinhost {

void UndoLog::begin(DataObjectBytes dataObjects, ObjId currentLayer) {
  pending_ = UndoRecord{};
  pending_->dataObjects = std::move(dataObjects);
  pending_->currentLayer = currentLayer;
}

bool UndoLog::setMethod(std::int16_t method) {
  if (!pending_) return false;
  pending_->method = method;
  return true;
}

bool UndoLog::created(ObjId first, std::uint32_t count) {
  if (!pending_) return false;
  if (count == 0) return true;
  // Objects made one after the other (a command drawing a million triangles)
  // share one step, so the record stays small in memory and in the file.
  std::vector<UndoStep>& steps = pending_->steps;
  if (!steps.empty() && steps.back().kind == UndoStep::Kind::Created && first != kNoObject &&
      std::uint64_t{steps.back().id} + steps.back().count == first) {
    steps.back().count += count;
    return true;
  }
  steps.push_back(UndoStep{UndoStep::Kind::Created, first, count, {}});
  return true;
}

bool UndoLog::deleting(ObjectSnapshot before) {
  if (!pending_) return false;
  UndoStep step{UndoStep::Kind::Deleted, before.objects.empty() ? kNoObject : before.objects.front().id, 1, {}};
  step.before = std::move(before);
  pending_->steps.push_back(std::move(step));
  return true;
}

bool UndoLog::changingCrs(const std::string& before) {
  if (!pending_) return false;
  if (!pending_->crsBefore) pending_->crsBefore = before;
  return true;
}

void UndoLog::end(const DataObjectBytes& dataObjectsNow) {
  if (!pending_) return;
  pending_->dataChanged = pending_->dataObjects != dataObjectsNow;
  if (!pending_->steps.empty() || pending_->dataChanged || pending_->crsBefore)
    history_.push_back(std::move(*pending_));
  pending_.reset();
}

std::optional<UndoRecord> UndoLog::takeLast() {
  if (history_.empty()) return std::nullopt;
  UndoRecord last = std::move(history_.back());
  history_.pop_back();
  return last;
}

std::size_t revertSteps(const UndoRecord& record, Document& doc) {
  std::size_t skipped = 0;
  for (auto it = record.steps.rbegin(); it != record.steps.rend(); ++it) {
    try {
      if (it->kind == UndoStep::Kind::Created) {
        for (std::uint32_t k = it->count; k-- > 0;) {
          const ObjId id = it->id + k;
          try {
            if (doc.exists(id))
              doc.remove(id);
            else
              ++skipped;
          } catch (const HostError&) {
            ++skipped;
          }
        }
      } else {
        const ObjectSnapshot& snap = it->before;
        if (snap.parent != kNoObject && !doc.exists(snap.parent)) {
          ++skipped;
          continue;
        }
        doc.restore(snap);
      }
    } catch (const HostError&) {
      ++skipped;
    }
  }
  if (record.currentLayer != kNoObject && doc.exists(record.currentLayer)) doc.setCurrentLayer(record.currentLayer);
  if (record.crsBefore) doc.setCrs(*record.crsBefore);
  return skipped;
}

}  // namespace tinhost
