#include "io/Importer.h"

#include <algorithm>
#include <limits>

#include "core/Host.h"
#include "file/FileError.h"
#include "io/Placement.h"
#include "io/Progress.h"

namespace tinhost::io {
namespace {

using file::FileError;

struct WorldPoint {
  std::int32_t x, y, z;
};

struct Bounds {
  double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;
  void add(const SurveyPoint& p) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  bool empty() const { return minX > maxX; }
};

class Converter {
 public:
  Converter(const std::string& name, const UnitsRecord& units, double ox, double oy)
      : name_(name), units_(units), ox_(ox), oy_(oy) {}

  WorldPoint operator()(const SurveyPoint& p) const {
    const auto x = toWorld(p.x, ox_, units_.worldPerUnit);
    if (!x) fail(p, doesNotFit("easting", p.x, ox_, units_));
    const auto y = toWorld(p.y, oy_, units_.worldPerUnit);
    if (!y) fail(p, doesNotFit("northing", p.y, oy_, units_));
    const auto z = toWorld(p.z, 0.0, units_.worldPerUnit);
    if (!z) fail(p, doesNotFit("elevation", p.z, 0.0, units_));
    return {*x, *y, *z};
  }

 private:
  [[noreturn]] void fail(const SurveyPoint& p, const std::string& why) const {
    throw FileError(name_ + ":" + std::to_string(p.line) + ": " + why + "; nothing of this file was added");
  }
  const std::string& name_;
  const UnitsRecord& units_;
  double ox_, oy_;
};

}  // namespace

std::uint32_t findLayer(const Host& host, const std::string& name) {
  for (ObjId id : host.document().layers())
    if (host.document().get(id).name == name) return id;
  return kNoObject;
}

ImportResult importSurveyData(Host& host, const std::string& name, const SurveyData& data, const std::string& layerName) {
  Document& doc = host.document();
  ImportResult result;
  result.format = data.format;

  Bounds bounds;
  for (const auto& p : data.points) bounds.add(p);
  for (const auto& l : data.lines)
    for (const auto& v : l.vertices) bounds.add(v);
  double ox = doc.state().originX, oy = doc.state().originY;
  if (!bounds.empty() && doc.walk(WalkScope::All).empty() && host.dataObjects().empty()) {
    ox = roundOrigin(bounds.minX, bounds.maxX);
    oy = roundOrigin(bounds.minY, bounds.maxY);
    result.originChosen = true;
  }

  // Convert everything first: a coordinate that does not fit adds nothing.
  const Converter convert(name, doc.units(), ox, oy);
  std::vector<WorldPoint> points;
  points.reserve(data.points.size());
  for (const auto& p : data.points) points.push_back(convert(p));
  std::vector<std::vector<WorldPoint>> lines;
  for (const auto& l : data.lines) {
    lines.emplace_back();
    for (const auto& v : l.vertices) lines.back().push_back(convert(v));
  }

  if (result.originChosen) doc.setOrigin(ox, oy);
  result.originX = ox, result.originY = oy;

  const std::size_t recordsBefore = host.undoLog().history().size();
  host.beginCommand();
  try {
    ObjId layer = layerName.empty() ? doc.currentLayer() : findLayer(host, layerName);
    if (layer == kNoObject) layer = host.createLayer(layerName, 1.0);
    result.layer = doc.get(layer).name;
    Progress progress("adding " + name, points.size() + lines.size());
    std::size_t done = 0;
    for (const WorldPoint& p : points) {
      host.undoLog().created(doc.addLocus(layer, p.x, p.y, p.z));
      if ((++done & 0xFFF) == 0) progress.update(done);
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const ObjId poly = doc.createObject(kKVTypePoly3D);
      for (const WorldPoint& v : lines[i]) doc.addVertex(poly, Vertex{v.x, v.y, v.z, kKVVertexCorner});
      doc.setClosed(poly, data.lines[i].closed);
      doc.addToContainer(poly, layer);
      host.undoLog().created(poly);
      progress.update(++done);
    }
  } catch (...) {
    // Take back what was added so far: all of the file or nothing.
    host.endCommand();
    if (host.undoLog().history().size() > recordsBefore) host.undo();
    throw;
  }
  host.endCommand();
  result.points = points.size();
  result.lines = lines.size();
  return result;
}

ImportResult importSurveyFile(Host& host, const std::filesystem::path& path, Format format, const std::string& layer) {
  SurveyData data;
  {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    Progress progress("reading " + path.filename().string(), ec ? 0 : size);
    data = readSurveyFile(path, format, [&progress](std::size_t done, std::size_t) { progress.update(done); });
  }
  return importSurveyData(host, path.string(), data, layer);
}

}  // namespace tinhost::io
