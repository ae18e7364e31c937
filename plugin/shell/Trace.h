// Trace points.  Entry, exit and failure points of the plug-in call Trace
// with a printf-style message; five module-wide switches gate them and `main`
// clears all five on every call.  The trace never produces output: it marks
// the places a developer would want to look at, at no cost.
#pragma once

#include <cstdint>

extern std::uint8_t gTraceSwitches[5];

enum TTraceSwitch : int { kTraceMain = 0, kTraceShell = 1, kTraceBuild = 2, kTraceStore = 3,
                          kTraceGraphics = 4 };

inline void Trace(int which, const char* format, ...) {
  (void)which;
  (void)format;
}
