// Report texts of the area and cut-and-fill commands: numbers in fixed point
// with two decimals through the host's decimal conversion, assembled in
// length-prefixed strings, then shown in the result dialog, which offers to
// place the text in the drawing.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"
#include "plugin/host/Str255.h"

class TTIN;

// A number text as FormatNumber keeps it: at most 29 characters.
constexpr int kNumberTextCapacity = 29;
typedef unsigned char TNumberText[kNumberTextCapacity + 1];

// Capacity of a report text, in bytes including the length byte; with the
// rule of AppendString a report keeps at most 254 characters.
constexpr int kReportCapacity = 255;

// String list of the report prefixes and the two entries used.
constexpr std::int16_t kReportPrefixList = 11101;
constexpr std::int16_t kAreaPrefixIndex = 6;
constexpr std::int16_t kCutFillPrefixIndex = 7;

// `value` in fixed-point notation with two decimals, as the host converts it,
// without any cut (up to 255 characters).
void FormatFixed2(KVCallback cb, double value, Str255 out);
// The same cut to 29 characters.
void FormatNumber(KVCallback cb, double value, TNumberText out);

// Appends `src` to `dst`.  When length(dst) + length(src) + 1 exceeds
// `capacity`, only capacity − length(dst) − 1 characters of src are appended
// (none if that is not positive).  Precondition: dst holds `capacity` bytes.
void AppendString(unsigned char* dst, const unsigned char* src, int capacity);

// Shows `text` in the result dialog.  When the user confirms with the box
// ticked, the text is placed in the drawing (TTIN::CreateTextObject) and
// *docTouched becomes 0.  A dialog that cannot be made or initialised shows
// nothing.
void ShowReport(KVCallback cb, TTIN* tin, const unsigned char* text, std::int32_t* docTouched);
