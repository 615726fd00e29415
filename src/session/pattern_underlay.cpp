#include "session/pattern_underlay.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

float within(float v, float low, float high, float fallback) {
    return std::isfinite(v) ? std::clamp(v, low, high) : fallback;
}

double within(double v, double low, double high, double fallback) {
    return std::isfinite(v) ? std::clamp(v, low, high) : fallback;
}

// What the image shows when corrected: close to what matching reads, at the image's own size.
fit::GreyImage correctedForShowing(const PatternUnderlay& underlay) {
    const fit::StaticBackground& b = underlay.background;
    fit::GreyImage values =
        !b.empty() && b.image.pixels.size() == underlay.raw.pixels.size()
            ? fit::staticCorrected(underlay.raw, b, correctionOf(underlay.settings))
            : underlay.raw;
    switch (underlay.settings.dynamic) {
    case fit::DynamicCorrection::None:
        return values;
    case fit::DynamicCorrection::Divide:
        return fit::flattenedBackground(values);
    case fit::DynamicCorrection::Subtract:
        break;
    }
    const double side = std::min(values.width, values.height);
    const fit::GreyImage blurred = fit::gaussianBlurred(values, std::max(2.0, 0.08 * side));
    for (std::size_t i = 0; i < values.pixels.size(); ++i) values.pixels[i] -= blurred.pixels[i];
    return values;
}

} // namespace

fit::BackgroundCorrection correctionOf(const UnderlaySettings& settings) {
    fit::BackgroundCorrection c;
    c.dynamicMode = settings.dynamic;
    return c;
}

UnderlaySettings clampedUnderlaySettings(UnderlaySettings s) {
    const UnderlaySettings defaults;
    s.opacity = within(s.opacity, 0.0f, 1.0f, defaults.opacity);
    s.contrast = within(s.contrast, 0.1f, 10.0f, defaults.contrast);
    s.brightness = within(s.brightness, -1.0f, 1.0f, defaults.brightness);
    return s;
}

PatternCentre clampedPatternCentre(PatternCentre centre) {
    const PatternCentre middle;
    return {within(centre.x, -1.0, 2.0, middle.x), within(centre.y, -1.0, 2.0, middle.y)};
}

void updateShownPixels(PatternUnderlay& underlay) {
    underlay.settings = clampedUnderlaySettings(underlay.settings);
    underlay.shown.clear();
    if (!underlay.loaded()) return;
    fit::GreyImage values =
        underlay.settings.showCorrected ? correctedForShowing(underlay) : underlay.raw;
    const bool contrast = fit::normalise(values);
    const UnderlaySettings& s = underlay.settings;
    // Three standard deviations either side of the mean span the grey scale at contrast 1.
    const float perDeviation = 127.5f / 3.0f * s.contrast;
    const float middle = 127.5f + 127.5f * s.brightness;
    underlay.shown.resize(values.pixels.size());
    for (std::size_t i = 0; i < values.pixels.size(); ++i) {
        const bool valid = values.valid.empty() || values.valid[i];
        const float v = contrast && valid ? middle + perDeviation * values.pixels[i] : middle;
        underlay.shown[i] = static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 255.0f)));
    }
}

std::optional<Underlay> underlayToDraw(const PatternUnderlay& underlay,
                                       const PatternCentre& centre) {
    if (underlay.shown.empty()) return std::nullopt;
    Underlay u;
    u.picture = {underlay.raw.width, underlay.raw.height, underlay.shown};
    u.centre = centre;
    u.opacity = underlay.settings.opacity;
    return u;
}

} // namespace tavrel
