// The error codes a command may report, and the code behind an alert.
//
// A code is known when it is in the table of error groups (memory 1..0x14,
// drawing stopped, dialogs, the refusals of groups 6 to 8 and 16, 17, the
// triangulation group 9, storage 12 and 13, contours 14, collection 15) or is
// one of the codes the plug-in adds to those groups for its bounded walks and
// its checks of stored data.  0x50000 (cancel) is never reported and is not
// in the set.  (0xE0005 is the contour walk that runs past the number of
// triangles; its header cannot be included beside the triangulation's.)
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "plugin/analysis/AnalysisErrors.h"
#include "plugin/host/KVESDK.h"
#include "plugin/host/Str255.h"
#include "plugin/shell/Errors.h"
#include "plugin/triangulate/TriangulateErrors.h"
#include "tinhost/core/Host.h"

inline bool IsKnownErrorCode(TErr e) {
  auto in = [e](TErr lo, TErr hi) { return e >= lo && e <= hi; };
  if (e == 1 || in(0x10001, 0x10014) || e == 0x30001 || e == 0x30002) return true;
  if (in(0x40001, 0x40003) || e == 0x40065) return true;
  if (e == 0x60000 || e == 0x70000 || e == 0x80000 || e == 0xD0000 || e == 0xF0000) return true;
  if (in(0x90001, 0x9003F) || in(0xC0001, 0xC0007)) return true;
  if (in(0xE0001, 0xE0004) || e == 0xE0006 || e == 0x100000 || e == 0x110000) return true;
  for (TErr added : {kErrRepairNoMemory, kErrHullNotClosed, kErrDiffBaseNoGeometry, 0xE0005 /* contour walk runaway */,
                     kErrStoredDataShort, kErrStoredCount, kErrStoredReference, kErrRecordVersion})
    if (e == added) return true;
  return false;
}

// The code an alert reports: the group from its first text (the entry of
// string list 11102), the detail from "<prefix>G, D" in its second.
inline std::optional<TErr> AlertCode(tinhost::Host& host, const tinhost::AlertRecord& alert) {
  KVCallback cb = host.callbacks();
  Str255 s;
  std::optional<std::int16_t> group;
  for (std::int16_t g = 0; g <= 20 && !group; ++g) {
    s[0] = 0;
    cb->GetIndString(cb, s, 11102, g);
    if (s[0] != 0 && std::string(PView(s)) == alert.text) group = g;
  }
  if (!group) return std::nullopt;
  if (alert.detail.empty()) return static_cast<TErr>(*group) << 16;
  s[0] = 0;
  cb->GetIndString(cb, s, 11101, 5);
  const std::string prefix(PView(s));
  if (alert.detail.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  int g = 0, d = 0;
  if (std::sscanf(alert.detail.c_str() + prefix.size(), "%d, %d", &g, &d) != 2 || g != *group) return std::nullopt;
  return static_cast<TErr>((static_cast<std::uint32_t>(g) << 16) | static_cast<std::uint16_t>(d));
}
