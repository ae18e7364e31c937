// TMsgDlg: a modal message of two lines (dialog resource 11002, items 2 and 3).
// The dispatcher's error alerts and the parameters dialog's refusals use it.
#pragma once

#include "plugin/host/KVUTIL.h"
#include "plugin/host/Str255.h"

constexpr std::int16_t kMsgDlgResource = 11002;
// Texts given at initialisation are copied with at most 254 characters.
constexpr int kDlgTextCapacity = 254;

class TMsgDlg final : public THMDialog {
 public:
  Str255 fMsg;
  Str255 fMsg2;

  TMsgDlg() = default;
  bool IMsgDlg(KVCallback cb, const unsigned char* m1, const unsigned char* m2);
  bool ImportData() override;
};

// Create, run and free a message dialog with the two texts.  Nothing is shown
// when the dialog cannot be allocated or initialised.
void ShowMessage(KVCallback cb, const unsigned char* m1, const unsigned char* m2);
