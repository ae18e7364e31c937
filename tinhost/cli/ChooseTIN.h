// --choose NAME (or NUMBER): the TIN that change, area, cutfill and delete
// work on.  The plug-in takes the TIN of the current layer without asking,
// and shows its chooser only when the current layer carries none; so the
// command line does what a person does before picking the menu item: it
// makes the TIN's own layer (the one named like the TIN) current for the
// command.  The TIN is looked up among those the drawing stores, before
// anything changes; a name no TIN has, or a TIN the plug-in would not take
// from its layer, is a usage error that says what there is.
#pragma once

#include <cstdint>
#include <string>

#include "tinhost/core/Document.h"

namespace tinhost {
class Host;
}

namespace tinhost::cli {

struct ChosenTIN {
  std::string name;
  ObjId layer = kNoObject;  // to make current for the command
};

// Throws UsageError naming the command, what was asked and the TINs there are.
ChosenTIN resolveChosenTIN(const Host& host, const std::string& command, std::int16_t menuItem,
                           const std::string& choose);

}  // namespace tinhost::cli
