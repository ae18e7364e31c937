#include "plugin/analysis/ReportText.h"

#include <cstring>

#include "plugin/dialogs/DisplayStrDlg.h"
#include "plugin/host/KVEmul.h"
#include "plugin/model/TTIN.h"
#include "plugin/shell/Trace.h"

void FormatFixed2(KVCallback cb, double value, Str255 out) {
  const KVDecForm form{1, 2};  // fixed point, two digits after the point
  KVDecimal decimal{};
  out[0] = 0;
  KVE_NumToDecimal(cb, &form, value, &decimal);
  KVE_DecimalToString(cb, &form, &decimal, out);
}

void FormatNumber(KVCallback cb, double value, TNumberText out) {
  Str255 full;
  FormatFixed2(cb, value, full);
  PCopy(out, full, kNumberTextCapacity);
}

void AppendString(unsigned char* dst, const unsigned char* src, int capacity) {
  const int have = PLen(dst);
  int n = PLen(src);
  if (have + n + 1 > capacity) n = capacity - have - 1;
  if (n <= 0) return;
  std::memmove(dst + 1 + have, src + 1, static_cast<std::size_t>(n));
  dst[0] = static_cast<unsigned char>(have + n);
}

void ShowReport(KVCallback cb, TTIN* tin, const unsigned char* text, std::int32_t* docTouched) {
  auto* dlg = new TDisplayStrDlg();
  if (dlg == nullptr) {
    Trace(kTraceShell, "ShowReport: no memory for the result dialog\n");
    return;
  }
  if (dlg->IDisplayStrDlg(cb, text)) {
    if (dlg->DoDialog() && dlg->GetMakeText()) {
      tin->CreateTextObject(text);
      *docTouched = 0;
    }
  } else {
    Trace(kTraceShell, "ShowReport: IDisplayStrDlg failed\n");
  }
  dlg->Free();
  delete dlg;
}
