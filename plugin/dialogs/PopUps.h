// Helpers for the pop-up menus of the plug-in's dialogs.
#pragma once

#include <cstdint>

#include "plugin/host/KVUTIL.h"

// A pop-up of `item` with the host menu `menuId`, initialised; null when it
// cannot be allocated or initialised (nothing is left over then).
TPopUp* MakePopUp(TDialog* dialog, std::int16_t item, std::int16_t menuId);
// Frees and deletes *popUp when it exists, and clears the reference.
void FreePopUp(TPopUp** popUp);
// Deletes every entry.
void EmptyPopUp(TPopUp* popUp);
// Appends an entry showing `name` (cut to 21 characters).  The entry is made
// with a one-character placeholder and then renamed, so that no character of
// the name is read as a menu control character.
void AppendNamedItem(TPopUp* popUp, const unsigned char* name);
