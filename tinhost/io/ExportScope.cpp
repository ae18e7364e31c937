#include "tinhost/io/ExportScope.h"

#include <algorithm>
#include <cmath>

#include "tinhost/core/Host.h"
#include "tinhost/core/Resources.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/Importer.h"
#include "tinhost/io/Placement.h"

namespace tinhost::io {
namespace {
// The plug-in's class names of contours, triangles, labels and hull, by
// their entries in its class-name list.
constexpr std::int16_t kClassNameList = 11103;
constexpr std::int16_t kContour2DEntries[] = {1, 2};
constexpr std::int16_t kContour3DEntries[] = {3, 4};
constexpr std::int16_t kLabelEntry = 7;
constexpr std::int16_t kTriangle3DEntry = 6;
constexpr std::int16_t kHullEntry = 8;

// The drawing's class ids whose names are those entries of the plug-in's list.
std::vector<std::int16_t> classIds(const Document& doc, std::initializer_list<std::int16_t> entries) {
  std::vector<std::int16_t> ids;
  const auto classes = doc.classes();
  for (std::int16_t entry : entries) {
    const auto name = Resources::embedded().string(kClassNameList, entry);
    if (!name) continue;
    for (std::size_t k = 0; k < classes.size(); ++k)
      if (classes[k] == *name) ids.push_back(static_cast<std::int16_t>(k + 1));
  }
  return ids;
}
}  // namespace

ExportScope::ExportScope(const Host& host, const std::filesystem::path& out, const std::vector<std::string>& names)
    : doc_(host.document()),
      decimals_(displayDecimals(host.document().units().worldPerUnit)),
      scale_(std::pow(10.0, decimals_)) {
  // Read once: the document assembles its whole state for this.
  const DocumentState& state = doc_.state();
  originX_ = state.originX, originY_ = state.originY;
  for (const std::string& name : names) {
    const ObjId id = findLayer(host, name);
    if (id == kNoObject) throw file::FileError(out.string() + ": the drawing has no layer '" + name + "'");
    if (std::find(layers_.begin(), layers_.end(), id) == layers_.end()) layers_.push_back(id);
  }
  if (layers_.empty()) layers_.assign(doc_.layers().begin(), doc_.layers().end());
  for (ObjId id : doc_.walk(WalkScope::All)) {
    const DrawingObject& o = doc_.get(id);
    if (o.type == kKVTypeGroup) continue;
    if (std::find(layers_.begin(), layers_.end(), doc_.layerOf(id)) != layers_.end()) objects_.push_back(id);
  }
  contourClasses_ = classIds(doc_, {kContour3DEntries[0], kContour3DEntries[1]});
  indexContourClasses_ = classIds(doc_, {kContour3DEntries[1]});
  triangleClasses_ = classIds(doc_, {kTriangle3DEntry});
  hullClasses_ = classIds(doc_, {kHullEntry});
  contour2DClasses_ = classIds(doc_, {kContour2DEntries[0], kContour2DEntries[1]});
  labelClasses_ = classIds(doc_, {kLabelEntry});
}

bool ExportScope::isContour2D(const DrawingObject& o) const {
  return o.type == kKVTypePoly2D && o.objectClass != 0 &&
         std::find(contour2DClasses_.begin(), contour2DClasses_.end(), o.objectClass) != contour2DClasses_.end();
}

bool ExportScope::isContourLabel(const DrawingObject& o) const {
  return o.type == kKVTypeText && o.objectClass != 0 &&
         std::find(labelClasses_.begin(), labelClasses_.end(), o.objectClass) != labelClasses_.end();
}

// Rounded to the decimals that carry one world unit, so that files hold
// 12.345 rather than 12.345000000000001 and read back to the same world unit.
double ExportScope::rounded(double v) const { return std::round(v * scale_) / scale_; }

RealPoint ExportScope::real(const Vertex& v) const {
  const std::int32_t w = doc_.units().worldPerUnit;
  return {rounded(toReal(v.x, originX_, w)), rounded(toReal(v.y, originY_, w)), rounded(toReal(v.z, 0.0, w))};
}

double ExportScope::realX(double worldX) const { return rounded(originX_ + length(worldX)); }
double ExportScope::realY(double worldY) const { return rounded(originY_ + length(worldY)); }
double ExportScope::length(double world) const { return world / static_cast<double>(doc_.units().worldPerUnit); }

bool ExportScope::isTriangle3D(const DrawingObject& o) const {
  return o.type == kKVTypePoly3D && o.closed && o.vertices.size() == 3 && o.objectClass != 0 &&
         std::find(triangleClasses_.begin(), triangleClasses_.end(), o.objectClass) != triangleClasses_.end();
}

bool ExportScope::isContour3D(const DrawingObject& o) const {
  return o.type == kKVTypePoly3D && o.objectClass != 0 &&
         std::find(contourClasses_.begin(), contourClasses_.end(), o.objectClass) != contourClasses_.end();
}

bool ExportScope::isIndexContour3D(const DrawingObject& o) const {
  return isContour3D(o) &&
         std::find(indexContourClasses_.begin(), indexContourClasses_.end(), o.objectClass) != indexContourClasses_.end();
}

bool ExportScope::isHull(const DrawingObject& o) const {
  return (o.type == kKVTypePoly2D || o.type == kKVTypePoly3D) && o.closed && o.objectClass != 0 &&
         std::find(hullClasses_.begin(), hullClasses_.end(), o.objectClass) != hullClasses_.end();
}

std::vector<CurvePoint> ExportScope::outline(const DrawingObject& poly) {
  const bool curved = std::any_of(poly.vertices.begin(), poly.vertices.end(),
                                  [](const Vertex& v) { return v.kind == kKVVertexControl; });
  std::vector<CurvePoint> out;
  if (!curved) {
    for (const Vertex& v : poly.vertices) out.push_back({static_cast<double>(v.x), static_cast<double>(v.y)});
    return out;
  }
  out = EvaluatePolyshapeCurve(poly.vertices, poly.closed, kCurveChordsPerArc);
  if (poly.closed && out.size() > 1) out.pop_back();
  return out;
}

}  // namespace tinhost::io
