// Adds a survey file to the drawing: points become 3D loci and lines 3D
// polygons on one layer, converted through the drawing's origin (chosen here
// when the drawing holds no objects yet).  All of the file or nothing: every
// row is read and every coordinate converted before the first object is added.
// The import is one undoable step of the host.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "io/SurveyFile.h"

namespace tinhost {
class Host;
}

namespace tinhost::io {

struct ImportResult {
  Format format = Format::Auto;
  std::size_t points = 0, lines = 0;
  std::string layer;
  bool originChosen = false;
  double originX = 0, originY = 0;
};

// `layer` empty: the current layer; otherwise that layer, created if missing.
// Throws FileError ("FILE:LINE: ...") and adds nothing when any row is bad.
ImportResult importSurveyFile(Host& host, const std::filesystem::path& path, Format format,
                              const std::string& layer);
// The same for data already read (`name` for messages).
ImportResult importSurveyData(Host& host, const std::string& name, const SurveyData& data, const std::string& layer);

// The layer of that name, or 0.
std::uint32_t findLayer(const Host& host, const std::string& name);

}  // namespace tinhost::io
