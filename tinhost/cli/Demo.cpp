// The demo: a drawing from a real creek survey (373 points, 11 surveyed
// cross-sections as breaklines), a TIN with smoothed and labelled contours,
// its area and its cut and fill, a designed pad, the difference TIN
// between the two, a picture, the volume report of the earthwork and an
// interactive web view.  Each step is printed as the command a user would
// type, followed by what tinhost and the plug-in answered; a step that
// fails is reported as such and the demo goes on with the next one.
#include "tinhost/cli/Demo.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "tinhost/cli/CommandLine.h"
#include "tinhost/cli/Commands.h"
#include "tinhost/cli/Session.h"
#include "tinhost/core/Resources.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/SurveyFile.h"

namespace tinhost::cli {

namespace demo_data {
extern const unsigned char kPoints[];
extern const std::size_t kPointsSize;
extern const unsigned char kBreaklines[];
extern const std::size_t kBreaklinesSize;
extern const unsigned char kReadme[];
extern const std::size_t kReadmeSize;
}  // namespace demo_data

namespace {

namespace fs = std::filesystem;

std::string_view text(const unsigned char* bytes, std::size_t size) {
  return {reinterpret_cast<const char*>(bytes), size};
}

void writeFile(const fs::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw file::FileError(path.string() + ": cannot write it");
}

// A designed pad over the survey: a plane at 806 ft rising 1 % eastward,
// sampled on a 5 x 5 grid over the survey's extent plus 25 ft on every side,
// so that the design surface encloses the ground surface.
std::string designPad(std::string_view groundCsv) {
  const io::SurveyData ground = io::parseSurveyText("ground", groundCsv, io::Format::Csv);
  double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;
  for (const auto& p : ground.points) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  constexpr double kMargin = 25.0, kBase = 806.0, kGrade = 0.01;
  minX = std::floor(minX - kMargin), minY = std::floor(minY - kMargin);
  maxX = std::ceil(maxX + kMargin), maxY = std::ceil(maxY + kMargin);
  std::ostringstream out;
  out << "x,y,z\n";
  char row[96];
  for (int i = 0; i <= 4; ++i)
    for (int j = 0; j <= 4; ++j) {
      const double x = minX + (maxX - minX) * i / 4.0, y = minY + (maxY - minY) * j / 4.0;
      std::snprintf(row, sizeof row, "%.3f,%.3f,%.3f\n", x, y, kBase + kGrade * (x - minX));
      out << row;
    }
  return out.str();
}

void indent(std::ostream& out, const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) out << "    " << line << "\n";
}

struct Step {
  std::string what;
  std::string line;  // the session command
};

}  // namespace

int runDemo(const std::string& dirName, const std::string& plugin, Console& io) {
  const auto started = std::chrono::steady_clock::now();
  const fs::path dir(dirName);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw file::FileError(dirName + ": cannot create the directory (" + ec.message() + ")");
  const std::string_view points = text(demo_data::kPoints, demo_data::kPointsSize);
  writeFile(dir / "ground_points.csv", points);
  writeFile(dir / "ground_breaklines.csv", text(demo_data::kBreaklines, demo_data::kBreaklinesSize));
  writeFile(dir / "SAMPLE-SOURCE.md", text(demo_data::kReadme, demo_data::kReadmeSize));
  writeFile(dir / "design_pad.csv", designPad(points));
  const fs::path drawing = dir / "survey.tin";

  io.out << "tinhost demo in " << dir.string() << "\n"
         << "Sample: a slice of a real creek survey (see SAMPLE-SOURCE.md), feet.\n\n"
         << "$ tinhost new " << drawing.string() << " --unit ft --force\n";
  std::ostringstream made;
  Console quiet{io.in, made, made};
  runNew(NewArgs{drawing.string(), "ft", 1000, true}, kDefaultLockWait, quiet);
  indent(io.out, made.str());

  const std::string diffName = "Earthwork" + Resources::embedded().string(11101, 13).value_or("");
  const std::string ground2D = "Ground" + Resources::embedded().string(11101, 14).value_or("");
  const std::string pluginOption = plugin.empty() ? "" : " --plugin \"" + plugin + "\"";
  auto quoted = [&dir](const char* name) { return "\"" + (dir / name).string() + "\""; };
  const std::vector<Step> steps = {
      {"survey points", "import " + quoted("ground_points.csv") + " --layer Ground"},
      {"cross-sections as breaklines", "import " + quoted("ground_breaklines.csv") + " --layer Ground"},
      {"TIN of the ground: breaklines, smoothed contours every 1 ft, labels every 5th",
       "run create --layer Ground --set contourInterval=1 --set indexContourEvery=5 --set smooth=1 "
       "--set labelCntrs=1 --set useBrklns=1 --set wantHull=1 --set notResident=0 --set datumElev=806"},
      {"planimetric area of the ground TIN", "run area --choose Ground"},
      {"cut and fill of the ground against 806 ft", "run cutfill --choose Ground"},
      {"designed pad (806 ft, rising 1 % to the east)",
       "import " + quoted("design_pad.csv") + " --layer Design"},
      {"TIN of the design", "run create --layer Design --set contourInterval=1 --set notResident=0"},
      {"difference TIN: ground minus design",
       "run diff --layer Earthwork --set innerBase=Ground --set outerBase=Design --set contourInterval=0.5 "
       "--set labelCntrs=1 --set notResident=0"},
      {"earthwork volumes (cut and fill of the difference against 0)",
       "run cutfill --choose \"" + diffName + "\""},
      {"picture of the ground: survey, triangles, contours and labels",
       "export " + quoted("survey.png") + " --layer Ground --layer \"" + ground2D + "\""},
      {"volume report of the earthwork for the client: figures and cut/fill map",
       "report " + quoted("volumes.pdf") + " --tin \"" + diffName + "\""},
      {"the same report as one web page", "report " + quoted("volumes.html") + " --tin \"" + diffName + "\""},
      {"the figures of every TIN for spreadsheets", "report --csv " + quoted("volumes.csv")},
      {"interactive view of the whole drawing: plan, 3D, layers and TINs (opens offline in a browser)",
       "export " + quoted("view.html")},
  };

  Session session(drawing, Access::Write, kDefaultLockWait, io.err);
  int failed = 0;
  for (const Step& step : steps) {
    std::string line = step.line;
    if (line.rfind("run ", 0) == 0 || line.rfind("report ", 0) == 0) line += pluginOption;
    const auto space = line.find(' ');
    io.out << "\n# " << step.what << "\n$ tinhost " << line.substr(0, space) << " " << drawing.string()
           << line.substr(space) << "\n";
    std::ostringstream out, err;
    Console captured{io.in, out, err};
    int status = kExitOk;
    try {
      const Outcome o = executeLine(session, line, captured);
      status = o.status;
      if (o.changed) session.save();
    } catch (...) {
      status = reportCurrentError(captured, "");
    }
    indent(io.out, out.str() + err.str());
    if (status != kExitOk) {
      ++failed;
      io.out << "    -> this step did not succeed (exit status " << status << ")\n";
    }
  }
  session.endPlugin();

  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  io.out << "\nWhere everything is:\n"
         << "  " << drawing.string() << "    the drawing (tinhost info " << drawing.string() << " --json)\n"
         << "  " << (dir / "ground_points.csv").string() << ", " << (dir / "ground_breaklines.csv").string()
         << "    the survey sample\n"
         << "  " << (dir / "design_pad.csv").string() << "    the designed pad\n";
  if (fs::exists(dir / "survey.png")) io.out << "  " << (dir / "survey.png").string() << "    the picture\n";
  if (fs::exists(dir / "volumes.pdf"))
    io.out << "  " << (dir / "volumes.pdf").string() << ", " << (dir / "volumes.html").string()
           << "    the volume report of the earthwork (figures, cut/fill map)\n";
  if (fs::exists(dir / "volumes.csv"))
    io.out << "  " << (dir / "volumes.csv").string() << "    the figures of every TIN, for spreadsheets\n";
  if (fs::exists(dir / "view.html"))
    io.out << "  " << (dir / "view.html").string() << "    the interactive view (open it in a browser)\n";
  char summary[160];
  std::snprintf(summary, sizeof summary, "%d of %zu steps succeeded in %.1f s.\n",
                static_cast<int>(steps.size()) - failed, steps.size(), seconds);
  io.out << "\n" << summary;
  if (failed > 0)
    io.out << "Steps that did not succeed are shown above with the answer they got; the drawing keeps what the "
              "others did.\n";
  return failed > 0 ? kExitAlert : kExitOk;
}

}  // namespace tinhost::cli
