// `tinhost export DRAWING view.html`: one self-contained web page that shows
// the drawing in a plan view (every layer's points, lines, contours and
// labels, the TINs' triangles, pan, zoom, scale bar, north arrow, and the
// elevation under the mouse) and a 3D view of each TIN coloured by
// elevation, with a panel of layers, TINs and their figures.
//
// The page opens offline: the page's own script, style and markup are compiled
// into tinhost, and the 3D library is inlined at export time from Debian's
// packaged copy (libjs-three, under /usr/share/javascript/three, or the folder
// TINHOST_THREE_DIR names).  Geometry travels as base64 little-endian typed
// arrays, coordinates in user units relative to the drawing's origin (the page
// adds the origin back when it shows a position).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tinhost/io/Exporter.h"

namespace tinhost::io {

bool isWebViewPath(const std::filesystem::path& path);

// The folder the 3D library is read from: $TINHOST_THREE_DIR, or the
// packaged one the build found.
std::filesystem::path threeLibraryDir();

// `layers` empty: every layer.  Throws FileError for an unknown layer, a
// missing 3D library, or when the file cannot be written.
// `figures`: what the panel shows of each TIN beside its counts and range
// (a TIN without an entry shows them as not known).
ExportResult writeWebView(const Host& host, const std::filesystem::path& out,
                          const std::vector<std::string>& layers,
                          const std::vector<TinReportedFigures>& figures = {});

}  // namespace tinhost::io
