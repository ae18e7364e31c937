#include "tinhost/io/Importer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <future>
#include <limits>
#include <optional>
#include <span>
#include <sstream>

#include "tinhost/core/Host.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/CoordinateSystem.h"
#include "tinhost/io/DxfReader.h"
#include "tinhost/io/GeoPackageReader.h"
#include "tinhost/io/ImportCrs.h"
#include "tinhost/io/LandXmlReader.h"
#include "tinhost/io/Placement.h"
#include "tinhost/io/PointOrder.h"
#include "tinhost/io/Progress.h"
#include "tinhost/io/RepeatedXY.h"
#include "tinhost/io/TextRows.h"

namespace tinhost::io {
namespace {

using file::FileError;

struct WorldPoint {
  std::int32_t x, y, z;
};

struct Bounds {
  double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;
  void add(double x, double y) {
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  bool empty() const { return minX > maxX; }
};

Bounds boundsOf(const ImportedDrawing& data) {
  Bounds bounds;
  for (const ImportedLayer& l : data.layers) {
    for (const auto& p : l.points) bounds.add(p.x, p.y);
    for (const auto& line : l.lines)
      for (const auto& v : line.vertices) bounds.add(v.x, v.y);
    for (const auto& t : l.texts) bounds.add(t.x, t.y);
  }
  return bounds;
}

class Converter {
 public:
  Converter(const std::string& name, const UnitsRecord& units, double ox, double oy)
      : name_(name), units_(units), ox_(ox), oy_(oy) {}

  WorldPoint operator()(const SurveyPoint& p) const {
    return {coord(p.x, ox_, "easting", p.line), coord(p.y, oy_, "northing", p.line),
            coord(p.z, 0.0, "elevation", p.line)};
  }
  std::int32_t coord(double real, double origin, const char* axis, std::size_t line) const {
    const auto w = toWorld(real, origin, units_.worldPerUnit);
    if (!w) fail(line, doesNotFit(axis, real, origin, units_));
    return *w;
  }

 private:
  [[noreturn]] void fail(std::size_t line, const std::string& why) const {
    throw FileError(name_ + ":" + std::to_string(line) + ": " + why + "; nothing of this file was added");
  }
  const std::string& name_;
  const UnitsRecord& units_;
  double ox_, oy_;
};

struct WorldText {
  std::int32_t x, y;
  std::int16_t size;
  const std::string* text;
};

struct WorldLayer {
  std::string name;
  std::vector<Vertex> points;
  std::vector<std::vector<WorldPoint>> lines;
  std::vector<bool> closed;
  std::vector<WorldText> texts;
};

// Text height in user units as the text block's size (100 = one unit).
std::int16_t textSize(double height) {
  const double size = std::round(height * 100.0);
  return static_cast<std::int16_t>(std::clamp(size, 1.0, 32767.0));
}

// Points of one layer that land on the same world x and y are all added; the
// TIN built from the layer keeps the first of them, so the import says so.
void reportRepeatedXY(const WorldLayer& w, const UnitsRecord& units, double ox, double oy,
                      std::vector<std::string>& warnings) {
  if (w.points.size() < 2) return;
  std::vector<std::uint64_t> keys;
  keys.reserve(w.points.size());
  for (const Vertex& p : w.points) keys.push_back(xyKey(p.x, p.y));
  const RepeatedXY r = findRepeatedXY(std::move(keys));
  if (r.count == 0) return;
  const std::string unit(unitName(units.kind));
  char text[400];
  std::snprintf(text, sizeof text,
                "%zu point(s) repeat the x and y of another point once at %d world units per %s (one at %.*f, %.*f "
                "%s); all were added, and a TIN built from them keeps the first point at each position",
                r.count, units.worldPerUnit, unit.c_str(), displayDecimals(units.worldPerUnit),
                toReal(r.x, ox, units.worldPerUnit), displayDecimals(units.worldPerUnit),
                toReal(r.y, oy, units.worldPerUnit), unit.c_str());
  warnings.emplace_back(text);
}

// Looks for repeated positions in every layer on a second thread (the
// drawing is not read there), while the caller adds the objects; get() gives
// the warnings in layer order.  Runs on the caller's thread when no thread
// can be started.
std::future<std::vector<std::string>> findRepeatedXYAside(const std::vector<WorldLayer>& layers,
                                                          const UnitsRecord& units, double ox, double oy) {
  return std::async(std::launch::async | std::launch::deferred, [&layers, units, ox, oy]() {
    std::vector<std::string> warnings;
    for (const WorldLayer& w : layers) reportRepeatedXY(w, units, ox, oy, warnings);
    return warnings;
  });
}

// Adds the points in runs, so that progress is shown between them.
void addPoints(Host& host, ObjId layer, const std::vector<Vertex>& points, const std::function<void(std::size_t)>& step) {
  constexpr std::size_t kRun = 1 << 16;
  for (std::size_t i = 0; i < points.size(); i += kRun) {
    const std::size_t n = std::min(kRun, points.size() - i);
    host.undoLog().created(host.document().addLoci(layer, std::span(points).subspan(i, n)),
                           static_cast<std::uint32_t>(n));
    step(n);
  }
}

}  // namespace

std::uint32_t findLayer(const Host& host, const std::string& name) {
  for (ObjId id : host.document().layers())
    if (host.document().get(id).name == name) return id;
  return kNoObject;
}

ImportResult importDrawingData(Host& host, const std::string& name, const ImportedDrawing& data,
                               const std::string& layerName, const std::optional<std::string>& adoptCrs) {
  Document& doc = host.document();
  ImportResult result;
  result.formatName = data.format;
  result.skipped = data.skipped;
  result.notes = data.notes;

  const Bounds bounds = boundsOf(data);
  const DocumentState& state = doc.state();  // assembled on each call: read once
  double ox = state.originX, oy = state.originY;
  if (!bounds.empty() && doc.walk(WalkScope::All).empty() && host.dataObjects().empty()) {
    ox = roundOrigin(bounds.minX, bounds.maxX);
    oy = roundOrigin(bounds.minY, bounds.maxY);
    result.originChosen = true;
  }

  // Convert everything first: a coordinate that does not fit adds nothing.
  const Converter convert(name, doc.units(), ox, oy);
  std::vector<WorldLayer> layers;
  std::size_t total = 0;
  for (const ImportedLayer& l : data.layers) {
    if (l.empty()) continue;
    WorldLayer w;
    w.name = layerName.empty() ? l.name : layerName;
    w.points.reserve(l.points.size());
    for (const auto& p : l.points) {
      const WorldPoint c = convert(p);
      w.points.push_back(Vertex{c.x, c.y, c.z, kKVVertexCorner});
    }
    for (const auto& line : l.lines) {
      w.lines.emplace_back();
      for (const auto& v : line.vertices) w.lines.back().push_back(convert(v));
      w.closed.push_back(line.closed);
    }
    for (const auto& t : l.texts)
      w.texts.push_back({convert.coord(t.x, ox, "easting", t.line), convert.coord(t.y, oy, "northing", t.line),
                         textSize(t.height), &t.text});
    result.points += w.points.size(), result.lines += w.lines.size(), result.texts += w.texts.size();
    total += w.points.size() + w.lines.size() + w.texts.size();
    layers.push_back(std::move(w));
  }

  if (result.originChosen) doc.setOrigin(ox, oy);
  result.originX = ox, result.originY = oy;

  auto repeated = findRepeatedXYAside(layers, doc.units(), ox, oy);
  const std::size_t recordsBefore = host.undoLog().history().size();
  host.beginCommand();
  try {
    Progress progress("adding " + name, total);
    std::size_t done = 0;
    auto steps = [&](std::size_t n) {
      if (((done + n) ^ done) >= 0x1000) progress.update(done + n);
      done += n;
    };
    auto step = [&]() { steps(1); };
    for (const WorldLayer& w : layers) {
      ObjId layer = w.name.empty() ? doc.currentLayer() : findLayer(host, w.name);
      if (layer == kNoObject) layer = host.createLayer(w.name, 1.0);
      const std::string shown = doc.get(layer).name.str();
      if (std::find(result.layers.begin(), result.layers.end(), shown) == result.layers.end())
        result.layers.push_back(shown);
      addPoints(host, layer, w.points, steps);
      for (std::size_t i = 0; i < w.lines.size(); ++i) {
        const ObjId poly = doc.createObject(kKVTypePoly3D);
        for (const WorldPoint& v : w.lines[i]) doc.addVertex(poly, Vertex{v.x, v.y, v.z, kKVVertexCorner});
        doc.setClosed(poly, w.closed[i]);
        doc.addToContainer(poly, layer);
        host.undoLog().created(poly);
        step();
      }
      for (const WorldText& t : w.texts) {
        const ObjId block = doc.createText(*t.text, t.x, t.y, 0, t.size);
        doc.addToContainer(block, layer);
        host.undoLog().created(block);
        step();
      }
    }
    if (adoptCrs) {
      host.setCrs(*adoptCrs);
      result.crsChanged = true;
    }
  } catch (...) {
    // Take back what was added so far: all of the file or nothing.
    host.endCommand();
    if (host.undoLog().history().size() > recordsBefore) host.undo();
    throw;
  }
  host.endCommand();
  for (std::string& w : repeated.get()) result.warnings.push_back(std::move(w));
  if (!result.layers.empty()) result.layer = result.layers.front();
  return result;
}

ImportResult importSurveyData(Host& host, const std::string& name, const SurveyData& data, const std::string& layer) {
  ImportedDrawing d;
  d.format = std::string(formatName(data.format));
  ImportedLayer& l = d.layer("");
  l.points = data.points;
  l.lines = data.lines;
  ImportResult r = importDrawingData(host, name, d, layer);
  r.format = data.format;
  if (r.layers.empty()) {  // nothing in the file: say where it would have gone
    const ObjId id = layer.empty() ? host.document().currentLayer() : findLayer(host, layer);
    r.layer = id == kNoObject ? layer : host.document().get(id).name;
  }
  return r;
}

namespace {

// Where the drawing's points and lines lie, or else its origin when it keeps
// one; none for a drawing that has neither.
std::optional<DrawingExtent> drawingExtent(const Host& host) {
  const Document& doc = host.document();
  const DocumentState& state = doc.state();  // assembled on each call: read once
  const std::int32_t perUnit = doc.units().worldPerUnit;
  Bounds b;
  for (ObjId id : doc.walk(WalkScope::All))
    for (const Vertex& v : doc.get(id).vertices)
      b.add(toReal(v.x, state.originX, perUnit), toReal(v.y, state.originY, perUnit));
  if (!b.empty()) return DrawingExtent{{b.minX, b.maxX, b.minY, b.maxY}, "the points and lines in the drawing"};
  if (state.originX == 0.0 && state.originY == 0.0) return std::nullopt;
  const std::string unit(unitName(doc.units().kind));
  return DrawingExtent{{state.originX, state.originX, state.originY, state.originY},
                       "the drawing's origin (" + std::to_string(static_cast<long long>(state.originX)) + ", " +
                           std::to_string(static_cast<long long>(state.originY)) + ") " + unit};
}

// Settles the order of point rows read as pnezd: keeps them, or turns them
// into the penzd reading, when the drawing tells which; otherwise throws the
// reader's own error, with what the drawing showed.  Returns the note to give.
std::string settlePointOrder(const Host& host, const std::filesystem::path& path, std::string_view text,
                             SurveyData& data) {
  const std::optional<DrawingExtent> extent = drawingExtent(host);
  PointOrderChoice choice;
  if (extent && !data.points.empty()) {
    Bounds b;
    for (const SurveyPoint& p : data.points) b.add(p.x, p.y);
    choice = choosePointOrder({b.minX, b.maxX, b.minY, b.maxY}, *extent,
                              std::string(unitName(host.document().units().kind)));
  }
  if (!choice.format) {
    try {
      detectFormat(path, text);  // throws the error for the order it cannot tell
    } catch (const FileError& e) {
      throw FileError(std::string(e.what()) + (choice.why.empty() ? "" : "; " + choice.why));
    }
  }
  if (*choice.format == Format::Penzd) {
    for (SurveyPoint& p : data.points) std::swap(p.x, p.y);
    data.format = Format::Penzd;
  }
  return choice.why;
}

}  // namespace

ImportResult importSurveyFile(Host& host, const std::filesystem::path& path, Format format, const std::string& layer) {
  SurveyData data;
  std::string note;
  {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    Progress progress("reading " + path.filename().string(), ec ? 0 : size);
    const std::string text = readSurveyText(path);
    bool orderUnknown = false;
    if (format == Format::Auto) {
      const std::optional<Format> detected = detectFormatUnlessPointOrder(path, text);
      orderUnknown = !detected;
      format = detected.value_or(Format::Pnezd);
    }
    data = parseSurveyText(path.string(), text, format, [&progress](std::size_t done, std::size_t) { progress.update(done); });
    if (orderUnknown) note = settlePointOrder(host, path, text, data);
  }
  ImportResult r = importSurveyData(host, path.string(), data, layer);
  if (!note.empty()) r.notes.push_back(note);
  return r;
}

namespace {

// An interchange file: the coordinate system it declares is checked against
// the drawing's (nothing is added when they disagree) or made the drawing's;
// the coordinates are converted from the length unit it declares to the
// drawing's unit as it is after the import, by the units' exact lengths.
ImportResult importWithCrs(Host& host, const std::string& name, ImportedDrawing data, const std::string& layer) {
  CrsMatch crs;
  crs.drawingMetres = drawingMetresPerUnit(host.document());
  if (!data.crs.empty()) {
    std::optional<CoordinateSystem> fileCrs;
    try {
      fileCrs = CoordinateSystem::fromUserInput(data.crs);
    } catch (const FileError& e) {
      throw FileError(name + ": its coordinate system cannot be read: " + e.what() + "; nothing was added");
    }
    crs = matchFileCrs(host, fileCrs, name);
  }
  convertUnits(data, crs.drawingMetres);
  ImportResult r = importDrawingData(host, name, data, layer, crs.adopt);
  if (crs.adopt) r.notes.push_back(crs.notes.front());
  return r;
}

// A DXF file holds no coordinate system; GIS tools keep one beside it, as WKT
// in a .prj file of the same name.
ImportedDrawing withSidecarCrs(const std::filesystem::path& path, ImportedDrawing data) {
  std::filesystem::path prj = path;
  prj.replace_extension(".prj");
  std::error_code ec;
  if (!std::filesystem::is_regular_file(prj, ec)) return data;
  std::ifstream in(prj, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) throw FileError(prj.string() + ": cannot read the coordinate system beside " + path.string());
  data.crs = std::string(trim(text.str()));
  if (data.crs.empty()) throw FileError(prj.string() + ": empty, so it names no coordinate system; nothing was added");
  data.notes.push_back("its coordinate system was read from " + prj.filename().string());
  return data;
}

}  // namespace

bool isImportFormat(const std::string& format) {
  return format == "dxf" || format == "landxml" || format == "gpkg" || parseFormat(format).has_value();
}

ImportResult importFile(Host& host, const std::filesystem::path& path, const std::string& format,
                        const std::string& layer) {
  std::string chosen = format;
  if (chosen == "auto") {
    const std::string ext = lower(path.extension().string());
    if (ext == ".dxf") chosen = "dxf";
    else if (ext == ".xml" || ext == ".landxml") chosen = "landxml";
    else if (ext == ".gpkg") chosen = "gpkg";
  }
  if (chosen == "dxf") return importWithCrs(host, path.string(), withSidecarCrs(path, readDxfFile(path)), layer);
  if (chosen == "landxml") return importWithCrs(host, path.string(), readLandXmlFile(path), layer);
  if (chosen == "gpkg") return importWithCrs(host, path.string(), readGeoPackageFile(path), layer);
  const auto survey = parseFormat(chosen);
  if (!survey) throw FileError(path.string() + ": unknown format '" + format + "'");
  return importSurveyFile(host, path, *survey, layer);
}

}  // namespace tinhost::io
