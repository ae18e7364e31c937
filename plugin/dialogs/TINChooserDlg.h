// TTINChooserDlg: the user picks one TIN of the registry.  Dialog resource
// 11003 with three pop-ups that always show the same TIN: item 7 its name,
// item 8 its 2D layer, item 9 its 3D layer (menus 11002, 11003, 11004); help
// view 10.  Entries are listed in registry order, so the chosen entry number
// is the TIN's 1-based registry position.
//
// The chooser reads the registry only in First and never changes it.
#pragma once

#include "plugin/host/KVUTIL.h"

class TLandMgr;

constexpr std::int16_t kChooserDlgResource = 11003;
constexpr std::int16_t kChooserItemName = 7;
constexpr std::int16_t kChooserItem2D = 8;
constexpr std::int16_t kChooserItem3D = 9;
constexpr std::int16_t kChooserMenuName = 11002;
constexpr std::int16_t kChooserMenu2D = 11003;
constexpr std::int16_t kChooserMenu3D = 11004;
constexpr std::int16_t kChooserHelpView = 10;

class TTINChooserDlg final : public THMDialog {
 public:
  TLandMgr* fLandMgr = nullptr;
  TPopUp* fPopupName3D = nullptr;    // item 7: tinName (owned)
  TPopUp* fPopupName2D = nullptr;    // item 8: layer2DName (owned)
  TPopUp* fPopupNameData = nullptr;  // item 9: layer3DName (owned)
  std::int16_t fChoice3D = 1;        // 1-based; the three are equal after a choice
  std::int16_t fChoice2D = 1;
  std::int16_t fChoiceData = 1;

  TTINChooserDlg() = default;
  bool ITINChooserDlg(KVCallback cb, TLandMgr* mgr);

  // Frees and deletes the pop-ups, then the dialog.
  void Free() override;
  // Creates and attaches the three pop-ups; false when one cannot be made.
  bool Prep() override;
  bool ImportData() override;
  // Lists every TIN of the registry in each pop-up and shows the choices.
  void First() override;
  // Moves the two other pop-ups to the entry chosen in one of them.
  void PopUpHit(std::int16_t item, std::int16_t choice) override;

  // The chosen TIN's 1-based registry position.
  std::int16_t GetChosenTINNum() const { return fChoice3D; }
};
