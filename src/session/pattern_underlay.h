#pragma once
// A recorded pattern shown under the lines: the image as read, how it is shown (opacity,
// contrast, brightness, its background flattened), and the grey pixels that result. Where it
// lies is the simulation's detector (pattern_fit.h).

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
    // Divided by a strongly blurred copy of itself, as recorded Kikuchi patterns need.
    bool flatten = true;
    friend bool operator==(const UnderlaySettings&, const UnderlaySettings&) = default;
};

// The settings brought into their ranges (a value that is not a number takes the default).
UnderlaySettings clampedUnderlaySettings(UnderlaySettings settings);

struct PatternUnderlay {
    UnderlaySettings settings;
    fit::GreyImage raw;              // as read
    std::vector<std::uint8_t> shown; // 8-bit grey after flattening, contrast and brightness
    bool loaded() const { return !raw.empty(); }
};

// Works the shown pixels out again from the raw image and the settings: the values (flattened
// or not) spread so that the mean lies at mid grey and three standard deviations reach black
// and white at contrast 1; brightness shifts them. An image without contrast shows mid grey.
void updateShownPixels(PatternUnderlay& underlay);

// What the renderer draws for it, on the detector with this pattern centre; none before an
// image is loaded.
std::optional<Underlay> underlayToDraw(const PatternUnderlay& underlay,
                                       const PatternCentre& centre);

// A pattern centre brought onto the image or near it (-1 to 2 of its width and height; a value
// that is not a number takes the middle).
PatternCentre clampedPatternCentre(PatternCentre centre);

} // namespace tavrel
