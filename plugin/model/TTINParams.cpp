#include "plugin/model/TTINParams.h"

#include "plugin/host/KVESDK.h"
#include "plugin/host/KVEmul.h"
#include "plugin/output/UserUnit.h"

static void NameWithSuffix(KVCallback cb, unsigned char* dst, const unsigned char* stem,
                           std::int16_t suffixIndex) {
  Str255 suffix;
  suffix[0] = 0;
  KVE_GetIndString(cb, suffix, kSuffixList, suffixIndex);
  PCopy(dst, stem, kNameCapacity);
  PAppend(dst, suffix, kNameCapacity);
}

void InitTINParams(KVCallback cb, TTINParams* p) {
  Str255 layerName;
  layerName[0] = 0;
  KV_GetObjectName(cb, KV_GetCurrentLayer(cb), layerName);
  PCopy(p->tinName, layerName, kNameCapacity);
  if (!p->normalTIN) {
    Str21 stem;
    PCopy(stem, p->tinName, kNameCapacity);
    NameWithSuffix(cb, p->tinName, stem, kDiffTINSuffixIndex);
  }
  NameWithSuffix(cb, p->layer2DName, p->tinName, kLayer2DSuffixIndex);
  NameWithSuffix(cb, p->layer3DName, p->tinName, kLayer3DSuffixIndex);

  const std::int32_t unit = GetUnitsValue(cb);
  p->contourInterval = unit;
  p->indexContourEvery = kDefaultIndexContourEvery;
  p->datumElev = 0;
  p->contourBaseElev = 0;
  p->lowContourElev = 0;
  p->highContourElev = unit;
  p->cntr2DVtxKind = kContourCorners;
  p->want2DCntr = true;
  p->want3DTris = true;
  p->want2DTris = false;
  p->want3DCntr = false;
  p->labelCntrs = false;
  p->wantHull = false;
  p->makeGroups = true;
  p->useBrklns = true;
  p->notResident = true;
  p->spareFlag = false;
}

void ApplyDefaultInterval(TTINParams* p, std::int32_t low, std::int32_t high) {
  if (high > low)
    p->contourInterval = static_cast<std::int32_t>(
        (static_cast<std::int64_t>(high) - low) / kDefaultIntervalDivisor);
}
