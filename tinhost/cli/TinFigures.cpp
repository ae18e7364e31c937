#include "tinhost/cli/TinFigures.h"

#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <utility>

#include "tinhost/cli/Commands.h"
#include "tinhost/cli/Console.h"
#include "tinhost/cli/Session.h"
#include "tinhost/core/HostError.h"
#include "tinhost/io/CoordinateSystem.h"
#include "tinhost/io/DatumSplit.h"
#include "tinhost/io/TextRows.h"
#include "tinhost/io/TinGraphics.h"

namespace tinhost::cli {
namespace {

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::vector<StoredTIN> storedTINs(const Host& host) {
  try {
    return readStoredTINs(host.dataObjects());
  } catch (const HostError& e) {
    throw UsageError(std::string("cannot tell the drawing's TINs: ") + e.what());
  }
}

// By name, else by its number in stored order.
std::size_t indexOf(const std::vector<StoredTIN>& tins, const std::string& name) {
  if (tins.empty())
    throw UsageError(
        "the drawing holds no TIN; build one first (tinhost run DRAWING create --layer LAYER)");
  for (std::size_t i = 0; i < tins.size(); ++i)
    if (tins[i].name == name) return i;
  const auto n = io::parseNumber(name);
  if (n && *n >= 1 && *n <= static_cast<double>(tins.size()) &&
      *n == static_cast<double>(static_cast<std::int64_t>(*n)))
    return static_cast<std::size_t>(*n) - 1;
  std::string list;
  for (std::size_t i = 0; i < tins.size(); ++i)
    list += (i == 0 ? "" : ", ") + std::to_string(i + 1) + " " + quoted(tins[i].name);
  throw UsageError("the drawing has no TIN " + quoted(name) + "; its TINs: " + list);
}

// Runs one of the plug-in's report commands on the TIN, as `run` does, and
// returns its report line.  The drawing is put back as it was: the reports
// place no text.
std::string pluginReport(Session& s, const std::string& command, const std::string& tin,
                         const std::string& plugin) {
  RunArgs args;
  args.plugin = plugin;
  args.command = command;
  args.choose = tin;
  std::istringstream in;
  std::ostringstream out, err;
  Console io{in, out, err};
  const Outcome outcome = runMenuCommand(s, args, io);
  std::string line;
  std::istringstream lines(out.str());
  std::string last;
  while (std::getline(lines, line))
    if (!line.empty()) last = line;
  if (outcome.status != kExitOk || last.empty())
    throw UsageError("the plug-in's " + command + " on TIN " + quoted(tin) + " gave no report" +
                     (err.str().empty() ? "" : ": " + std::string(io::trim(err.str()))));
  return last;
}

// The numbers at the end of a report line: "...: 2555745.18, 24618.60".
std::vector<double> trailingNumbers(const std::string& report, std::size_t count) {
  static const std::regex number(R"(-?[0-9]+(?:\.[0-9]+)?)");
  std::vector<double> all;
  for (auto it = std::sregex_iterator(report.begin(), report.end(), number);
       it != std::sregex_iterator(); ++it)
    all.push_back(std::stod(it->str()));
  if (all.size() < count)
    throw UsageError("cannot read the figures of the plug-in's report \"" + report + "\"");
  return {all.end() - static_cast<std::ptrdiff_t>(count), all.end()};
}

// The triangles as the plug-in drew them, for a TIN that keeps only its
// parameters; each triangle gets its own three vertices.
std::optional<TinSurface> drawnSurface(Session& s, const StoredTIN& tin) {
  const Host& host = s.host();
  const io::TinNames names(host);
  const io::ExportScope scope(host, s.drawing(), names.layersFor({tin.name}));
  for (const io::TinGraphics& g : io::collectTins(scope, names)) {
    if (g.name != tin.name || g.triangles.empty()) continue;
    TinSurface surface;
    for (const DrawingObject* t : g.triangles) {
      const auto first = static_cast<std::int32_t>(surface.vertices.size());
      for (std::size_t c = 0; c < 3; ++c) {
        const Vertex& v = t->vertices[c];
        surface.vertices.push_back({double(v.x), double(v.y), double(v.z)});
      }
      surface.triangles.push_back({first, first + 1, first + 2});
    }
    return surface;
  }
  return std::nullopt;
}

std::int64_t distinctPoints(const TinSurface& surface) {
  std::map<std::pair<double, double>, int> seen;
  for (const auto& v : surface.vertices) seen.emplace(std::make_pair(v.x, v.y), 0);
  return static_cast<std::int64_t>(seen.size());
}

std::string unitSymbol(const Document& doc) {
  const std::string words = io::drawingUnitWords(doc);
  return words == "metre"            ? "m"
         : words == "foot"           ? "ft"
         : words == "US survey foot" ? "ftUS"
                                     : words;
}

}  // namespace

TinFigures gatherTinFigures(Session& s, const std::string& name, TinSurface* surfaceOut,
                            const std::string& plugin) {
  const std::vector<StoredTIN> tins = storedTINs(s.host());
  const std::size_t index = indexOf(tins, name);
  const StoredTIN& tin = tins[index];
  TinFigures f;
  f.name = tin.name;
  f.difference = tin.difference;
  for (const StoredTIN& t : tins) {
    if (t.id == tin.innerId) f.innerBase = t.name;
    if (t.id == tin.outerId) f.outerBase = t.name;
  }

  TinSurface surface;
  if (!tin.notResident && tin.triangleCount > 0) {
    surface = readStoredSurface(s.host().dataObjects(), index, s.host().document().units());
    f.trianglesFrom = "the TIN as the drawing stores it";
    f.points = tin.vertexCount;
  } else if (std::optional<TinSurface> drawn = drawnSurface(s, tin)) {
    surface = std::move(*drawn);
    f.trianglesFrom = "the TIN's 3D triangles drawn on its layer";
    f.points = distinctPoints(surface);
  } else {
    f.areasMissing =
        "TIN " + quoted(tin.name) +
        " keeps no geometry in the drawing and its 3D triangles are not drawn; draw them with: "
        "tinhost run " +
        s.drawing().string() + " change --choose " + quoted(tin.name) +
        " --set want3DTris=1 (or keep the TIN with --set notResident=0)";
  }
  f.triangles = static_cast<std::int64_t>(surface.triangles.size());

  f.areaReport = pluginReport(s, "area", tin.name, plugin);
  f.area = trailingNumbers(f.areaReport, 1)[0];
  f.cutFillReport = pluginReport(s, "cutfill", tin.name, plugin);
  const std::vector<double> volumes = trailingNumbers(f.cutFillReport, 2);
  // An ordinary TIN reports the volume above the datum first; a difference
  // TIN the volume below first.
  f.cut = tin.difference ? volumes[1] : volumes[0];
  f.fill = tin.difference ? volumes[0] : volumes[1];

  const Document& doc = s.host().document();
  const double u = doc.units().worldPerUnit;
  const io::DatumAreas areas =
      io::areasAgainstDatum(surface, worldOfStored(tin.datumElev, doc.units()));
  f.areaInCut = areas.cut / (u * u);
  f.areaInFill = areas.fill / (u * u);
  f.areaLevel = areas.level / (u * u);
  f.datum = worldOfStored(tin.datumElev, doc.units()) / u;
  f.unit = unitSymbol(doc);
  f.unitWords = io::drawingUnitWords(doc);
  f.coordinateSystem = io::drawingCrsOrLocal(doc).describe();
  if (surfaceOut != nullptr) *surfaceOut = std::move(surface);
  return f;
}

std::vector<TinFigures> gatherAllTinFigures(Session& s, const std::string& plugin) {
  const std::vector<StoredTIN> tins = storedTINs(s.host());
  if (tins.empty())
    throw UsageError(
        "the drawing holds no TIN; build one first (tinhost run DRAWING create --layer LAYER)");
  std::vector<TinFigures> all;
  for (const StoredTIN& t : tins) all.push_back(gatherTinFigures(s, t.name, nullptr, plugin));
  return all;
}

}  // namespace tinhost::cli
