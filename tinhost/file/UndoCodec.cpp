#include "tinhost/file/UndoCodec.h"

#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "tinhost/file/FileError.h"

namespace tinhost::file {
namespace {

using nlohmann::json;

json objectToJson(const DrawingObject& o) {
  json vertices = json::array();
  for (const Vertex& v : o.vertices) vertices.push_back({v.x, v.y, v.z, v.kind});
  return {{"id", o.id},           {"type", o.type},         {"parent", o.parent},
          {"name", o.name},       {"scale", o.scale},       {"class", o.objectClass},
          {"color", o.color},     {"fill", o.fillPattern},  {"weight", o.lineWeight},
          {"closed", o.closed},   {"vertices", vertices},   {"text", o.text},
          {"anchor", {o.anchorX, o.anchorY}},               {"style", o.textStyle},
          {"size", o.textSize}};
}

DrawingObject objectFromJson(const json& j) {
  DrawingObject o;
  o.id = j.at("id").get<ObjId>();
  o.type = j.at("type").get<std::int16_t>();
  o.parent = j.at("parent").get<ObjId>();
  o.name = j.at("name").get<std::string>();
  o.scale = j.at("scale").get<double>();
  o.objectClass = j.at("class").get<std::int16_t>();
  o.color = j.at("color").get<Color>();
  o.fillPattern = j.at("fill").get<std::int16_t>();
  o.lineWeight = j.at("weight").get<std::int16_t>();
  o.closed = j.at("closed").get<bool>();
  for (const json& v : j.at("vertices"))
    o.vertices.push_back(Vertex{v.at(0).get<std::int32_t>(), v.at(1).get<std::int32_t>(),
                                v.at(2).get<std::int32_t>(), v.at(3).get<std::int16_t>()});
  o.text = j.at("text").get<std::string>();
  o.anchorX = j.at("anchor").at(0).get<std::int32_t>();
  o.anchorY = j.at("anchor").at(1).get<std::int32_t>();
  o.textStyle = j.at("style").get<std::int16_t>();
  o.textSize = j.at("size").get<std::int16_t>();
  return o;
}

}  // namespace

std::vector<std::uint8_t> encodeUndoRecord(const UndoRecord& record) {
  json steps = json::array();
  for (const UndoStep& s : record.steps) {
    json step = {{"kind", s.kind == UndoStep::Kind::Created ? "created" : "deleted"}, {"id", s.id}};
    if (s.kind == UndoStep::Kind::Created && s.count != 1) step["count"] = s.count;
    if (s.kind == UndoStep::Kind::Deleted) {
      json objects = json::array();
      for (const DrawingObject& o : s.before.objects) objects.push_back(objectToJson(o));
      step["before"] = {{"objects", objects},
                        {"members", s.before.members},
                        {"parent", s.before.parent},
                        {"before", s.before.before},
                        {"selected", s.before.selected}};
    }
    steps.push_back(std::move(step));
  }
  json data = json::object();
  for (const auto& [tag, bytes] : record.dataObjects) data[std::to_string(tag)] = json::binary(bytes);
  json j = {{"method", record.method},
            {"steps", steps},
            {"data_objects", data},
            {"current_layer", record.currentLayer},
            {"data_changed", record.dataChanged}};
  // Only a command that set the coordinate system has the key.
  if (record.crsBefore) j["crs_before"] = *record.crsBefore;
  return json::to_cbor(j);
}

UndoRecord decodeUndoRecord(const std::vector<std::uint8_t>& bytes) {
  try {
    const json j = json::from_cbor(bytes);
    UndoRecord r;
    r.method = j.at("method").get<std::int16_t>();
    for (const json& s : j.at("steps")) {
      UndoStep step;
      step.kind = s.at("kind").get<std::string>() == "created" ? UndoStep::Kind::Created : UndoStep::Kind::Deleted;
      step.id = s.at("id").get<ObjId>();
      if (step.kind == UndoStep::Kind::Created && s.contains("count")) {
        step.count = s.at("count").get<std::uint32_t>();
        if (step.count == 0 || std::uint64_t{step.id} + step.count - 1 > 0xFFFFFFFFu)
          throw std::out_of_range("a run of " + std::to_string(step.count) + " objects from id " +
                                  std::to_string(step.id));
      }
      if (step.kind == UndoStep::Kind::Deleted) {
        const json& b = s.at("before");
        for (const json& o : b.at("objects")) step.before.objects.push_back(objectFromJson(o));
        step.before.members = b.at("members").get<std::map<ObjId, std::vector<ObjId>>>();
        step.before.parent = b.at("parent").get<ObjId>();
        step.before.before = b.at("before").get<ObjId>();
        step.before.selected = b.at("selected").get<bool>();
      }
      r.steps.push_back(std::move(step));
    }
    for (const auto& [tag, bin] : j.at("data_objects").items())
      r.dataObjects.emplace(static_cast<std::uint32_t>(std::stoul(tag)), bin.get_binary());
    r.currentLayer = j.at("current_layer").get<ObjId>();
    r.dataChanged = j.at("data_changed").get<bool>();
    if (j.contains("crs_before")) r.crsBefore = j.at("crs_before").get<std::string>();
    return r;
  } catch (const std::exception& e) {
    throw FileError(std::string("the undo record is damaged (") + e.what() + ")");
  }
}

}  // namespace tinhost::file
