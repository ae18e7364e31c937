// Adds a file to the drawing: points become 3D loci, lines 3D polygons and
// texts text blocks, converted through the drawing's origin (chosen here when
// the drawing holds no objects yet).  All of the file or nothing: everything is
// read and every coordinate converted before the first object is added.  The
// import is one undoable step of the host.
//
// Survey text files go onto one layer.  DXF and LandXML keep their grouping:
// each DXF layer, named LandXML point group and surface lands on the layer of
// that name (created if missing) unless one layer is asked for.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tinhost/io/Interchange.h"
#include "tinhost/io/SurveyFile.h"

namespace tinhost {
class Host;
}

namespace tinhost::io {

struct ImportResult {
  Format format = Format::Auto;  // survey text files
  std::string formatName;        // what was read: "csv", "dxf", "landxml", ...
  std::size_t points = 0, lines = 0, texts = 0;
  std::string layer;                // the first layer written to
  std::vector<std::string> layers;  // every layer written to
  std::map<std::string, std::size_t> skipped;  // what the file held that was not imported
  std::vector<std::string> notes;
  std::vector<std::string> warnings;  // things the user should look at, e.g. repeated positions
  bool originChosen = false;
  bool crsChanged = false;  // the file's coordinate system became the drawing's
  double originX = 0, originY = 0;
};

// `layer` empty: the current layer; otherwise that layer, created if missing.
// Throws FileError ("FILE:LINE: ...") and adds nothing when any row is bad.
ImportResult importSurveyFile(Host& host, const std::filesystem::path& path, Format format,
                              const std::string& layer);
// The same for data already read (`name` for messages).
ImportResult importSurveyData(Host& host, const std::string& name, const SurveyData& data, const std::string& layer);

// Any file tinhost reads, by `format` ("auto" decides by the extension: .dxf,
// .xml and .landxml are interchange files, the rest survey text).
ImportResult importFile(Host& host, const std::filesystem::path& path, const std::string& format,
                        const std::string& layer);
// True for the format names importFile accepts.
bool isImportFormat(const std::string& format);

// Adds what an interchange reader returned.  `layer` non-empty puts
// everything on that one layer.  `adoptCrs` (WKT) becomes the drawing's
// coordinate system in the same undoable step.
ImportResult importDrawingData(Host& host, const std::string& name, const ImportedDrawing& data,
                               const std::string& layer, const std::optional<std::string>& adoptCrs = std::nullopt);

// The layer of that name, or 0.
std::uint32_t findLayer(const Host& host, const std::string& name);

}  // namespace tinhost::io
