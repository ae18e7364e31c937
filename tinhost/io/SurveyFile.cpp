#include "tinhost/io/SurveyFile.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "tinhost/file/FileError.h"
#include "tinhost/io/TextRows.h"

namespace tinhost::io {
namespace {

using file::FileError;

[[noreturn]] void failAt(const std::string& name, std::size_t line, const std::string& what) {
  throw FileError(name + ":" + std::to_string(line) + ": " + what);
}

// Column names a header may use for easting, northing and elevation.
bool namesX(const std::string& n) { return n == "x" || n == "easting" || n == "east" || n == "e"; }
bool namesY(const std::string& n) { return n == "y" || n == "northing" || n == "north" || n == "n"; }
bool namesZ(const std::string& n) {
  return n == "z" || n == "elevation" || n == "elev" || n == "height" || n == "h";
}
bool namesLineId(const std::string& n) { return n == "line_id" || n == "lineid" || n == "line"; }

struct Columns {
  std::size_t x = 0, y = 0, z = 0, lineId = 0;
  bool hasLineId = false;
};

Columns readHeader(const std::string& name, std::size_t lineNo, const std::vector<std::string>& fields,
                   bool wantLineId) {
  Columns c;
  bool hx = false, hy = false, hz = false;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string n = lower(fields[i]);
    if (!hx && namesX(n)) c.x = i, hx = true;
    else if (!hy && namesY(n)) c.y = i, hy = true;
    else if (!hz && namesZ(n)) c.z = i, hz = true;
    else if (!c.hasLineId && namesLineId(n)) c.lineId = i, c.hasLineId = true;
  }
  if (!hx) failAt(name, lineNo, "the header names no x column (x, easting or east)");
  if (!hy) failAt(name, lineNo, "the header names no y column (y, northing or north)");
  if (!hz) failAt(name, lineNo, "the header names no z column (z, elevation or elev)");
  if (wantLineId && !c.hasLineId) failAt(name, lineNo, "the header names no line_id column");
  return c;
}

double number(const std::string& name, std::size_t lineNo, const std::vector<std::string>& fields,
              std::size_t index, const char* what) {
  if (index >= fields.size())
    failAt(name, lineNo, "no " + std::string(what) + " (column " + std::to_string(index + 1) + "; the row has " +
                             std::to_string(fields.size()) + " fields)");
  const auto v = parseNumber(fields[index]);
  if (!v) failAt(name, lineNo, std::string(what) + " '" + fields[index] + "' is not a number");
  return *v;
}

class Reader {
 public:
  Reader(std::string name, std::string_view text, const ByteProgress& progress)
      : name_(std::move(name)), rows_(text), total_(text.size()), progress_(progress) {}

  // The next line that is neither blank nor a comment; false at the end.
  bool next() {
    while (rows_.next()) {
      if (progress_ && (rows_.number() & 0x3FF) == 0) progress_(rows_.consumed(), total_);
      if (!isCommentOrBlank(rows_.line())) return true;
    }
    return false;
  }
  std::string_view line() const { return rows_.line(); }
  std::size_t number() const { return rows_.number(); }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  LineScanner rows_;
  std::size_t total_;
  const ByteProgress& progress_;
};

std::vector<std::string> splitRow(std::string_view line) {
  return line.find(',') != std::string_view::npos ? splitCommas(line) : splitLoose(line);
}

void readPointRows(Reader& r, Format format, SurveyData& out) {
  const bool pnezd = format == Format::Pnezd;
  bool first = true;
  while (r.next()) {
    const auto fields = splitRow(r.line());
    const bool isFirst = std::exchange(first, false);
    if (isFirst && fields.size() >= 4 && !parseNumber(fields[1]) && !parseNumber(fields[2]) && !parseNumber(fields[3]))
      continue;  // a header line
    if (fields.size() < 4)
      failAt(r.name(), r.number(), "expected point number, " + std::string(pnezd ? "northing, easting" : "easting, northing") +
                                       ", elevation[, description]; found " + std::to_string(fields.size()) + " field(s)");
    const double a = number(r.name(), r.number(), fields, 1, pnezd ? "northing" : "easting");
    const double b = number(r.name(), r.number(), fields, 2, pnezd ? "easting" : "northing");
    const double z = number(r.name(), r.number(), fields, 3, "elevation");
    out.points.push_back(pnezd ? SurveyPoint{b, a, z, r.number()} : SurveyPoint{a, b, z, r.number()});
  }
}

void readXyz(Reader& r, SurveyData& out) {
  while (r.next()) {
    const auto fields = splitLoose(r.line());
    if (fields.size() < 3)
      failAt(r.name(), r.number(), "expected x y z; found " + std::to_string(fields.size()) + " field(s)");
    out.points.push_back(SurveyPoint{number(r.name(), r.number(), fields, 0, "x"),
                                     number(r.name(), r.number(), fields, 1, "y"),
                                     number(r.name(), r.number(), fields, 2, "z"), r.number()});
  }
}

SurveyPoint readXyzColumns(const Reader& r, const Columns& c, const std::vector<std::string>& fields) {
  return SurveyPoint{number(r.name(), r.number(), fields, c.x, "x"), number(r.name(), r.number(), fields, c.y, "y"),
                     number(r.name(), r.number(), fields, c.z, "z"), r.number()};
}

void readCsv(Reader& r, SurveyData& out) {
  if (!r.next()) return;
  const Columns c = readHeader(r.name(), r.number(), splitCommas(r.line()), false);
  while (r.next()) out.points.push_back(readXyzColumns(r, c, splitCommas(r.line())));
}

void readBreaklines(Reader& r, SurveyData& out) {
  if (!r.next()) return;
  const Columns c = readHeader(r.name(), r.number(), splitCommas(r.line()), true);
  std::map<std::string, std::size_t> seen;  // line id -> its first row
  while (r.next()) {
    const auto fields = splitCommas(r.line());
    if (c.lineId >= fields.size() || fields[c.lineId].empty()) failAt(r.name(), r.number(), "no line_id");
    const std::string& id = fields[c.lineId];
    if (out.lines.empty() || out.lines.back().id != id) {
      if (const auto it = seen.find(id); it != seen.end())
        failAt(r.name(), r.number(), "line " + id + " continues here, but its rows began at line " +
                                         std::to_string(it->second) + " and other lines came between");
      if (!out.lines.empty()) finishSurveyLine(r.name(), out.lines.back());
      seen.emplace(id, r.number());
      out.lines.push_back(SurveyLine{id, {}, false, r.number()});
    }
    out.lines.back().vertices.push_back(readXyzColumns(r, c, fields));
  }
  if (!out.lines.empty()) finishSurveyLine(r.name(), out.lines.back());
}

std::string extensionOf(const std::filesystem::path& path) { return lower(path.extension().string()); }

}  // namespace

void finishSurveyLine(const std::string& name, SurveyLine& line) {
  const auto& v = line.vertices;
  if (v.size() < 2) failAt(name, line.line, "line " + line.id + " has only one vertex");
  const bool repeats = v.size() >= 2 && v.front().x == v.back().x && v.front().y == v.back().y && v.front().z == v.back().z;
  if (repeats) {
    if (v.size() < 4)
      failAt(name, line.line, "line " + line.id + " closes on itself with fewer than 3 distinct vertices");
    line.vertices.pop_back();
    line.closed = true;
  }
}

std::optional<Format> parseFormat(std::string_view name) {
  const std::string n = lower(name);
  if (n == "auto") return Format::Auto;
  if (n == "pnezd") return Format::Pnezd;
  if (n == "penzd") return Format::Penzd;
  if (n == "xyz") return Format::Xyz;
  if (n == "csv") return Format::Csv;
  if (n == "breaklines") return Format::Breaklines;
  return std::nullopt;
}

std::string_view formatName(Format format) {
  switch (format) {
    case Format::Auto: return "auto";
    case Format::Pnezd: return "pnezd";
    case Format::Penzd: return "penzd";
    case Format::Xyz: return "xyz";
    case Format::Csv: return "csv";
    case Format::Breaklines: return "breaklines";
  }
  return "auto";
}

namespace {

// What the extension and the first content line say; no format, with the
// line, for point rows that read either way round.
struct Detected {
  std::optional<Format> format;
  std::size_t pointRowLine = 0;
};

Detected detect(const std::filesystem::path& path, std::string_view contents) {
  const std::string ext = extensionOf(path);
  if (ext == ".pnezd") return {Format::Pnezd};
  if (ext == ".penzd") return {Format::Penzd};
  if (ext == ".xyz") return {Format::Xyz};
  LineScanner rows(contents);
  while (rows.next() && isCommentOrBlank(rows.line())) {
  }
  const std::string name = path.string();
  if (isCommentOrBlank(rows.line())) return {ext == ".csv" ? Format::Csv : Format::Xyz};  // nothing to read
  const auto fields = splitRow(rows.line());
  std::vector<std::string> names;
  for (const auto& f : fields) names.push_back(lower(f));
  const bool numeric = std::all_of(fields.begin(), fields.end(), [](const auto& f) { return parseNumber(f).has_value(); });
  const bool pointRow = fields.size() >= 4 && parseNumber(fields[1]) && parseNumber(fields[2]) && parseNumber(fields[3]);
  if (pointRow) return {std::nullopt, rows.number()};
  if (!numeric) {
    auto at = [&](auto pred) { return std::find_if(names.begin(), names.end(), pred) - names.begin(); };
    const auto lineId = at(namesLineId), x = at(namesX), y = at(namesY);
    const auto end = static_cast<std::ptrdiff_t>(names.size());
    if (lineId < end && x < end && y < end) return {Format::Breaklines};
    if (x < end && y < end) return {Format::Csv};  // columns found by name, in any order
    failAt(name, rows.number(),
           "cannot tell the format: the header names no x and y (or easting and northing) columns; "
           "name the format with --format pnezd|penzd|xyz|csv|breaklines");
  }
  if (fields.size() == 3) return {Format::Xyz};
  failAt(name, rows.number(), "cannot tell the format of a row of " + std::to_string(fields.size()) +
                                  " numbers; name it with --format");
}

}  // namespace

Format detectFormat(const std::filesystem::path& path, std::string_view contents) {
  const Detected d = detect(path, contents);
  if (!d.format)
    failAt(path.string(), d.pointRowLine,
           "cannot tell the format: point, northing, easting, elevation (pnezd) or point, easting, northing, "
           "elevation (penzd)? name it with --format pnezd or --format penzd");
  return *d.format;
}

std::optional<Format> detectFormatUnlessPointOrder(const std::filesystem::path& path, std::string_view contents) {
  return detect(path, contents).format;
}

SurveyData parseSurveyText(const std::string& name, std::string_view text, Format format,
                           const ByteProgress& progress) {
  SurveyData out;
  out.format = format == Format::Auto ? detectFormat(name, text) : format;
  Reader r(name, text, progress);
  switch (out.format) {
    case Format::Pnezd:
    case Format::Penzd: readPointRows(r, out.format, out); break;
    case Format::Xyz: readXyz(r, out); break;
    case Format::Csv: readCsv(r, out); break;
    case Format::Breaklines: readBreaklines(r, out); break;
    case Format::Auto: break;
  }
  if (progress) progress(text.size(), text.size());
  return out;
}

std::string readSurveyText(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw FileError(path.string() + ": no such file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(path.string() + ": cannot open it");
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

SurveyData readSurveyFile(const std::filesystem::path& path, Format format, const ByteProgress& progress) {
  const std::string text = readSurveyText(path);
  if (format == Format::Auto) format = detectFormat(path, text);
  return parseSurveyText(path.string(), text, format, progress);
}

}  // namespace tinhost::io
