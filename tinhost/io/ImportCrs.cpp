#include "tinhost/io/ImportCrs.h"

#include <cmath>
#include <cstdio>

#include "tinhost/core/Host.h"
#include "tinhost/file/FileError.h"

namespace tinhost::io {
namespace {

using file::FileError;

bool isOne(double factor) { return std::fabs(factor - 1.0) < 1e-12; }

std::string conversionNote(const char* what, double fileMetres, double drawingMetres) {
  char buf[200];
  std::snprintf(buf, sizeof buf, "%s converted from %s to %s (x %.10g)", what,
                unitPlural(fileMetres).c_str(), unitPlural(drawingMetres).c_str(),
                fileMetres / drawingMetres);
  return buf;
}

bool drawingIsEmpty(const Host& host) {
  return host.document().walk(WalkScope::All).empty() && host.dataObjects().empty();
}

}  // namespace

CrsMatch matchFileCrs(const Host& host, const std::optional<CoordinateSystem>& file,
                      const std::string& name) {
  const Document& doc = host.document();
  const std::optional<CoordinateSystem> drawing = drawingCrs(doc);
  double drawingMetres = drawingMetresPerUnit(doc);
  CrsMatch m;
  m.drawingMetres = drawingMetres;
  if (!file) {
    m.notes.push_back(drawing
                          ? "the file names no coordinate system; its coordinates are taken to be "
                            "in the drawing's, " +
                                drawing->describe()
                          : "the file names no coordinate system; its coordinates are taken as " +
                                unitPlural(drawingMetres));
    return m;
  }
  if (file->isGeographic())
    throw FileError(name + ": its coordinates are longitude and latitude (" + file->describe() +
                    "); a drawing needs projected coordinates, so reproject the file first; "
                    "nothing was imported");
  const LinearUnit h = file->horizontalUnit();
  const LinearUnit v = file->verticalUnit().value_or(h);

  if (drawing) {
    if (!file->sameHorizontal(*drawing))
      throw FileError(name + ": its coordinate system, " + file->describe() +
                      ", is not the drawing's, " + drawing->describe() +
                      "; nothing was imported (reproject the file into the drawing's system)");
    if (file->hasVertical() && drawing->hasVertical() && !file->same(*drawing))
      throw FileError(name + ": its vertical system differs from the drawing's (" +
                      file->describe() + " against " + drawing->describe() +
                      "); nothing was imported");
  } else {
    const auto kind = unitKindOf(h);
    const bool sameUnit = unitWords(h.metres) == unitWords(drawingMetres);
    const bool onlyTheFootDiffers = kind && *kind == doc.units().kind && drawingIsEmpty(host);
    if (!kind || (!sameUnit && !onlyTheFootDiffers))
      throw FileError(name + ": its coordinate system, " + file->describe() + ", is in " +
                      unitPlural(h.metres) + " but the drawing is in " + unitPlural(drawingMetres) +
                      "; nothing was imported. Make a drawing in the file's system and units "
                      "(tinhost new DRAWING "
                      "--crs " +
                      (file->authorityCode().empty() ? std::string("FILE.wkt")
                                                     : file->horizontal().authorityCode()) +
                      ") and import it there");
    // The drawing holds one unit for x, y and z: a vertical system in
    // another unit would misdescribe the converted elevations.
    const bool keepVertical = file->hasVertical() && unitWords(v.metres) == unitWords(h.metres);
    const CoordinateSystem adopted = keepVertical ? *file : file->horizontal();
    m.adopt = adopted.wkt();
    m.notes.push_back("the drawing's coordinate system is now " + adopted.describe() +
                      ", the file's");
    if (file->hasVertical() && !keepVertical)
      m.notes.push_back("the file's heights are in " + unitPlural(v.metres) +
                        ", so its vertical system was not kept");
    drawingMetres = h.metres;
    m.drawingMetres = drawingMetres;
  }
  m.horizontal = h.metres / drawingMetres;
  m.vertical = v.metres / drawingMetres;
  if (!isOne(m.horizontal)) m.notes.push_back(conversionNote("x and y", h.metres, drawingMetres));
  if (!isOne(m.vertical)) m.notes.push_back(conversionNote("elevations", v.metres, drawingMetres));
  return m;
}

}  // namespace tinhost::io
