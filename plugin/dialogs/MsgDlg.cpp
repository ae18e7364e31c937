#include "plugin/dialogs/MsgDlg.h"

#include "plugin/shell/Trace.h"

bool TMsgDlg::IMsgDlg(KVCallback cb, const unsigned char* m1, const unsigned char* m2) {
  if (!IHMDialog(kMsgDlgResource, 3, cb)) {
    Trace(kTraceShell, "IMsgDlg , IHMDialog failed");
    return false;
  }
  PCopy(fMsg, m1, kDlgTextCapacity);
  PCopy(fMsg2, m2, kDlgTextCapacity);
  return true;
}

bool TMsgDlg::ImportData() {
  PutDlgString(2, fMsg);
  PutDlgString(3, fMsg2);
  return true;
}

void ShowMessage(KVCallback cb, const unsigned char* m1, const unsigned char* m2) {
  auto* dlg = new TMsgDlg();
  if (dlg == nullptr) return;
  if (dlg->IMsgDlg(cb, m1, m2)) dlg->DoDialog();
  dlg->Free();
  delete dlg;
}
