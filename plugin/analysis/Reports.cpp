// The area and cut-and-fill reports of a TIN.  A TIN that keeps no geometry in
// the drawing (notResident) is rebuilt for the report and freed again after
// it.  Sums are taken in world units and converted to drawing units, one
// drawing unit being u world units (the first field of the units record).
#include "plugin/analysis/AnalysisErrors.h"
#include "plugin/analysis/CutFill.h"
#include "plugin/analysis/ReportText.h"
#include "plugin/analysis/TriangleSurface.h"
#include "plugin/host/KVEmul.h"
#include "plugin/host/KVUTIL.h"
#include "plugin/model/TTIN.h"
#include "plugin/model/TTINTriangle.h"
#include "plugin/output/MemLevel.h"
#include "plugin/output/UserUnit.h"
#include "plugin/shell/Trace.h"
#include "plugin/triangulate/BuildTIN.h"

namespace {

// The rebuild of a TIN kept without geometry.  A surface that needs
// breaklines cannot be rebuilt faithfully by this version of the build, so
// the report is refused rather than computed on a different surface.
TErr RebuildForReport(TTIN* tin) {
  std::uint8_t skipped = 0;
  TErr err = RebuildSurface(tin, &skipped);
  if (err == kNoErr && (skipped & kStepBreaklines) != 0) err = kErrNotBuilt;
  return err;
}

bool HasTriangles(const TTIN* tin) {
  return tin->fTINTriangleList != nullptr && tin->fTINTriangleList->fFirst != nullptr;
}

}  // namespace

TErr TTIN::CalcArea(std::int32_t* docTouched) {
  const KVCallback cb = gKVCallback;
  *docTouched = 1;
  const bool notResident = fTINParams.notResident;
  if (notResident) {
    const TErr err = RebuildForReport(this);
    if (err != kNoErr) return err;
  }

  double sum = 0.0;
  if (!HasTriangles(this)) {
    Trace(kTraceShell, "In TTIN::CalcArea no triangles\n");
  } else {
    for (const TLinkNode* node = fTINTriangleList->fFirst; node != nullptr; node = node->next) {
      const auto* tri = static_cast<const TTINTriangle*>(node->item);
      if (tri == nullptr) {
        Trace(kTraceShell, "In TTIN::CalcArea aTriangle was NULL\n");
        continue;
      }
      sum += CalcTriangleArea(tri);
    }
  }
  const double u = GetUnitsValue(cb);
  const double area = sum / u / u;

  Str255 text;
  text[0] = 0;
  KVE_GetIndString(cb, text, kReportPrefixList, kAreaPrefixIndex);
  TNumberText number;
  FormatNumber(cb, area, number);
  AppendString(text, number, kReportCapacity);

  TErr err = kNoErr;
  if (!MemLevelOK(cb)) err = kErrMemLowAreaReport;
  else ShowReport(cb, this, text, docTouched);

  if (notResident) DeleteVtxHullAndTriLists();
  return err;
}

TErr TTIN::CalcCutFillDatum(std::int32_t* docTouched) {
  const KVCallback cb = gKVCallback;
  *docTouched = 1;
  double above = 0.0, below = 0.0;
  const bool notResident = fTINParams.notResident;
  if (notResident) {
    const TErr err = RebuildForReport(this);
    if (err != kNoErr) return err;
  }

  if (!HasTriangles(this)) {
    Trace(kTraceShell, "In TTIN::CalcCutFillDatum no triangles\n");
  } else {
    for (const TLinkNode* node = fTINTriangleList->fFirst; node != nullptr; node = node->next) {
      const auto* tri = static_cast<const TTINTriangle*>(node->item);
      if (tri == nullptr) continue;
      double triAbove = 0.0, triBelow = 0.0;
      const TErr err = GetCutFillToElev(tri, fTINParams.datumElev, &triAbove, &triBelow);
      if (err != kNoErr) {
        Trace(kTraceShell, "In TTIN::CalcCutFillDatum err != noErr\n");
        return err;
      }
      above += triAbove;
      below += triBelow;
    }
  }
  const double u = GetUnitsValue(cb);
  above = above / u / u / u;
  below = below / u / u / u;
  // The cut comes first: on a surface the volume above the datum; on a
  // difference TIN (first base minus second) the volume below it.
  const double first = fTINParams.normalTIN ? above : below;
  const double second = fTINParams.normalTIN ? below : above;

  Str255 text;
  text[0] = 0;
  KVE_GetIndString(cb, text, kReportPrefixList, kCutFillPrefixIndex);
  Str255 number;
  FormatFixed2(cb, first, number);
  AppendString(text, number, kReportCapacity);
  const unsigned char separator[] = {2, ',', ' '};
  AppendString(text, separator, kReportCapacity);
  FormatFixed2(cb, second, number);
  AppendString(text, number, kReportCapacity);

  ShowReport(cb, this, text, docTouched);
  if (notResident) DeleteVtxHullAndTriLists();
  return kNoErr;
}
