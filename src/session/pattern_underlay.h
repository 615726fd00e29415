#pragma once
// A recorded pattern shown under the lines: the image as read, the background correction
// matching gives it, how it is shown (opacity, contrast, brightness, corrected or as recorded),
// and the grey pixels that result. Where it lies is the simulation's detector (pattern_fit.h).

#include "fit/background.h"
#include "fit/grey_image.h"
#include "render/renderer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

struct UnderlaySettings {
    std::string path;      // the file it was read from
    float opacity = 0.7f;  // 0 to 1
    float contrast = 1.0f; // 0.1 to 10, a factor on the spread of the grey values
    float brightness = 0;  // -1 to 1, a shift of the mid grey
    // Shown with the correction matching uses rather than as recorded.
    bool showCorrected = true;
    // The detector's static background, an image file of the pattern's size; empty: none.
    std::string staticBackground;
    // What matching does with the pattern's own slow intensity.
    fit::DynamicCorrection dynamic = fit::DynamicCorrection::Divide;
    // Further crystal files indexing tries beside the document's crystal.
    std::vector<std::string> phases;
    friend bool operator==(const UnderlaySettings&, const UnderlaySettings&) = default;
};

// The settings brought into their ranges (a value that is not a number takes the default).
UnderlaySettings clampedUnderlaySettings(UnderlaySettings settings);

struct PatternUnderlay {
    UnderlaySettings settings;
    fit::GreyImage raw;               // as read
    fit::StaticBackground background; // read from settings.staticBackground
    std::vector<std::uint8_t> shown;  // 8-bit grey after correction, contrast and brightness
    bool loaded() const { return !raw.empty(); }
};

// Works the shown pixels out again from the raw image and the settings: the values (corrected
// or not) spread so that the mean lies at mid grey and three standard deviations reach black
// and white at contrast 1; brightness shifts them. An image without contrast shows mid grey.
void updateShownPixels(PatternUnderlay& underlay);
// The correction matching gives the pattern: the static background subtracted, the dynamic
// one as chosen.
fit::BackgroundCorrection correctionOf(const UnderlaySettings& settings);

// What the renderer draws for it, on the detector with this pattern centre; none before an
// image is loaded.
std::optional<Underlay> underlayToDraw(const PatternUnderlay& underlay,
                                       const PatternCentre& centre);

// A pattern centre brought onto the image or near it (-1 to 2 of its width and height; a value
// that is not a number takes the middle).
PatternCentre clampedPatternCentre(PatternCentre centre);

} // namespace tavrel
