// A coordinate system of real coordinates, through GDAL's OSR (PROJ
// underneath): read from what people type (EPSG:6543, a WKT file, WKT text),
// from a file's WKT, compared, and asked for its units.  tinhost computes no
// projection itself.
//
// A drawing keeps its coordinate system as WKT (Document::crs()).  When it has
// one, the drawing's user unit is the system's horizontal unit: "ft" is then
// the international foot (0.3048 m) or the US survey foot (1200/3937 m) as the
// system says, and the two are never taken for each other.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tinhost/core/DrawingUnits.h"

class OGRSpatialReference;

namespace tinhost {
class Document;
}

namespace tinhost::io {

// A length unit: its name as the coordinate system gives it and its length.
struct LinearUnit {
  std::string name;
  double metres = 1.0;
};

class CoordinateSystem {
 public:
  // "EPSG:6543", "EPSG:6543+6360", a path to a file holding WKT, or WKT or
  // PROJ text.  Throws FileError saying what could not be understood.
  static CoordinateSystem fromUserInput(const std::string& text);
  // WKT (version 1 or 2) as files and drawings hold it; throws FileError.
  static CoordinateSystem fromWkt(const std::string& wkt);
  // Local survey coordinates (no datum, no projection) in a length unit.
  static CoordinateSystem local(double metresPerUnit);
  // Takes over a reference made elsewhere (a GeoTIFF's, a LAS file's keys).
  static CoordinateSystem adopt(const OGRSpatialReference& srs);

  CoordinateSystem(const CoordinateSystem& other);
  CoordinateSystem& operator=(const CoordinateSystem& other);
  CoordinateSystem(CoordinateSystem&&) noexcept;
  CoordinateSystem& operator=(CoordinateSystem&&) noexcept;
  ~CoordinateSystem();

  // WKT 2 on one line: what the drawing stores.
  std::string wkt() const;
  // WKT 1, for formats whose readers expect it (LandXML's ogcWktCode).
  std::string wkt1() const;
  // The system's name, e.g. "NAD83(2011) / North Carolina (ftUS)".
  std::string name() const;
  // "EPSG:6543" when the system is a registered one, else empty.
  std::string authorityCode() const;
  // "NAME (EPSG:6543)", or the name alone.
  std::string describe() const;

  bool isGeographic() const;  // longitude and latitude in degrees
  bool isProjected() const;
  // The unit of x and y (for a projected or local system).
  LinearUnit horizontalUnit() const;
  // The unit of z: the vertical part's when there is one, else nothing.
  std::optional<LinearUnit> verticalUnit() const;
  bool hasVertical() const;
  // The system without its vertical part (itself when it has none).
  CoordinateSystem horizontal() const;

  // The same horizontal system: same datum, projection and unit, whatever
  // the names or the axis order of the text say.
  bool sameHorizontal(const CoordinateSystem& other) const;
  bool same(const CoordinateSystem& other) const;

  const OGRSpatialReference& srs() const { return *srs_; }

 private:
  explicit CoordinateSystem(std::unique_ptr<OGRSpatialReference> srs);
  std::unique_ptr<OGRSpatialReference> srs_;
};

// The drawing's coordinate system, or nothing when it has none.
std::optional<CoordinateSystem> drawingCrs(const Document& doc);
// The drawing's, or local coordinates in the drawing's unit when it has none:
// what a file written from the drawing declares.
CoordinateSystem drawingCrsOrLocal(const Document& doc);
// One user unit of the drawing in metres: the coordinate system's horizontal
// unit when the drawing has one, else the metre or the international foot.
double drawingMetresPerUnit(const Document& doc);
// The drawing's user unit in words: "metre", "foot", "US survey foot".
std::string drawingUnitWords(const Document& doc);
// The unit kind ("m" or "ft") a length unit is shown as; nothing for a unit
// that is neither (a yard, a chain).
std::optional<UnitKind> unitKindOf(const LinearUnit& unit);

// A coordinate system for a new drawing (`new --crs`), with the unit it
// gives the drawing.  Throws FileError when it cannot hold a drawing
// (longitude and latitude, a unit other than the metre or a foot) or
// disagrees with `unit` ("m", "ft"; empty: take the system's).
struct NewDrawingCrs {
  std::string wkt;
  UnitKind unit = UnitKind::Metre;
  std::string description;  // "NAME (EPSG:6543), US survey foot"
};
NewDrawingCrs chooseNewDrawingCrs(const std::string& text, const std::string& unit);

// One unit in words from its length, e.g. "US survey foot".
std::string unitWords(double metres);
// The same for several: "metres", "feet", "US survey feet".
std::string unitPlural(double metres);

}  // namespace tinhost::io
