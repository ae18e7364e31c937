// `tinhost import DRAWING tile.las`: the ground points of a LiDAR tile as 3D
// loci, through the same path as every other import (origin, units, all or
// nothing, one undoable step, duplicate positions reported).
//
// Which points are kept, in this order of tests:
//   withheld    points the producer flagged as deleted are never kept;
//   class       by default ground (class 2) when the file has classified
//               points (any class other than 0 "never classified" and 1
//               "unclassified"), every point otherwise; or the listed
//               classes; or all;
//   return      with last-return only, the last return of each pulse;
//   thinning    with a cell size, one point per square cell of that size in
//               the drawing's unit (cells aligned on multiples of it): the
//               point nearest the cell's centre, the first read on a tie.
// Every point left out is counted under the first test it failed.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <filesystem>
#include <string>

#include "tinhost/io/Importer.h"

namespace tinhost::io {

inline constexpr int kLasGroundClass = 2;

struct LasOptions {
  enum class Classes { GroundWhenClassified, Listed, All };
  Classes classes = Classes::GroundWhenClassified;
  std::bitset<256> listed;  // with Classes::Listed
  bool lastReturnOnly = false;
  double thinCell = 0.0;  // drawing units; 0 keeps every point
};

// "2,9" or "all" into the options; throws std::invalid_argument saying what is wrong.
void parseLasClasses(const std::string& text, LasOptions& options);

// What happened to the file's points.
struct LasTally {
  std::uint64_t read = 0, kept = 0;
  std::uint64_t withheld = 0, notLastReturn = 0, thinned = 0;
  std::array<std::uint64_t, 256> otherClass{};  // left out for their class, by class
  std::string classesKept;  // "class 2, ground, ...", "classes 2, 9", "all classes"
  std::uint64_t leftOutForClass() const;
};

// The summary lines for a person: what was kept, and why the rest was not.
std::vector<std::string> describeLasTally(const LasTally& tally, const LasOptions& options);

// True for the file names import sends here (.las, .laz).
bool isLasPath(const std::filesystem::path& path);

// Throws FileError and leaves the drawing as it was for a bad file, a LAZ
// file, or a coordinate system that disagrees with the drawing's.
ImportResult importLasFile(Host& host, const std::filesystem::path& path, const LasOptions& options,
                           const std::string& layer, LasTally* tally = nullptr);

}  // namespace tinhost::io
