// TDisplayStrDlg: shows a result text (the area and cut-and-fill reports) and
// offers, with a check box, to place it in the drawing.  Dialog resource
// 11005: item 2 the text, item 3 the check box; help view 4.
//
// The caller creates it, initialises it, runs DoDialog, asks GetMakeText after
// a confirmed run (and places the text when it is true), then Free and delete.
#pragma once

#include "plugin/dialogs/MsgDlg.h"

constexpr std::int16_t kDisplayStrDlgResource = 11005;
constexpr std::int16_t kDisplayStrItemText = 2;
constexpr std::int16_t kDisplayStrItemMakeText = 3;
constexpr std::int16_t kDisplayStrHelpView = 4;

class TDisplayStrDlg final : public THMDialog {
 public:
  Str255 fDisplayStr;
  bool fMakeText = false;

  TDisplayStrDlg() = default;
  // Copies `text` (cut to 254 characters); the box starts unchecked.
  bool IDisplayStrDlg(KVCallback cb, const unsigned char* text);
  bool Prep() override;
  bool ImportData() override;
  // Reads the check box into fMakeText and returns it.
  bool GetMakeText();
};
