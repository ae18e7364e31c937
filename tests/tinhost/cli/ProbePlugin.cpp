// A small plug-in that drives the host through the callback block in fixed,
// checkable ways, so the command line's contract (what is saved, what is
// printed, which answers reach the dialogs) can be tested apart from the
// terrain plug-in:
//   1   parameters dialog 11006; on OK adds a closed 3D polygon to the current
//       layer whose one vertex is (selected objects, item 16 in world units,
//       item 36 checked), stores data object 'PRB0'; docTouched 0.  With
//       TINHOST_PROBE_GATE=FILE in the environment it first makes FILE.entered
//       and waits while FILE exists: a long command, ended by the test
//   2   a report (result dialog) "probe report"; docTouched 1
//   3   asks two questions and reports the answers, e.g. "answers yes no"
//   4   reports whether key 58 is held: "option held" / "option not held"
//   94  adds an object but answers docTouched 1 (the host must not keep it)
//   95  an alert with two texts; docTouched 1
//   other items: 5 (not handled)
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "plugin/host/KVABI.h"

namespace {

void pstr(const std::string& s, unsigned char* out) {
  out[0] = static_cast<unsigned char>(s.size());
  std::memcpy(out + 1, s.data(), s.size());
}

std::int32_t dialogProc(void*, std::int16_t event, std::int16_t, std::int16_t) {
  return event == kKVDlgAnyBadValues ? 0 : 1;
}

bool runDialog(KVCallback cb, std::int16_t res, const char* text2 = nullptr, const char* text3 = nullptr) {
  const KVDialogRef d = cb->DialogCreate(cb, res, 0, nullptr, dialogProc);
  unsigned char buf[256];
  if (text2 != nullptr) pstr(text2, buf), cb->DlgPutString(cb, d, 2, buf);
  if (text3 != nullptr) pstr(text3, buf), cb->DlgPutString(cb, d, 3, buf);
  const bool ok = cb->DialogRun(cb, d) != 0;
  if (res == 11006 && ok) {
    std::int32_t interval = 0;
    cb->DlgGetCoord(cb, d, 16, &interval);
    const std::int32_t smooth = cb->DlgGetChkRadio(cb, d, 36);
    const KVObj poly = cb->Create3DPoly(cb);
    cb->Add3DVertex(cb, poly, KVPoint3D{cb->NumSelectedObjects(cb), interval, smooth});
    cb->Add3DVertex(cb, poly, KVPoint3D{1, 1, 1});
    cb->Add3DVertex(cb, poly, KVPoint3D{2, 0, 1});
    cb->SetPolyShapeClose(cb, poly, 1);
    cb->AddObjectToContainer(cb, poly, cb->GetCurrentLayer(cb));
    cb->AddAfterSwapObject(cb, poly);
  }
  cb->DialogDispose(cb, d);
  return ok;
}

void waitAtGate() {
  const char* gate = std::getenv("TINHOST_PROBE_GATE");
  if (gate == nullptr) return;
  std::ofstream(std::string(gate) + ".entered") << "";
  for (int i = 0; i < 3000 && std::filesystem::exists(gate); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

std::int32_t command(std::int16_t item, KVCallback cb) {
  switch (item) {
    case 1: {
      waitAtGate();
      cb->SetUndoMethod(cb, kKVUndoPluginCommand);
      if (!runDialog(cb, 11006)) return 1;
      const KVObj header = cb->GetDrawingHeader(cb);
      if (cb->FindDataObject(cb, header, 0x50524230) == nullptr) {
        KVHandle h = cb->NewDataObject(cb, header, 0x50524230, 4);
        if (h != nullptr) std::memcpy(*h, "abcd", 4);
      }
      return 0;
    }
    case 2: runDialog(cb, 11005, "probe report"); return 1;
    case 3: {
      const bool a = cb->Confirm(cb, 11101, 16, 0) != 0, b = cb->Confirm(cb, 11101, 16, 0) != 0;
      runDialog(cb, 11005, (std::string("answers ") + (a ? "yes" : "no") + " " + (b ? "yes" : "no")).c_str());
      return 1;
    }
    case 4: {
      std::uint8_t keys[16] = {};
      cb->GetKeys(cb, keys);
      runDialog(cb, 11005, (keys[58 / 8] >> (58 % 8)) & 1 ? "option held" : "option not held");
      return 1;
    }
    case 94: {
      const KVObj poly = cb->Create3DPoly(cb);
      cb->Add3DVertex(cb, poly, KVPoint3D{7, 7, 7});
      cb->AddObjectToContainer(cb, poly, cb->GetCurrentLayer(cb));
      return 1;
    }
    case 95: runDialog(cb, 11002, "probe alert", "second text"); return 1;
    default: return 5;
  }
}

}  // namespace

// Exported under the symbol the host looks for.
extern "C" __attribute__((visibility("default"))) std::int32_t ProbeEntry(std::int16_t action, const void* msg,
                                                                          void** slot, KVCallback cb) __asm__("main");

extern "C" std::int32_t ProbeEntry(std::int16_t action, const void* msg, void**, KVCallback cb) {
  if (action != 3 || msg == nullptr) return 0;
  return command(static_cast<const KVMenuMessage*>(msg)->menuItem, cb);
}
