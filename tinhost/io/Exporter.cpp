#include "io/Exporter.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "core/Host.h"
#include "file/FileError.h"
#include "io/Importer.h"
#include "io/Placement.h"
#include "io/TextRows.h"

namespace tinhost::io {

using file::FileError;

ExportResult exportDrawing(const Host& host, const std::filesystem::path& out, const std::vector<std::string>& layers) {
  const std::string ext = lower(out.extension().string());
  if (ext != ".xyz" && ext != ".csv")
    throw FileError(out.string() + ": no exporter for '" + ext + "' files in this version (it writes .xyz and .csv)");
  const Document& doc = host.document();
  std::vector<ObjId> chosen;
  for (const std::string& name : layers) {
    const ObjId id = findLayer(host, name);
    if (id == kNoObject) throw FileError(out.string() + ": the drawing has no layer '" + name + "'");
    chosen.push_back(id);
  }
  if (chosen.empty()) chosen.assign(doc.layers().begin(), doc.layers().end());

  const std::filesystem::path temp = out.parent_path() / ("." + out.filename().string() + ".writing");
  std::ofstream file(temp, std::ios::binary | std::ios::trunc);
  if (!file) throw FileError(out.string() + ": cannot write it");
  const UnitsRecord& units = doc.units();
  const int decimals = displayDecimals(units.worldPerUnit);
  const double ox = doc.state().originX, oy = doc.state().originY;
  const char sep = ext == ".csv" ? ',' : ' ';
  if (ext == ".csv") file << "x,y,z\n";
  ExportResult result;
  char line[160];
  for (ObjId id : doc.walk(WalkScope::All)) {
    const DrawingObject& o = doc.get(id);
    if (std::find(chosen.begin(), chosen.end(), doc.layerOf(id)) == chosen.end()) continue;
    if (o.type != kKVTypeLocus3D || o.vertices.empty()) {
      if (o.type != kKVTypeGroup) ++result.skipped;
      continue;
    }
    const Vertex& v = o.vertices.front();
    std::snprintf(line, sizeof line, "%.*f%c%.*f%c%.*f\n", decimals, toReal(v.x, ox, units.worldPerUnit), sep,
                  decimals, toReal(v.y, oy, units.worldPerUnit), sep, decimals,
                  toReal(v.z, 0.0, units.worldPerUnit));
    file << line;
    ++result.points;
  }
  file.close();
  std::error_code ec;
  if (!file) {
    std::filesystem::remove(temp, ec);
    throw FileError(out.string() + ": writing failed");
  }
  std::filesystem::rename(temp, out, ec);
  if (ec) {
    const std::string why = ec.message();
    std::filesystem::remove(temp, ec);
    throw FileError(out.string() + ": cannot write it (" + why + ")");
  }
  return result;
}

}  // namespace tinhost::io
