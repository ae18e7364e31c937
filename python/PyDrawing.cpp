#include "python/PyDrawing.h"

#include <iostream>
#include <limits>
#include <sstream>

#include "tinhost/cli/CommandLine.h"
#include "tinhost/cli/Console.h"
#include "tinhost/core/BuildNotices.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"
#include "tinhost/io/Placement.h"

namespace tinhost::python {
namespace {

// The streams of one operation, read back as text.
struct Captured {
  std::istringstream in;
  std::ostringstream out, err;
  cli::Console console{in, out, err};
};

}  // namespace

std::unique_ptr<Drawing> Drawing::create(const cli::NewArgs& args, std::chrono::milliseconds wait,
                                         std::string plugin) {
  Captured c;
  cli::runNew(args, wait, c.console);
  return std::make_unique<Drawing>(args.drawing, wait, std::move(plugin));
}

Drawing::Drawing(const std::string& path, std::chrono::milliseconds wait, std::string plugin, bool readOnly)
    : path_(path), plugin_(std::move(plugin)), readOnly_(readOnly) {
  // A drawing held by another writer: the wait is said on stderr, as the command line says it.
  session_ = std::make_unique<cli::Session>(path, readOnly ? cli::Access::Read : cli::Access::Write, wait, std::cerr);
}

Drawing::~Drawing() {
  try {
    close(false);
  } catch (...) {  // a destructor cannot report; close() called by the user does
  }
}

cli::Session& Drawing::session() {
  if (session_ == nullptr) throw cli::UsageError(path_ + ": the drawing is closed");
  return *session_;
}

void Drawing::touched(bool changed) {
  geometry_.clear();  // even a command that changed nothing may have put things back
  samplers_.clear();
  tins_.reset();
  changed_ = changed_ || changed;
}

ImportOutcome Drawing::importFile(const cli::ImportArgs& args) {
  cli::Session& s = session();
  Captured c;
  ImportOutcome o{cli::importWithOptions(s, args), {}, {}};
  const cli::Outcome outcome = cli::reportImport(s, o.result, args.file, c.console);
  touched(outcome.changed);
  o.out = c.out.str(), o.err = c.err.str();
  return o;
}

ImportOutcome Drawing::importData(const std::string& name, const io::SurveyData& data, const std::string& layer) {
  cli::Session& s = session();
  Captured c;
  ImportOutcome o{io::importSurveyData(s.host(), name, data, layer), {}, {}};
  const cli::Outcome outcome = cli::reportImport(s, o.result, name, c.console);
  touched(outcome.changed);
  o.out = c.out.str(), o.err = c.err.str();
  return o;
}

RunResult Drawing::run(cli::RunArgs args) {
  cli::Session& s = session();
  if (args.plugin.empty()) args.plugin = plugin_;
  samplers_.clear();  // the command gets the host's memory as on the command line
  Captured c;
  RunResult r;
  try {
    const cli::Outcome o = cli::runMenuCommand(s, args, c.console);
    r.status = o.status;
    r.changed = o.changed;
  } catch (...) {
    touched(false);
    throw;
  }
  touched(r.changed);
  const DialogManager& dialogs = s.host().dialogs();
  for (const ReportRecord& report : dialogs.reports()) r.reports.push_back(report.text);
  for (const AlertRecord& a : dialogs.alerts()) r.alerts.emplace_back(a.text, a.detail);
  r.out = c.out.str(), r.err = c.err.str();
  return r;
}

RunResult Drawing::undo() {
  Captured c;
  const cli::Outcome o = cli::runUndo(session(), c.console);
  touched(o.changed);
  return RunResult{o.status, o.changed, {}, {}, c.out.str(), c.err.str()};
}

std::string Drawing::info(bool objects) {
  Captured c;
  cli::runInfo(session(), cli::InfoArgs{true, objects}, c.console);
  return c.out.str();
}

std::string Drawing::exportTo(const cli::ExportArgs& args) {
  Captured c;
  cli::runExport(session(), args, c.console);
  return c.out.str() + c.err.str();
}

std::optional<std::span<const std::uint8_t>> Drawing::tinData() {
  Host& host = session().host();
  const KVHandle h = host.findDataObject(kTINDataTag);
  if (h == nullptr) return std::nullopt;
  return host.memory().contents(h);
}

const std::vector<StoredTIN>& Drawing::tins() {
  if (!tins_) {
    const auto data = tinData();
    tins_ = data ? readStoredTINsFrom(*data) : std::vector<StoredTIN>{};
  }
  return *tins_;
}

std::shared_ptr<const StoredTINGeometry> Drawing::geometry(std::size_t index) {
  auto it = geometry_.find(index);
  if (it == geometry_.end()) {
    const auto data = tinData();
    if (!data) throw HostError("the drawing holds no TINs");
    StoredTINGeometry g = readStoredTINGeometry(*data, index);
    const auto [x0, y0] = origin();  // the plug-in keeps plan positions relative to it
    for (std::size_t k = 0; k < g.xyz.size(); k += 3) g.xyz[k] += x0, g.xyz[k + 1] += y0;
    it = geometry_.emplace(index, std::make_shared<const StoredTINGeometry>(std::move(g))).first;
  }
  return it->second;
}

std::vector<DrawnContour> Drawing::contours(const std::string& layerName) {
  constexpr std::int16_t kClassNames = 11103, k3DContour = 3, k3DIndexContour = 4;  // the plug-in's class list
  Host& host = session().host();
  const Document& doc = host.document();
  auto classId = [&](std::int16_t entry) -> std::int16_t {
    const std::string name = host.resources().string(kClassNames, entry).value_or("");
    const auto classes = doc.classes();
    for (std::size_t k = 0; k < classes.size(); ++k)
      if (!name.empty() && classes[k] == name) return static_cast<std::int16_t>(k + 1);
    return -1;  // no object has it
  };
  const std::int16_t ordinary = classId(k3DContour), index = classId(k3DIndexContour);
  const ObjId layer = io::findLayer(host, layerName);
  std::vector<DrawnContour> out;
  if (layer == kNoObject) return out;
  const UserPlace place{doc.units(), doc.state().originX, doc.state().originY};
  const double perUnit = doc.units().worldPerUnit > 0 ? doc.units().worldPerUnit : 1;
  for (ObjId id : doc.walk(WalkScope::All)) {
    const DrawingObject& o = doc.get(id);
    if (o.type != kKVTypePoly3D || (o.objectClass != ordinary && o.objectClass != index)) continue;
    if (doc.layerOf(id) != layer) continue;
    DrawnContour c;
    c.index = o.objectClass == index;
    for (const Vertex& v : o.vertices) c.xyz.insert(c.xyz.end(), {place.x(v.x), place.y(v.y), v.z / perUnit});
    out.push_back(std::move(c));
  }
  return out;
}

std::vector<double> Drawing::sample(std::size_t index, std::span<const double> xy) {
  const Document& doc = session().host().document();
  const UnitsRecord& units = doc.units();
  const auto [x0, y0] = origin();
  std::vector<WorldPoint> points;
  std::vector<std::size_t> rows;  // the input row of each point that has a world position
  points.reserve(xy.size() / 2), rows.reserve(xy.size() / 2);
  for (std::size_t k = 0; k + 1 < xy.size(); k += 2) {
    const auto x = io::toWorld(xy[k], x0, units.worldPerUnit), y = io::toWorld(xy[k + 1], y0, units.worldPerUnit);
    if (x && y) points.push_back(WorldPoint{*x, *y}), rows.push_back(k / 2);
  }
  auto it = samplers_.find(index);
  if (it == samplers_.end())
    it = samplers_.emplace(index, std::make_unique<StoredTINSampler>(session().host(), index)).first;
  const auto z = it->second->sample(points);
  // Elevations as the stored TIN gives its vertices: (z / S) / U.
  std::vector<double> out(xy.size() / 2, std::numeric_limits<double>::quiet_NaN());
  for (std::size_t k = 0; k < z.size(); ++k)
    if (z[k]) out[rows[k]] = (*z[k] / units.scale) / units.worldPerUnit;
  return out;
}

std::pair<double, double> Drawing::origin() {
  const DocumentState& state = session().host().document().state();
  return {state.originX, state.originY};
}

void Drawing::save() {
  cli::Session& s = session();
  if (!changed_) return;
  if (readOnly_) throw cli::UsageError(path_ + ": opened read-only; open it without readonly to save changes");
  s.save();
  changed_ = false;
}

void Drawing::close(bool keep) {
  if (session_ == nullptr) return;
  geometry_.clear();
  samplers_.clear();
  tins_.reset();
  const std::unique_ptr<cli::Session> s = std::move(session_);  // the lock goes with it, whatever happens
  s->endPlugin();  // action 2 before the drawing is written, as the command line does
  if (keep && changed_ && readOnly_)
    throw cli::UsageError(path_ + ": opened read-only; its changes were not saved");
  if (keep && changed_) s->save();
  changed_ = false;
}

}  // namespace tinhost::python
