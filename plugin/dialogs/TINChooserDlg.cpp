#include "plugin/dialogs/TINChooserDlg.h"

#include "plugin/dialogs/PopUps.h"
#include "plugin/model/TTIN.h"
#include "plugin/shell/LandMgr.h"
#include "plugin/shell/Trace.h"

bool TTINChooserDlg::ITINChooserDlg(KVCallback cb, TLandMgr* mgr) {
  if (!IHMDialog(kChooserDlgResource, 10, cb)) {
    Trace(kTraceShell, "ITINChooserDlg , IHMDialog failed");
    return false;
  }
  fLandMgr = mgr;
  fPopupName3D = fPopupName2D = fPopupNameData = nullptr;
  fChoice3D = fChoice2D = fChoiceData = 1;
  return true;
}

void TTINChooserDlg::Free() {
  FreePopUp(&fPopupName3D);
  FreePopUp(&fPopupName2D);
  FreePopUp(&fPopupNameData);
  THMDialog::Free();
}

bool TTINChooserDlg::Prep() {
  fPopupName3D = MakePopUp(this, kChooserItemName, kChooserMenuName);
  if (fPopupName3D == nullptr) {
    Trace(kTraceShell, "fPopupName3D = new TPopUp problem in TTINChooserDlg::Prep\n");
    return false;
  }
  fPopupName2D = MakePopUp(this, kChooserItem2D, kChooserMenu2D);
  if (fPopupName2D == nullptr) {
    Trace(kTraceShell, "fPopupName2D = new TPopUp problem in TTINChooserDlg::Prep\n");
    return false;
  }
  fPopupNameData = MakePopUp(this, kChooserItem3D, kChooserMenu3D);
  if (fPopupNameData == nullptr) {
    Trace(kTraceShell, "fPopupNameData = new TPopUp problem in TTINChooserDlg::Prep\n");
    return false;
  }
  AddPopUp(fPopupName3D);
  AddPopUp(fPopupName2D);
  AddPopUp(fPopupNameData);
  SetHelpView(kChooserHelpView);
  return true;
}

bool TTINChooserDlg::ImportData() { return true; }

void TTINChooserDlg::First() {
  EmptyPopUp(fPopupName3D);
  EmptyPopUp(fPopupName2D);
  EmptyPopUp(fPopupNameData);
  if (fLandMgr == nullptr || fLandMgr->fTINList == nullptr) return;

  std::int16_t n = 0;
  for (const TLinkNode* node = fLandMgr->fTINList->fFirst; node != nullptr; node = node->next) {
    const auto* tin = static_cast<const TTIN*>(node->item);
    if (tin == nullptr) continue;
    ++n;
    AppendNamedItem(fPopupName3D, tin->fTINParams.tinName);
    AppendNamedItem(fPopupName2D, tin->fTINParams.layer2DName);
    AppendNamedItem(fPopupNameData, tin->fTINParams.layer3DName);
  }
  // An empty registry leaves the pop-ups empty, with nothing to choose.
  if (n == 0) return;
  fPopupName3D->SetChoice(fChoice3D);
  fPopupName2D->SetChoice(fChoice2D);
  fPopupNameData->SetChoice(fChoiceData);
  RedrawItem(kChooserItemName);
  RedrawItem(kChooserItem2D);
  RedrawItem(kChooserItem3D);
}

void TTINChooserDlg::PopUpHit(std::int16_t item, std::int16_t choice) {
  fChoice3D = fChoice2D = fChoiceData = choice;
  const struct {
    std::int16_t item;
    TPopUp* popUp;
  } all[] = {{kChooserItemName, fPopupName3D}, {kChooserItem2D, fPopupName2D},
             {kChooserItem3D, fPopupNameData}};
  for (const auto& p : all) {
    if (p.item == item || p.popUp == nullptr) continue;
    p.popUp->SetChoice(choice);
    RedrawItem(p.item);
  }
}
