#include "plugin/model/Steps.h"

namespace {
TSteps gNewStructureSteps = TSteps::kIndexed;
}

TSteps NewStructureSteps() { return gNewStructureSteps; }

void SetNewStructureSteps(TSteps steps) { gNewStructureSteps = steps; }
