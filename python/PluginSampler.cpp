#include "python/PluginSampler.h"

#include <cstdio>
#include <string>

#include "plugin/analysis/DiffTIN.h"
#include "plugin/analysis/SurfaceSampler.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/model/TTIN.h"
#include "plugin/shell/LandMgr.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/core/StoredTINs.h"

namespace tinhost::python {
namespace {

// The plug-in's module-wide callback value (its allocator's way to the host)
// set while plug-in code runs here (loading, sampling, releasing), and put
// back after.
class CallbackScope {
 public:
  explicit CallbackScope(KVCallback cb) : saved_(gKVCallback) { gKVCallback = cb; }
  ~CallbackScope() { gKVCallback = saved_; }
  CallbackScope(const CallbackScope&) = delete;
  CallbackScope& operator=(const CallbackScope&) = delete;

 private:
  KVCallback saved_;
};

const TTIN* tinAt(const TLandMgr& mgr, std::size_t index) {
  std::size_t k = 0;
  for (const TLinkNode* node = mgr.fTINList->fFirst; node != nullptr; node = node->next, ++k)
    if (k == index) return static_cast<const TTIN*>(node->item);
  return nullptr;
}

}  // namespace

struct StoredTINSampler::Loaded {
  explicit Loaded(KVCallback cb) : mgr(cb) {}
  TLandMgr mgr;  // releases every TIN it read
  const TTIN* tin = nullptr;
  TSurfaceSampler sampler;  // without its memory, the scans answer the same
};

StoredTINSampler::StoredTINSampler(Host& host, std::size_t index) : host_(host) {
  const KVHandle data = host.findDataObject(kTINDataTag);
  if (data == nullptr) throw HostError("the drawing holds no TINs");
  const CallbackScope scope(host.callbacks());
  loaded_ = std::make_unique<Loaded>(host.callbacks());
  TLandMgr& mgr = loaded_->mgr;
  try {
    mgr.fTINList = TLinkedList::New();
    if (mgr.fTINList == nullptr || !mgr.fTINList->ILinkedList())
      throw HostError("not enough memory to read the drawing's TINs");
    if (const TErr err = mgr.ReadAllData(data); err != kNoErr) {
      char code[16];
      std::snprintf(code, sizeof code, "0x%X", static_cast<unsigned>(err));
      throw HostError(std::string("the plug-in cannot read the drawing's TINs (error ") + code + ")");
    }
    const TTIN* tin = tinAt(mgr, index);
    if (tin == nullptr) throw HostError("the drawing stores no TIN number " + std::to_string(index + 1));
    if (tin->fTINParams.notResident)
      throw HostError("the TIN is kept without its triangles (notResident); create or change it with "
                      "notResident=0 to store them");
    loaded_->tin = tin;
    loaded_->sampler.Build(tin);
  } catch (...) {
    loaded_.reset();  // while the plug-in can still reach the host
    throw;
  }
}

StoredTINSampler::~StoredTINSampler() {
  const CallbackScope scope(host_.callbacks());
  loaded_.reset();
}

std::vector<std::optional<std::int32_t>> StoredTINSampler::sample(std::span<const WorldPoint> points) const {
  const CallbackScope scope(host_.callbacks());
  std::vector<std::optional<std::int32_t>> out(points.size());
  for (std::size_t k = 0; k < points.size(); ++k) {
    std::int32_t z = 0;
    if (SampleElevAtXY(loaded_->tin, &loaded_->sampler, KVPoint2D{points[k].y, points[k].x}, &z)) out[k] = z;
  }
  return out;
}

}  // namespace tinhost::python
