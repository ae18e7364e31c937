// The graphics of a TIN's surface: the hull outline, the 2D and 3D triangle
// polygons (grouped or loose on their layers) and report texts.  The drawing
// operations are members of TTIN (declared in model/TTIN.h, defined in
// TINGraphics.cpp); they reach the host through the module's callback value.
//
// What each object gets:
//   hull outline       closed 2D polygon, fill 0, third colour byte 138,
//                      class kClassHull, on the 2D layer
//   2D triangle        closed 2D polygon, class kClass2DTriangle
//   3D triangle        closed 3D polygon, class kClass3DTriangle
//   triangle group     class kClassGroup, one per layer when grouping is on
//   report text        text block centred on the hull's bounding box,
//                      class kClassResultText, on the 2D layer
// Objects put directly on a layer are registered for undo one by one; the
// polygons of a group are registered through the group.
#pragma once

#include <cstdint>

#include "plugin/shell/Errors.h"

// Memory was at or below the MemLevelOK threshold before a triangle was drawn.
constexpr TErr kErrTriMemLowBefore = 0x1000E;
// Memory fell to the threshold after a triangle was drawn (drawing stopped;
// the group 0x30000 still lets the command save its TINs).
constexpr TErr kErrTriMemLowAfter = 0x30002;

// The hull outline's colour record: its third byte (index 2) becomes kHullColorValue.
constexpr int kHullColorByte = 2;
constexpr std::uint8_t kHullColorValue = 138;
constexpr std::int16_t kHullFillPattern = 0;

// Text blocks: style and size (100 = one user unit high).
constexpr std::int16_t kReportTextStyle = 0;
constexpr std::int16_t kReportTextSize = 100;
