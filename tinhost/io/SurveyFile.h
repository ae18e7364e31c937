// Readers of survey point and breakline files.
//
//   pnezd / penzd  point number, northing/easting (or easting/northing),
//                  elevation, description; comma or whitespace separated, an
//                  optional header line, '#' comments
//   xyz            x y z per line, whitespace and/or commas, '#' comments
//   csv            a header naming the x, y and z columns (x/easting/east,
//                  y/northing/north, z/elevation/elev/height); other columns ignored
//   breaklines     csv with line_id, x, y, z; the rows of one line consecutive and
//                  in vertex order; a line whose last vertex repeats the first is closed
//
// A file is read whole before anything is returned: the first bad row throws
// FileError "FILE:LINE: what is wrong", so a caller adds all of a file or none.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tinhost::io {

enum class Format { Auto, Pnezd, Penzd, Xyz, Csv, Breaklines };

std::optional<Format> parseFormat(std::string_view name);  // "auto", "pnezd", ...
std::string_view formatName(Format format);

struct SurveyPoint {
  double x = 0, y = 0, z = 0;  // easting, northing, elevation in the file's units
  std::size_t line = 0;        // where it was read
};

struct SurveyLine {
  std::string id;
  std::vector<SurveyPoint> vertices;  // the repeated closing vertex is dropped
  bool closed = false;
  std::size_t line = 0;  // the first row of the line
};

struct SurveyData {
  Format format = Format::Auto;  // the format actually read
  std::vector<SurveyPoint> points;
  std::vector<SurveyLine> lines;
};

// Ends a line read vertex by vertex: one whose last vertex repeats the first
// becomes closed without the repeat.  Throws FileError (naming `name` and the
// line's first row) for a line of one vertex, or closed on fewer than three.
void finishSurveyLine(const std::string& name, SurveyLine& line);

// Progress: called with bytes consumed so far and the file size.
using ByteProgress = std::function<void(std::size_t done, std::size_t total)>;

// Decides the format from the extension and the first content line.
Format detectFormat(const std::filesystem::path& path, std::string_view contents);
// The same, except that point rows, which read as pnezd and as penzd alike,
// give no format instead of an error: for a caller that can tell the order
// from elsewhere (and calls detectFormat for the error when it cannot).
std::optional<Format> detectFormatUnlessPointOrder(const std::filesystem::path& path, std::string_view contents);

// The whole text of a survey file; FileError when it is missing or unreadable.
std::string readSurveyText(const std::filesystem::path& path);

SurveyData readSurveyFile(const std::filesystem::path& path, Format format, const ByteProgress& progress = {});
// The same on text already in memory; `name` is used in messages.
SurveyData parseSurveyText(const std::string& name, std::string_view text, Format format,
                           const ByteProgress& progress = {});

}  // namespace tinhost::io
