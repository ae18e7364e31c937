// `info`: what the drawing holds, for people or (with --json) for scripts.
#include <map>
#include <ostream>

#include <nlohmann/json.hpp>

#include "tinhost/cli/Commands.h"
#include "tinhost/cli/Session.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/core/StoredTINs.h"
#include "tinhost/io/CoordinateSystem.h"

namespace tinhost::cli {
namespace {

using nlohmann::ordered_json;

const char* typeName(std::int16_t type) {
  switch (type) {
    case kKVTypeLocus3D: return "locus3d";
    case kKVTypePoly3D: return "poly3d";
    case kKVTypePoly2D: return "poly2d";
    case kKVTypeGroup: return "group";
    case kKVTypeText: return "text";
    default: return "other";
  }
}

constexpr const char* kCountedTypes[] = {"locus3d", "poly3d", "poly2d", "group", "text"};

// Objects of each type on each layer, groups' members included.
std::map<ObjId, std::map<std::string, std::size_t>> countByLayer(const Document& doc) {
  std::map<ObjId, std::map<std::string, std::size_t>> counts;
  for (ObjId layer : doc.layers())
    for (const char* t : kCountedTypes) counts[layer][t] = 0;
  for (ObjId id : doc.walk(WalkScope::All)) {
    const std::string t = typeName(doc.get(id).type);
    if (t != "other") ++counts[doc.layerOf(id)][t];
  }
  return counts;
}

ordered_json objectJson(const Document& doc, ObjId id) {
  const DrawingObject& o = doc.get(id);
  const DrawingObject& parent = doc.get(o.parent);
  ordered_json vertices = ordered_json::array();
  for (const Vertex& v : o.vertices) vertices.push_back({v.x, v.y, v.z});
  ordered_json j = {{"id", o.id},
                    {"type", typeName(o.type)},
                    {"layer", doc.get(doc.layerOf(id)).name},
                    {"group", parent.type == kKVTypeGroup ? ordered_json(parent.id) : ordered_json(nullptr)},
                    {"class", o.objectClass != 0 ? ordered_json(o.objectClass) : ordered_json(nullptr)},
                    {"closed", o.closed},
                    {"color", o.color},
                    {"weight", o.lineWeight},
                    {"fill", o.fillPattern},
                    {"vertices", vertices}};
  if (o.type == kKVTypePoly2D) {
    ordered_json kinds = ordered_json::array();
    for (const Vertex& v : o.vertices) kinds.push_back(v.kind);
    j["kinds"] = kinds;
  }
  if (o.type == kKVTypeText) j["text"] = o.text;
  return j;
}

// The stored TINs, or why they cannot be told.
struct TINList {
  std::vector<StoredTIN> tins;
  std::string unreadable;
};

TINList storedTINs(const Host& host) {
  try {
    return {readStoredTINs(host.dataObjects()), {}};
  } catch (const HostError& e) {
    return {{}, e.what()};
  }
}

std::string baseName(const std::vector<StoredTIN>& tins, std::int32_t id) {
  for (const StoredTIN& t : tins)
    if (t.id == id) return t.name;
  return {};
}

// The warnings the last build of the TIN named `tin` reported; none when the
// drawing's record of them is damaged (info still tells the rest).
std::vector<BuildNotice> noticesOf(const Host& host, const std::string& tin) {
  std::vector<BuildNotice> own;
  try {
    for (BuildNotice& n : host.buildNotices())
      if (n.tin == tin) own.push_back(std::move(n));
  } catch (const HostError&) {
  }
  return own;
}

// What the last build of the TIN named `tin` did not hold of its
// breaklines: segments that are not chains of TIN edges, and polygons that
// lost corners (each with its corners and how many drawn segments are
// therefore not TIN edges).  Points in user units.
ordered_json breaklineWarningsJson(const Host& host, const std::string& tin) {
  const Document& doc = host.document();
  const UserPlace place{doc.units(), doc.state().originX, doc.state().originY};
  ordered_json segments = ordered_json::array(), polygons = ordered_json::array();
  for (const BuildNotice& n : noticesOf(host, tin)) {
    if (n.kind == kKVNoticeSegmentNotHeld) {
      segments.push_back({{"polygon", n.polygon},
                          {"layer", n.layer},
                          {"from_vertex", n.first},
                          {"to_vertex", n.second},
                          {"at", {place.x(n.x), place.y(n.y)}}});
      continue;
    }
    if (polygons.empty() || polygons.back()["polygon"] != n.polygon)
      polygons.push_back({{"polygon", n.polygon},
                          {"layer", n.layer},
                          {"corners", ordered_json::array()},
                          {"segments_not_edges", n.count}});
    polygons.back()["corners"].push_back({{"number", n.first}, {"at", {place.x(n.x), place.y(n.y)}}});
  }
  return {{"segments_not_held", segments}, {"lost_corners", polygons}};
}

ordered_json tinsJson(const Host& host, const TINList& list) {
  if (!list.unreadable.empty()) return nullptr;
  ordered_json tins = ordered_json::array();
  for (std::size_t i = 0; i < list.tins.size(); ++i) {
    const StoredTIN& t = list.tins[i];
    ordered_json j = {{"number", i + 1}, {"name", t.name}, {"layer2D", t.layer2DName}, {"layer3D", t.layer3DName}};
    if (t.difference) {
      j["inner"] = baseName(list.tins, t.innerId);
      j["outer"] = baseName(list.tins, t.outerId);
    }
    j["breakline_warnings"] = breaklineWarningsJson(host, t.name);
    tins.push_back(j);
  }
  return tins;
}

// The coordinate system, or null when the drawing has none.
ordered_json crsJson(const Document& doc) {
  const auto crs = io::drawingCrs(doc);
  if (!crs) return nullptr;
  const io::LinearUnit unit = crs->horizontalUnit();
  return {{"name", crs->name()},
          {"code", crs->authorityCode().empty() ? ordered_json(nullptr) : ordered_json(crs->authorityCode())},
          {"unit", io::unitWords(unit.metres)},
          {"metres_per_unit", unit.metres},
          {"wkt", doc.crs()}};
}

ordered_json drawingJson(const Host& host, bool withObjects) {
  const Document& doc = host.document();
  const auto counts = countByLayer(doc);
  ordered_json layers = ordered_json::array();
  for (ObjId layer : doc.layers()) {
    ordered_json c = ordered_json::object();
    for (const char* t : kCountedTypes) c[t] = counts.at(layer).at(t);
    layers.push_back({{"name", doc.get(layer).name}, {"scale", doc.get(layer).scale}, {"counts", c}});
  }
  ordered_json classes = ordered_json::array();
  for (std::size_t i = 0; i < doc.classes().size(); ++i)
    classes.push_back({{"id", i + 1}, {"name", doc.classes()[i]}});
  ordered_json data = ordered_json::array();
  for (const auto& [tag, bytes] : host.dataObjects()) data.push_back({{"tag", fourCharText(tag)}, {"size", bytes.size()}});
  ordered_json j = {
      {"units",
       {{"name", std::string(unitName(doc.units().kind))},
        {"world_per_unit", doc.units().worldPerUnit},
        {"origin", {doc.state().originX, doc.state().originY}}}},
      {"crs", crsJson(doc)},
      {"current_layer", doc.get(doc.currentLayer()).name},
      {"layers", layers},
      {"tins", tinsJson(host, storedTINs(host))},
      {"classes", classes},
      {"data_objects", data}};
  if (withObjects) {
    ordered_json objects = ordered_json::array();
    for (ObjId id : doc.walk(WalkScope::All)) objects.push_back(objectJson(doc, id));
    j["objects"] = objects;
  }
  return j;
}

void printText(const Host& host, const std::string& drawing, bool withObjects, std::ostream& out) {
  const Document& doc = host.document();
  const std::string unit(unitName(doc.units().kind));
  out << "drawing " << drawing << "\n";
  out << "  units: " << unit << ", " << doc.units().worldPerUnit << " world units per " << unit << "; origin ("
      << number(doc.state().originX) << ", " << number(doc.state().originY) << ") " << unit << "\n";
  if (const auto crs = io::drawingCrs(doc))
    out << "  coordinate system: " << crs->describe() << "; unit " << io::unitWords(crs->horizontalUnit().metres)
        << "\n";
  else
    out << "  coordinate system: none (local coordinates)\n";
  out << "  current layer: " << doc.get(doc.currentLayer()).name << "\n";
  const auto counts = countByLayer(doc);
  for (ObjId layer : doc.layers()) {
    out << "  layer \"" << doc.get(layer).name << "\" (scale " << doc.get(layer).scale << "):";
    for (const char* t : kCountedTypes) out << " " << t << " " << counts.at(layer).at(t);
    out << "\n";
  }
  const TINList list = storedTINs(host);
  if (!list.unreadable.empty()) out << "  TINs: cannot be read: " << list.unreadable << "\n";
  for (std::size_t i = 0; i < list.tins.size(); ++i) {
    const StoredTIN& t = list.tins[i];
    out << "  TIN " << i + 1 << " \"" << t.name << "\": graphics on \"" << t.layer2DName << "\" and \"" << t.layer3DName
        << "\"";
    if (t.difference)
      out << "; the difference of \"" << baseName(list.tins, t.innerId) << "\" inside \""
          << baseName(list.tins, t.outerId) << "\"";
    out << "\n";
    const UserPlace place{doc.units(), doc.state().originX, doc.state().originY};
    for (const std::string& w : describeBuildNotices(noticesOf(host, t.name), place))
      out << "    warning: " << w << "\n";
  }
  for (std::size_t i = 0; i < doc.classes().size(); ++i) out << "  class " << i + 1 << ": " << doc.classes()[i] << "\n";
  for (const auto& [tag, bytes] : host.dataObjects())
    out << "  data object '" << fourCharText(tag) << "': " << bytes.size() << " bytes\n";
  out << "  undo: " << (host.undoLog().history().empty() ? "nothing to undo" : "the last command can be undone")
      << "\n";
  if (!withObjects) return;
  for (ObjId id : doc.walk(WalkScope::All)) {
    const DrawingObject& o = doc.get(id);
    out << "  #" << id << " " << typeName(o.type) << " on \"" << doc.get(doc.layerOf(id)).name << "\"";
    if (doc.get(o.parent).type == kKVTypeGroup) out << " in group #" << o.parent;
    if (o.objectClass != 0) out << " class " << o.objectClass;
    if (o.closed) out << " closed";
    if (!o.vertices.empty()) {
      const Vertex& v = o.vertices.front();
      out << " (" << v.x << ", " << v.y << ", " << v.z << ")";
      if (o.vertices.size() > 1) out << " + " << o.vertices.size() - 1 << " vertices";
    }
    if (o.type == kKVTypeText) out << " \"" << o.text << "\"";
    out << "\n";
  }
}

}  // namespace

Outcome runInfo(Session& s, const InfoArgs& args, Console& io) {
  if (args.json)
    io.out << drawingJson(s.host(), args.objects).dump(2) << "\n";
  else
    printText(s.host(), s.drawing().string(), args.objects, io.out);
  return {kExitOk, false};
}

}  // namespace tinhost::cli
