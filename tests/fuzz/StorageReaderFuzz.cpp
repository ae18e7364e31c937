// The reader of the stored TIN data on arbitrary bytes (the plug-in's part of
// the data object, after the host's 22 bytes).  Whatever the bytes, reading
// must end with a code or a registry, free everything it made and leave the
// object as it was.  What it accepts must be written back as data that reads
// again and settles: after one normalising rewrite, a second one changes no
// byte.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "plugin/host/KVUTIL.h"
#include "plugin/host/PluginMemory.h"
#include "plugin/shell/LandMgr.h"
#include "tinhost/core/Host.h"

namespace {

constexpr std::uint32_t kTag = 0x57584230;  // "WXB0"

tinhost::Host& TheHost() {
  static tinhost::Host* host = new tinhost::Host();
  return *host;
}

std::vector<std::uint8_t> Contents(tinhost::Host& host) {
  KVHandle h = host.findDataObject(kTag);
  if (h == nullptr) return {};
  auto span = host.memory().contents(h);
  return {span.begin(), span.end()};
}

// Reads the data object into a fresh manager and, when that succeeds, saves
// the registry back.  Returns the reader's code.
TErr ReadAndSave(tinhost::Host& host) {
  auto* mgr = new TLandMgr(host.callbacks());
  mgr->fTINList = TLinkedList::New();
  if (mgr->fTINList == nullptr || !mgr->fTINList->ILinkedList()) std::abort();
  const std::vector<std::uint8_t> before = Contents(host);
  TErr err = mgr->ReadAllData(host.findDataObject(kTag));
  if (Contents(host) != before) std::abort();  // reading changed the object
  if (err == kNoErr && mgr->SaveAllTINs() != kNoErr) std::abort();
  delete mgr;
  return err;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  tinhost::Host& host = TheHost();
  gKVCallback = host.callbacks();

  const auto total = static_cast<std::int32_t>(22 + size);
  KVHandle h = host.newDataObject(kTag, total);
  Check(h != nullptr);
  std::memset(*h, 0, 22);
  if (size > 0) std::memcpy(*h + 22, data, size);

  if (ReadAndSave(host) == kNoErr && host.findDataObject(kTag) != nullptr) {
    // Accepted: the rewrite reads again; the second rewrite is a fixed point.
    Check(ReadAndSave(host) == kNoErr);
    if (host.findDataObject(kTag) != nullptr) {
      const std::vector<std::uint8_t> settled = Contents(host);
      Check(ReadAndSave(host) == kNoErr);
      Check(Contents(host) == settled);
    }
  }
  Check(host.memory().stats().pluginBlocks == 0 && host.memory().stats().pluginHandles == 0);
  if (KVHandle left = host.findDataObject(kTag)) host.deleteDataObject(left);
  gKVCallback = nullptr;
  return 0;
}
