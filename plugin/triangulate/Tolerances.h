// Every tolerance of the triangulation in one place.  The Delaunay circle
// test, convexity and the in-triangle decisions use none of these: they are
// exact (ExactPredicates.h) or compared without tolerance as stated at their
// use.  What remains are windows on azimuths, slopes and ratios, all in
// double arithmetic.
#pragma once

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
constexpr double kHalfPi = kPi / 2.0;

// Turns at or above this (3π/2, written as the decimal the hull walk and the
// hull fan have always used) are taken as the equivalent negative turn.
constexpr double kThreeHalfPiTurn = 4.71238898038469;

// Two azimuths closer than this (radians) count as the same direction when
// deciding that a triangle's far vertex lies on its common edge.
constexpr double kCollinearAzimuthTol = 1e-7;

// The circle test's pre-filter of that azimuth comparison: two directions whose
// angle has a squared sine above this (a sine of 1e-6, ten times the
// tolerance above) certainly differ by more than kCollinearAzimuthTol, and the
// two arc tangents are skipped.  A margin, not a decision: the outcome of the
// azimuth test never depends on it.
constexpr double kSameWaySineSquaredMargin = 1e-12;

// A hull vertex counts as off the first or last hull side when its direction
// from the first hull vertex turns by more than this (radians).
constexpr double kHullSideTurnTol = 0.001;

// Breakline enforcement: a segment within this angle (radians) of an existing
// edge runs along that edge.
constexpr double kBrklnAlongEdgeTol = 1e-4;

// Line intersection: two slopes closer than this are parallel.
constexpr double kParallelSlopeTol = 1e-5;

// Breakline enforcement: a vertex lies on a segment's line when its slope
// ratio is 1 within this fraction.
constexpr double kOnLineRatioTol = 0.05;

// A point-location cross product smaller than this is noted in the trace as
// "near an edge"; it never changes a decision.
constexpr double kEdgeTraceTol = 0.0001;

// Breakline queries: a segment's box is grown by this many world units on
// every side before a vertex is tested against it, and a segment spanning
// fewer world units than kBrklnShortSpan in x or in y accepts every vertex
// inside the grown box.
constexpr int kBrklnBoxGrowth = 1;
constexpr int kBrklnShortSpan = 5;

// Breakline check after the build: a vertex of the chain of TIN edges that
// holds a breakline segment may lie this many world units off the segment.
// Each crossing enforcement inserts is truncated to integers (up to √2 off),
// and where two breaklines cross, the second one's crossing is truncated
// again from a chain already that far off.
constexpr double kBrklnChainDrift = 3.0;
