// The plug-in's ten object classes.  Every object the plug-in creates gets one
// of them:
//   1 2D contour   2 2D index contour   3 3D contour   4 3D index contour
//   5 2D triangle  6 3D triangle        7 contour label
//   8 hull outline 9 result text        10 group holding a TIN's graphics
// The dispatcher registers them with the host at every command.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/Str255.h"

constexpr int kNumClasses = 10;

enum TClassNum : int {
  kClass2DContour = 1,
  kClass2DIndexContour = 2,
  kClass3DContour = 3,
  kClass3DIndexContour = 4,
  kClass2DTriangle = 5,
  kClass3DTriangle = 6,
  kClassContourLabel = 7,
  kClassHull = 8,
  kClassResultText = 9,
  kClassGroup = 10,
};

constexpr std::int16_t kClassNamesList = 11103;

struct TClassEntry {
  std::int16_t id;  // host class identifier
  Str21 name;
};

// Entries 1 to 10 (entry 0 unused).
extern TClassEntry gClassTable[kNumClasses + 1];

// For i = 1..10: name = entry i of string list 11103 (cut to 21 characters),
// id = KV_AddClass(name).
void RegisterClasses(KVCallback cb);

std::int16_t ClassID(int classNum);
bool IsOneOfOurClasses(std::int16_t classID);
