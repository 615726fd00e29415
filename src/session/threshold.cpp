#include "session/threshold.h"

#include "common/numeric.h"

#include <algorithm>

namespace tavrel {

float thresholdOf(int sliderValue) {
    return static_cast<float>(sliderValue / 10.0);
}

void setThreshold(PatternDocument& doc, float d) {
    doc.displayDMin = d;
}

void resetThreshold(PatternDocument& doc) {
    ThresholdRange& range = doc.threshold;
    range.maximum = roundToInt32(doc.displayDMax * 10.0);
    range.minimum = roundToInt32(std::max(0.0, doc.displayDMin - 0.1) * 10.0);
    // Lines are drawn only for d above the threshold, so it must lie below the smallest d for
    // every listed reflection to get its line.
    doc.displayDMin = thresholdOf(range.minimum);
}

} // namespace tavrel
