#pragma once
// The d threshold: lines are drawn only for reflections whose d lies above it, set by a slider
// over the drawn d range.

#include "crystal/document.h"

namespace tavrel {

// The slider spans the drawn d range of a new list, and the threshold goes to its minimum, just
// below the smallest spacing, so that every reflection gets a line.
void resetThreshold(PatternDocument& document);
// The threshold of a slider position.
float thresholdOf(int sliderValue);
// Lines only for reflections with d above `d` from now on.
void setThreshold(PatternDocument& document, float d);

} // namespace tavrel
