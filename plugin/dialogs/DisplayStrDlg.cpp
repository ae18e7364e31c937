#include "plugin/dialogs/DisplayStrDlg.h"

#include "plugin/shell/Trace.h"

bool TDisplayStrDlg::IDisplayStrDlg(KVCallback cb, const unsigned char* text) {
  if (!IHMDialog(kDisplayStrDlgResource, 4, cb)) {
    Trace(kTraceShell, "IDisplayStrDlg , IHMDialog failed");
    return false;
  }
  PCopy(fDisplayStr, text, kDlgTextCapacity);
  fMakeText = false;
  return true;
}

bool TDisplayStrDlg::Prep() {
  SetHelpView(kDisplayStrHelpView);
  return true;
}

bool TDisplayStrDlg::ImportData() {
  PutDlgString(kDisplayStrItemText, fDisplayStr);
  PutDlgChkRadio(kDisplayStrItemMakeText, fMakeText);
  return true;
}

bool TDisplayStrDlg::GetMakeText() {
  fMakeText = GetDlgChkRadio(kDisplayStrItemMakeText);
  return fMakeText;
}
