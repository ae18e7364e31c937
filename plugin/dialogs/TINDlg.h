// TTINDlg: the TIN parameters dialog.  The create, change and difference
// commands open it on a copy of the TIN's parameters and, on OK, copy the
// edited values back with GetTINParams.
//
// Resource 11006 for an ordinary TIN, 11007 for a difference TIN; help view 40.
// Items:
//   13 tinName (shown)     14 layer2DName       15 layer3DName
//   16 contourInterval     17 indexContourEvery 18 datumElev
//   19 contourBaseElev     20 lowContourElev    21 highContourElev
//   22-24 difference TIN captions
//   25 outer base pop-up, 26 inner base pop-up  (new difference TIN only)
//   27 outer base name, 28 inner base name      (existing difference TIN only)
//   30-35 want2DCntr, want3DTris, want2DTris, want3DCntr, labelCntrs, wantHull
//   36 smoothed 2D contours   37-39 makeGroups, useBrklns, notResident
//   44-46 low end, high end and extent of the elevation range
//
// "New difference TIN" below means a difference TIN (normalTIN false) that has
// no vertex list: it is being created, or it keeps no geometry in the drawing.
// Its bases are picked in the pop-ups, and the TIN of item 26 must lie inside
// the TIN of item 25 (bounding rectangles of the hulls).
#pragma once

#include <cstdint>

#include "plugin/host/KVUTIL.h"
#include "plugin/model/TTINParams.h"

class TTIN;

constexpr std::int16_t kTINDlgResource = 11006;
constexpr std::int16_t kDiffTINDlgResource = 11007;
constexpr std::int16_t kTINDlgHelpView = 40;
constexpr std::int16_t kOuterBaseMenu = 11000;  // item 25
constexpr std::int16_t kInnerBaseMenu = 11001;  // item 26

// String list 11100: the dialog's refusals, by message index.
constexpr std::int16_t kTINDlgMessages = 11100;
// String list 11101: the name shown for a missing base, and the question
// asked before more than kMaxContoursUnasked contours are drawn.
constexpr std::int16_t kMissingBaseIndex = 12;
constexpr std::int16_t kManyContoursQuestion = 16;
constexpr std::int32_t kMaxContoursUnasked = 50;
// Layer names typed in the dialog have at most this many characters.
constexpr int kMaxLayerNameLength = 20;

enum TTINDlgItem : std::int16_t {
  kItemTINName = 13,
  kItemLayer2D = 14,
  kItemLayer3D = 15,
  kItemInterval = 16,
  kItemIndexEvery = 17,
  kItemDatum = 18,
  kItemContourBase = 19,
  kItemLowContour = 20,
  kItemHighContour = 21,
  kItemDiffFirst = 22,  // 22 to 28: difference TIN items
  kItemOuterPopUp = 25,
  kItemInnerPopUp = 26,
  kItemOuterName = 27,
  kItemInnerName = 28,
  kItemWant2DCntr = 30,  // 30 to 35: six flags in record order
  kItemSmooth2D = 36,
  kItemMakeGroups = 37,  // 37 to 39: three flags in record order
  kItemElevLow = 44,
  kItemElevHigh = 45,
  kItemElevExtent = 46,
};

class TTINDlg final : public THMDialog {
 public:
  TTIN* fTIN = nullptr;  // not owned
  TTINParams fTINParams{};
  std::int32_t fElevLow = 0;
  std::int32_t fElevHigh = 0;
  TPopUp* fBasePopUp26 = nullptr;  // owned; only for a new difference TIN
  TPopUp* fBasePopUp25 = nullptr;
  std::int16_t fChoice26 = 2;  // 1-based registry positions
  std::int16_t fChoice25 = 1;
  bool fNewDiffTIN = false;  // the TIN has no vertex list

  TTINDlg() = default;
  // Builds the host dialog (11006 or 11007 by params->normalTIN) and keeps the
  // TIN, a copy of `params` and the elevation range.
  bool ITINDlg(KVCallback cb, TTIN* tin, std::int32_t elevLow, std::int32_t elevHigh,
               const TTINParams* params);

  void Free() override;
  bool Prep() override;
  bool ImportData() override;
  void First() override;
  void ExportData() override;
  // The validation: true when a value is bad (the dialog then stays open).
  bool AnyBadValues() override;
  void RadioButtonHit(std::int16_t item) override;
  void PopUpHit(std::int16_t item, std::int16_t choice) override;

  // Writes the dialog's values into `out`; tinName and the spare flag come
  // from the dialog's copy, normalTIN is left as it is.
  void GetTINParams(TTINParams* out);

 private:
  bool IsDiffTIN() const { return !fTINParams.normalTIN; }
  bool IsNewDiffTIN() const { return IsDiffTIN() && fNewDiffTIN; }
  // fElevLow / fElevHigh from the TINs at the current pop-up choices.
  void ComputeDiffRange();
  void ShowElevRange();
  // Validation steps; each returns true on a bad value and names the item to
  // select and the message to show (-1: none).
  bool BadLayerName(std::int16_t item, unsigned char* name, std::int16_t* msg);
  bool BadBaseTINs(std::int16_t* msg);
  bool RefuseValue(std::int16_t item, std::int16_t msg);
};
