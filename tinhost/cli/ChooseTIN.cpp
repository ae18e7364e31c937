#include "tinhost/cli/ChooseTIN.h"

#include <vector>

#include "tinhost/cli/Console.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/core/StoredTINs.h"
#include "tinhost/io/Importer.h"
#include "tinhost/io/TextRows.h"

namespace tinhost::cli {
namespace {

// The menu items that work on one existing TIN: change, area, cut and fill, delete.
bool worksOnOneTIN(std::int16_t item) { return item == 94 || item == 2 || item == 3 || item == 95; }

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::string listOf(const std::vector<StoredTIN>& tins) {
  std::string list;
  for (std::size_t i = 0; i < tins.size(); ++i)
    list += (i == 0 ? "" : ", ") + std::to_string(i + 1) + " " + quoted(tins[i].name);
  return list;
}

// By name, else by its number in the stored order (the chooser's order).
const StoredTIN* find(const std::vector<StoredTIN>& tins, const std::string& choose) {
  for (const StoredTIN& t : tins)
    if (t.name == choose) return &t;
  const auto n = io::parseNumber(choose);
  if (n && *n >= 1 && *n <= static_cast<double>(tins.size()) && *n == static_cast<double>(static_cast<std::int64_t>(*n)))
    return &tins[static_cast<std::size_t>(*n) - 1];
  return nullptr;
}

std::string whichName(const StoredTIN& t, const std::string& layer) {
  if (t.name == layer) return "name";
  return t.layer2DName == layer ? "2D layer" : "3D layer";
}

}  // namespace

ChosenTIN resolveChosenTIN(const Host& host, const std::string& command, std::int16_t menuItem,
                           const std::string& choose) {
  const std::string asked = "run " + command + " --choose " + choose + ": ";
  if (!worksOnOneTIN(menuItem))
    throw UsageError(asked + "--choose picks the TIN of change, area, cutfill and delete; create builds from the "
                     "current layer's points (give --layer), and diff takes its TINs from --set innerBase=NAME "
                     "--set outerBase=NAME");
  std::vector<StoredTIN> tins;
  try {
    tins = readStoredTINs(host.dataObjects());
  } catch (const HostError& e) {
    throw UsageError(asked + "cannot tell the drawing's TINs: " + e.what());
  }
  if (tins.empty()) throw UsageError(asked + "the drawing holds no TIN");
  const StoredTIN* tin = find(tins, choose);
  if (tin == nullptr) throw UsageError(asked + "the drawing has no TIN " + quoted(choose) + "; its TINs: " + listOf(tins));

  ChosenTIN chosen{tin->name, io::findLayer(host, tin->name)};
  if (chosen.layer == kNoObject)
    throw UsageError(asked + "the layer " + quoted(tin->name) + " of TIN " + quoted(tin->name) +
                     " is gone, and the plug-in drops such a TIN at its next command");
  // The plug-in takes the first TIN, in stored order, that has the current
  // layer's name among its three names; only TINs whose own layer exists
  // stay in its list.
  for (const StoredTIN& t : tins) {
    if (&t == tin) break;
    if (!t.answersToLayer(tin->name) || io::findLayer(host, t.name) == kNoObject) continue;
    throw UsageError(asked + "with the layer " + quoted(tin->name) + " current the plug-in would work on TIN " +
                     quoted(t.name) + ", whose " + whichName(t, tin->name) + " is named " + quoted(tin->name) +
                     " too; give " + quoted(t.name) + " other layer names first (run change --choose " + t.name +
                     " --set layer2DName=... --set layer3DName=...)");
  }
  return chosen;
}

}  // namespace tinhost::cli
