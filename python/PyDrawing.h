// The drawing as the Python module holds it: one host session (cli::Session,
// the same one `tinhost script` runs), in which every operation goes through
// the command line's own functions: imports through importWithOptions and
// io::importSurveyData, menu commands through runMenuCommand, info and export
// through runInfo and runExport.  Nothing here computes a result of its own.
//
// A drawing opened for writing holds its lock (DrawingLock) from open() to
// close(), as `script` and `shell` do, so a command line run meanwhile waits
// for it and never overwrites what this session saves.  One opened read-only
// holds nothing and reads the file as it was last saved.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "python/PluginSampler.h"
#include "tinhost/cli/Commands.h"
#include "tinhost/cli/Session.h"
#include "tinhost/core/StoredTINs.h"
#include "tinhost/io/Importer.h"
#include "tinhost/io/SurveyFile.h"

namespace tinhost::python {

// What a command said: its reports (one line each), the alerts it showed
// (text and detail), and the other lines it wrote on stderr (warnings).
struct RunResult {
  int status = 0;
  bool changed = false;
  std::vector<std::string> reports;
  std::vector<std::pair<std::string, std::string>> alerts;
  std::string out, err;  // everything as the command line prints it
};

// What an import added, with the lines `tinhost import` prints.
struct ImportOutcome {
  io::ImportResult result;
  std::string out, err;
};

// A 3D contour as the plug-in drew it: its points in user units (the
// drawing's origin added, z the contour's elevation) and whether it is an
// index contour.
struct DrawnContour {
  std::vector<double> xyz;
  bool index = false;
};

class Drawing {
 public:
  // Creates the file as `tinhost new` does, then opens it.
  static std::unique_ptr<Drawing> create(const cli::NewArgs& args, std::chrono::milliseconds wait,
                                         std::string plugin);
  // A reader (readOnly) holds nothing and cannot save, as `info` and `export`.
  Drawing(const std::string& path, std::chrono::milliseconds wait, std::string plugin, bool readOnly = false);
  ~Drawing();
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

  const std::string& path() const { return path_; }
  bool closed() const { return session_ == nullptr; }
  bool changed() const { return changed_; }
  bool readOnly() const { return readOnly_; }

  ImportOutcome importFile(const cli::ImportArgs& args);
  ImportOutcome importData(const std::string& name, const io::SurveyData& data, const std::string& layer);
  RunResult run(cli::RunArgs args);
  RunResult undo();
  std::string info(bool objects);  // the JSON of `info --json`
  std::string exportTo(const cli::ExportArgs& args);

  const std::vector<StoredTIN>& tins();  // read once per state of the drawing
  // The stored geometry of the TIN at `index` (0-based), decoded once per
  // state of the drawing and shared by every array handed out for it; plan
  // positions with the drawing's origin added, as the user gave them.
  std::shared_ptr<const StoredTINGeometry> geometry(std::size_t index);
  // The 3D contours drawn on `layer` (a TIN's 3D layer), in drawing order.
  std::vector<DrawnContour> contours(const std::string& layer);
  // The elevation of the TIN at `index` at each plan point (x, y pairs in
  // user units, the drawing's origin included), in user units; NaN where the
  // TIN does not cover the point.  The plug-in answers (PluginSampler.h) at
  // the world point nearest to each.
  std::vector<double> sample(std::size_t index, std::span<const double> xy);
  // Where the drawing's world origin lies, user units.
  std::pair<double, double> origin();

  // Writes the drawing when it changed since it was read or last saved.
  void save();
  // Ends the plug-in and releases the drawing, saving first when `keep`.
  void close(bool keep);

 private:
  cli::Session& session();
  // The plug-in's TIN data object as the host holds it now (no copy); none
  // when the drawing has none.
  std::optional<std::span<const std::uint8_t>> tinData();
  void touched(bool changed);

  std::string path_, plugin_;
  std::unique_ptr<cli::Session> session_;
  bool changed_ = false;
  bool readOnly_ = false;
  std::optional<std::vector<StoredTIN>> tins_;
  std::map<std::size_t, std::shared_ptr<const StoredTINGeometry>> geometry_;
  std::map<std::size_t, std::unique_ptr<StoredTINSampler>> samplers_;  // hold plug-in memory: cleared before session_ goes
};

}  // namespace tinhost::python
