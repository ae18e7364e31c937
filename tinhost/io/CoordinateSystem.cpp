#include "tinhost/io/CoordinateSystem.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <ogr_spatialref.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tinhost/core/Document.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/GdalSupport.h"
#include "tinhost/io/Interchange.h"

namespace tinhost::io {
namespace {

using file::FileError;

// Two unit lengths are the same unit when they agree to far better than the
// 2 ppm between the international and the US survey foot.
constexpr double kSameUnitRatio = 1e-9;

bool sameLength(double a, double b) { return std::fabs(a - b) <= kSameUnitRatio * std::max(a, b); }

std::unique_ptr<OGRSpatialReference> makeSrs() {
  auto srs = std::make_unique<OGRSpatialReference>();
  // Coordinates are always easting then northing, whatever the definition's
  // axis order says.
  srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

}  // namespace

CoordinateSystem::CoordinateSystem(std::unique_ptr<OGRSpatialReference> srs)
    : srs_(std::move(srs)) {}
CoordinateSystem::CoordinateSystem(const CoordinateSystem& other) : srs_(makeSrs()) {
  *srs_ = *other.srs_;
}
CoordinateSystem& CoordinateSystem::operator=(const CoordinateSystem& other) {
  if (this != &other) *srs_ = *other.srs_;
  return *this;
}
CoordinateSystem::CoordinateSystem(CoordinateSystem&&) noexcept = default;
CoordinateSystem& CoordinateSystem::operator=(CoordinateSystem&&) noexcept = default;
CoordinateSystem::~CoordinateSystem() = default;

CoordinateSystem CoordinateSystem::fromUserInput(const std::string& text) {
  std::string definition = text;
  std::error_code ec;
  if (!text.empty() && std::filesystem::is_regular_file(text, ec)) {
    std::ifstream in(text, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    definition = s.str();
    if (definition.empty()) throw FileError(text + ": the coordinate system file is empty");
  }
  QuietGdal quiet;
  auto srs = makeSrs();
  // No network, no guessing from a bare name: a code, WKT or PROJ text.
  const char* const options[] = {"ALLOW_NETWORK_ACCESS=NO", "ALLOW_FILE_ACCESS=NO", nullptr};
  if (definition.empty() || srs->SetFromUserInput(definition.c_str(), options) != OGRERR_NONE)
    throw FileError("'" + text + "' is not a coordinate system tinhost knows" + gdalReason() +
                    "; give a code such as EPSG:6543, or a file holding WKT");
  return CoordinateSystem(std::move(srs));
}

CoordinateSystem CoordinateSystem::fromWkt(const std::string& wkt) {
  QuietGdal quiet;
  auto srs = makeSrs();
  if (srs->importFromWkt(wkt.c_str()) != OGRERR_NONE)
    throw FileError("the coordinate system's WKT cannot be read" + gdalReason());
  return CoordinateSystem(std::move(srs));
}

CoordinateSystem CoordinateSystem::local(double metresPerUnit) {
  auto srs = makeSrs();
  srs->SetLocalCS("local survey coordinates");
  srs->SetLinearUnits(unitWords(metresPerUnit).c_str(), metresPerUnit);
  return CoordinateSystem(std::move(srs));
}

CoordinateSystem CoordinateSystem::adopt(const OGRSpatialReference& srs) {
  auto copy = makeSrs();
  *copy = srs;
  copy->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return CoordinateSystem(std::move(copy));
}

std::string CoordinateSystem::wkt() const {
  QuietGdal quiet;
  char* text = nullptr;
  const char* const options[] = {"FORMAT=WKT2_2019", "MULTILINE=NO", nullptr};
  if (srs_->exportToWkt(&text, options) != OGRERR_NONE || text == nullptr) {
    CPLFree(text);
    text = nullptr;
    srs_->exportToWkt(&text);  // a system WKT 2 cannot express: WKT 1
  }
  std::string out = text != nullptr ? text : "";
  CPLFree(text);
  return out;
}

std::string CoordinateSystem::wkt1() const {
  QuietGdal quiet;
  char* text = nullptr;
  srs_->exportToWkt(&text);
  std::string out = text != nullptr ? text : "";
  CPLFree(text);
  return out;
}

std::string CoordinateSystem::name() const {
  const char* n = srs_->GetName();
  return n != nullptr ? n : "unnamed coordinate system";
}

std::string CoordinateSystem::authorityCode() const {
  const char* authority = srs_->GetAuthorityName(nullptr);
  const char* code = srs_->GetAuthorityCode(nullptr);
  if (authority == nullptr || code == nullptr) return {};
  return std::string(authority) + ":" + code;
}

std::string CoordinateSystem::describe() const {
  const std::string code = authorityCode();
  return code.empty() ? name() : name() + " (" + code + ")";
}

bool CoordinateSystem::isGeographic() const { return srs_->IsGeographic() != 0; }
bool CoordinateSystem::isProjected() const { return srs_->IsProjected() != 0; }
bool CoordinateSystem::hasVertical() const {
  return srs_->IsVertical() != 0 || srs_->IsCompound() != 0;
}

LinearUnit CoordinateSystem::horizontalUnit() const {
  const CoordinateSystem h = horizontal();
  const char* n = nullptr;
  const double metres = h.srs_->GetLinearUnits(&n);
  return {n != nullptr ? n : "metre", metres};
}

std::optional<LinearUnit> CoordinateSystem::verticalUnit() const {
  if (!hasVertical()) return std::nullopt;
  const char* n = nullptr;
  const double metres = srs_->GetTargetLinearUnits("VERT_CS", &n);
  return LinearUnit{n != nullptr ? n : "metre", metres};
}

CoordinateSystem CoordinateSystem::horizontal() const {
  CoordinateSystem copy(*this);
  if (copy.srs_->IsCompound() != 0) copy.srs_->StripVertical();
  return copy;
}

bool CoordinateSystem::sameHorizontal(const CoordinateSystem& other) const {
  const CoordinateSystem a = horizontal(), b = other.horizontal();
  const char* const options[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", "CRITERION=EQUIVALENT",
                                 nullptr};
  return a.srs_->IsSame(b.srs_.get(), options) != 0;
}

bool CoordinateSystem::same(const CoordinateSystem& other) const {
  const char* const options[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", "CRITERION=EQUIVALENT",
                                 nullptr};
  return srs_->IsSame(other.srs_.get(), options) != 0;
}

std::optional<CoordinateSystem> drawingCrs(const Document& doc) {
  if (doc.crs().empty()) return std::nullopt;
  return CoordinateSystem::fromWkt(doc.crs());
}

CoordinateSystem drawingCrsOrLocal(const Document& doc) {
  if (auto crs = drawingCrs(doc)) return *crs;
  return CoordinateSystem::local(metresPerUnit(doc.units().kind));
}

double drawingMetresPerUnit(const Document& doc) {
  if (const auto crs = drawingCrs(doc)) return crs->horizontalUnit().metres;
  return metresPerUnit(doc.units().kind);
}

std::string unitWords(double metres) {
  if (sameLength(metres, 1.0)) return "metre";
  if (sameLength(metres, kMetresPerFoot)) return "foot";
  if (sameLength(metres, kMetresPerUsSurveyFoot)) return "US survey foot";
  char buf[64];
  std::snprintf(buf, sizeof buf, "unit of %.10g m", metres);
  return buf;
}

NewDrawingCrs chooseNewDrawingCrs(const std::string& text, const std::string& unit) {
  const CoordinateSystem crs = CoordinateSystem::fromUserInput(text);
  if (crs.isGeographic())
    throw FileError(crs.describe() +
                    " gives longitude and latitude in degrees; a drawing needs a projected "
                    "coordinate system (metres or feet east and north)");
  const LinearUnit h = crs.horizontalUnit();
  const auto kind = unitKindOf(h);
  if (!kind)
    throw FileError(crs.describe() + " is in " + h.name +
                    "; a drawing's unit is the metre or a foot");
  if (!unit.empty() && unit != std::string(unitName(*kind)))
    throw FileError("--unit " + unit + " disagrees with " + crs.describe() + ", which is in " +
                    unitPlural(h.metres) + "; leave --unit out to take the coordinate system's");
  return {crs.wkt(), *kind, crs.describe() + ", " + unitWords(h.metres)};
}

std::string unitPlural(double metres) {
  const std::string one = unitWords(metres);
  if (one == "metre") return "metres";
  if (one == "foot") return "feet";
  if (one == "US survey foot") return "US survey feet";
  return "units of " + one.substr(std::string("unit of ").size());
}

std::string drawingUnitWords(const Document& doc) { return unitWords(drawingMetresPerUnit(doc)); }

std::optional<UnitKind> unitKindOf(const LinearUnit& unit) {
  if (sameLength(unit.metres, 1.0)) return UnitKind::Metre;
  if (sameLength(unit.metres, kMetresPerFoot) || sameLength(unit.metres, kMetresPerUsSurveyFoot))
    return UnitKind::Foot;
  return std::nullopt;
}

}  // namespace tinhost::io
