// The volume report of one TIN, for a client: a page of figures (a table and
// a few sentences on where they come from) and a page with the TIN drawn as
// a cut/fill map (CutFillMap.h), a legend of the ramp, a scale bar and a
// north arrow.
//   .pdf         two A4 pages, figures first, drawn with cairo
//   .html .htm   one self-contained page: the figures as a table, the map
//                as inline SVG drawn by the same painter
// The file is written beside the target and renamed over it when complete.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tinhost/core/StoredTINs.h"
#include "tinhost/io/ExportScope.h"
#include "tinhost/io/Exporter.h"

namespace tinhost::io {

struct ReportRow {
  std::string label, value;
  bool number = false;  // aligned to the right; other values wrap in their column
};

// What the report says, in words the caller chose.
struct VolumeReportText {
  std::string title;                 // "Volume report: TIN "Ground""
  std::vector<std::string> heading;  // lines under the title: drawing, date
  std::vector<ReportRow> rows;       // the table of figures
  std::vector<std::string> notes;    // paragraphs under the table
  std::string mapTitle;              // over the map
  std::vector<ReportRow> mapFigures;  // the main figures again, beside the map
};

bool isReportPath(const std::filesystem::path& path);

// `surface` and `datum` in world units; the scope holds the TIN's layers
// (contours, hull, labels).  Throws FileError for an extension other than
// .pdf, .html or .htm, or when the file cannot be written.
ExportResult writeVolumeReport(const ExportScope& scope, const StoredSurface& surface, double datum,
                               const VolumeReportText& text, const std::filesystem::path& out);

}  // namespace tinhost::io
