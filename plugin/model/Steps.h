// TSteps: which of two implementations a structure of the build uses.
//
// The indexed structures (the vertex list's run index, the X-sorted array's
// quadtree, the hull band, the hull membership set, the repair's pair check,
// the contour sweep and star walk, the difference TIN's samplers) must decide
// exactly as the step-by-step versions they replace.  Those versions stay in
// the plug-in as the oracle of the equivalence tests.  A TIN, each container
// and each contour map takes the process's choice when it is made and keeps
// it for its whole life; code never switches on it anywhere else.
#pragma once

#include <cstdint>

enum class TSteps : std::uint8_t {
  kIndexed,  // the fast structures (what the plug-in ships with)
  kLiteral,  // the steps as written, one by one (the tests' oracle)
};

// The choice that structures made from now on take: kIndexed unless a test or
// a comparison tool asked for kLiteral.
TSteps NewStructureSteps();
void SetNewStructureSteps(TSteps steps);
