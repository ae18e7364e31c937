#include "tinhost/io/LasImport.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "tinhost/core/Host.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/ImportCrs.h"
#include "tinhost/io/LasCrs.h"
#include "tinhost/io/LasFile.h"
#include "tinhost/io/Progress.h"
#include "tinhost/io/TextRows.h"

namespace tinhost::io {
namespace {

using file::FileError;

constexpr std::size_t kBatchPoints = 1 << 16;

// Classes 0 (never classified) and 1 (unclassified) say nothing about the ground.
bool isClassified(std::uint8_t c) { return c > 1; }

// One kept point per thinning cell, found by the cell's indices.  Open
// addressing with linear probing: a LiDAR tile has millions of cells, and a
// node per cell would cost more than the points.
class CellTable {
 public:
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  // The slot of the cell: its kept point's index, or kEmpty for a new cell
  // (which the caller then fills).
  std::uint32_t& at(std::int64_t cx, std::int64_t cy) {
    if (2 * (used_ + 1) > keys_.size()) grow();
    std::size_t i = slotOf(cx, cy);
    while (values_[i] != kEmpty && (keys_[i].x != cx || keys_[i].y != cy))
      i = (i + 1) & (keys_.size() - 1);
    if (values_[i] == kEmpty) keys_[i] = {cx, cy}, ++used_;
    return values_[i];
  }

 private:
  struct Key {
    std::int64_t x = 0, y = 0;
  };
  std::size_t slotOf(std::int64_t cx, std::int64_t cy) const {
    std::uint64_t h =
        static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint64_t>(cy);
    h ^= h >> 29, h *= 0xBF58476D1CE4E5B9ULL, h ^= h >> 32;
    return static_cast<std::size_t>(h) & (keys_.size() - 1);
  }
  void grow() {
    std::vector<Key> keys = std::move(keys_);
    std::vector<std::uint32_t> values = std::move(values_);
    keys_.assign(std::max<std::size_t>(1024, keys.size() * 2), Key{});
    values_.assign(keys_.size(), kEmpty);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (values[i] == kEmpty) continue;
      std::size_t j = slotOf(keys[i].x, keys[i].y);
      while (values_[j] != kEmpty) j = (j + 1) & (keys_.size() - 1);
      keys_[j] = keys[i], values_[j] = values[i];
    }
  }
  std::vector<Key> keys_;
  std::vector<std::uint32_t> values_;
  std::size_t used_ = 0;
};

// Reads the file until the first classified point: a classified file
// usually shows one in its first batch.
bool hasClassifiedPoints(LasReader& reader) {
  std::vector<LasPoint> batch;
  batch.reserve(kBatchPoints);
  bool found = false;
  while (!found && reader.next(batch) > 0)
    for (const LasPoint& p : batch)
      if (!p.withheld && isClassified(p.classification)) found = true;
  reader.rewind();
  return found;
}

std::string classList(const std::bitset<256>& classes) {
  std::string s;
  for (std::size_t c = 0; c < classes.size(); ++c)
    if (classes[c]) s += (s.empty() ? "" : ", ") + std::to_string(c);
  return s;
}

class PointFilter {
 public:
  PointFilter(const LasOptions& options, const std::bitset<256>& classes, double cell,
              LasTally& tally)
      : options_(options), classes_(classes), cell_(cell), tally_(tally) {}

  // Counts the point and adds it to `kept` (or replaces its cell's point).
  void offer(const LasPoint& p, const SurveyPoint& real, std::vector<SurveyPoint>& kept) {
    ++tally_.read;
    if (p.withheld) {
      ++tally_.withheld;
      return;
    }
    if (!classes_[p.classification]) {
      ++tally_.otherClass[p.classification];
      return;
    }
    if (options_.lastReturnOnly && p.returnNumber != p.returnCount) {
      ++tally_.notLastReturn;
      return;
    }
    if (cell_ <= 0.0) {
      kept.push_back(real);
      return;
    }
    const double fx = std::floor(real.x / cell_), fy = std::floor(real.y / cell_);
    std::uint32_t& slot = cells_.at(static_cast<std::int64_t>(fx), static_cast<std::int64_t>(fy));
    if (slot == CellTable::kEmpty) {
      slot = static_cast<std::uint32_t>(kept.size());
      kept.push_back(real);
      return;
    }
    ++tally_.thinned;
    SurveyPoint& held = kept[slot];
    if (centreDistance(real, fx, fy) < centreDistance(held, fx, fy)) held = real;
  }

 private:
  double centreDistance(const SurveyPoint& p, double fx, double fy) const {
    const double dx = p.x - (fx + 0.5) * cell_, dy = p.y - (fy + 0.5) * cell_;
    return dx * dx + dy * dy;
  }
  const LasOptions& options_;
  const std::bitset<256>& classes_;
  double cell_;
  LasTally& tally_;
  CellTable cells_;
};

}  // namespace

void parseLasClasses(const std::string& text, LasOptions& options) {
  const std::string t = lower(std::string(trim(text)));
  if (t == "all") {
    options.classes = LasOptions::Classes::All;
    return;
  }
  std::bitset<256> listed;
  for (const std::string& field : splitCommas(t)) {
    const auto v = parseNumber(field);
    if (!v || *v != std::floor(*v) || *v < 0 || *v > 255)
      throw std::invalid_argument(
          "--classes takes class numbers 0 to 255 separated by commas, or all; '" + field +
          "' is not one");
    listed.set(static_cast<std::size_t>(*v));
  }
  if (listed.none())
    throw std::invalid_argument("--classes needs at least one class number, or all");
  options.classes = LasOptions::Classes::Listed;
  options.listed = listed;
}

std::uint64_t LasTally::leftOutForClass() const {
  std::uint64_t n = 0;
  for (std::uint64_t c : otherClass) n += c;
  return n;
}

std::vector<std::string> describeLasTally(const LasTally& t, const LasOptions& options) {
  std::vector<std::string> lines;
  lines.push_back("kept " + thousands(t.kept) + " of " + thousands(t.read) + " point records (" +
                  t.classesKept + (options.lastReturnOnly ? "; last returns only" : "") + ")");
  std::vector<std::string> why;
  if (t.withheld > 0)
    why.push_back(thousands(t.withheld) + " withheld (flagged as deleted in the file)");
  if (const std::uint64_t n = t.leftOutForClass(); n > 0) {
    std::string s = thousands(n) + " of other classes (";
    bool first = true;
    for (std::size_t c = 0; c < t.otherClass.size(); ++c) {
      if (t.otherClass[c] == 0) continue;
      s += (first ? "" : ", ") + std::string("class ") + std::to_string(c) + ": " +
           thousands(t.otherClass[c]);
      first = false;
    }
    why.push_back(s + ")");
  }
  if (t.notLastReturn > 0)
    why.push_back(thousands(t.notLastReturn) + " not the last return of their pulse");
  if (t.thinned > 0) {
    char cell[48];
    std::snprintf(cell, sizeof cell, "%g x %g", options.thinCell, options.thinCell);
    why.push_back(thousands(t.thinned) + " thinned (a point nearer the centre of its " + cell + " cell was kept)");
  }
  if (!why.empty()) {
    std::string s = "left out:";
    for (std::size_t i = 0; i < why.size(); ++i) s += (i == 0 ? " " : "; ") + why[i];
    lines.push_back(s);
  }
  return lines;
}

bool isLasPath(const std::filesystem::path& path) {
  const std::string ext = lower(path.extension().string());
  return ext == ".las" || ext == ".laz";
}

ImportResult importLasFile(Host& host, const std::filesystem::path& path, const LasOptions& options,
                           const std::string& layer, LasTally* tallyOut) {
  const std::string name = path.string();
  LasReader reader(path);
  const LasHeader& header = reader.header();
  const CrsMatch crs =
      matchFileCrs(host, lasCoordinateSystem(header, reader.crsRecords(), name), name);

  LasTally tally;
  std::bitset<256> classes;
  switch (options.classes) {
    case LasOptions::Classes::All:
      classes.set();
      tally.classesKept = "all classes";
      break;
    case LasOptions::Classes::Listed:
      classes = options.listed;
      tally.classesKept = (classes.count() == 1 ? "class " : "classes ") + classList(classes);
      break;
    case LasOptions::Classes::GroundWhenClassified:
      if (hasClassifiedPoints(reader)) {
        classes.set(kLasGroundClass);
        tally.classesKept = "class 2, ground, as the file is classified";
      } else {
        classes.set();
        tally.classesKept = "all classes, as the file is not classified";
      }
      break;
  }

  ImportedDrawing d;
  d.format = "las";
  std::vector<SurveyPoint>& kept = d.layer("").points;
  {
    Progress progress("reading " + path.filename().string(), header.pointCount);
    PointFilter filter(options, classes, options.thinCell, tally);
    std::vector<LasPoint> batch;
    batch.reserve(kBatchPoints);
    std::size_t record = 0;
    while (reader.next(batch) > 0) {
      for (const LasPoint& p : batch) {
        ++record;
        const SurveyPoint real{reader.realX(p.x) * crs.horizontal,
                               reader.realY(p.y) * crs.horizontal, reader.realZ(p.z) * crs.vertical,
                               record};
        filter.offer(p, real, kept);
      }
      progress.update(reader.pointsRead());
    }
  }
  tally.kept = kept.size();

  ImportResult result = importDrawingData(host, name, d, layer, crs.adopt);
  if (result.layers.empty()) {  // nothing kept: say where it would have gone
    const ObjId id = layer.empty() ? host.document().currentLayer() : findLayer(host, layer);
    result.layer = id == kNoObject ? layer : host.document().get(id).name.str();
  }
  for (const std::string& line : describeLasTally(tally, options)) result.notes.push_back(line);
  result.notes.insert(result.notes.end(), crs.notes.begin(), crs.notes.end());
  if (tallyOut != nullptr) *tallyOut = tally;
  return result;
}

}  // namespace tinhost::io
