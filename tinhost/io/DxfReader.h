// Reads the entities of an ASCII DXF file that a terrain model can use:
//   POINT                   a 3D locus
//   LINE                    an open 3D polygon of two vertices
//   POLYLINE (3D)           a 3D polygon, closed flag kept
//   POLYLINE (2D), LWPOLYLINE  a 3D polygon at the polyline's elevation;
//                           arc segments (bulges) become short chords
//   3DFACE                  its distinct corners as 3D loci (each corner once,
//                           however many faces share it)
//   TEXT                    a text block
// Everything else (blocks, circles, meshes, paper space, ...) is counted and
// left out.  Each entity lands in the layer named in the file.  A declared
// $INSUNITS (metres, feet, US survey feet, mm, cm, km, inches) is recorded for
// the import to convert (convertUnits).
//
// The file is checked whole first: a group code that is not a number, a number
// field that holds text, a binary DXF or a file that stops before its EOF
// marker throws FileError "FILE:LINE: ...".
#pragma once

#include <filesystem>

#include "tinhost/core/DrawingUnits.h"
#include "tinhost/io/Interchange.h"

namespace tinhost::io {

ImportedDrawing readDxfFile(const std::filesystem::path& path);

}  // namespace tinhost::io
