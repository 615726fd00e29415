#pragma once
// Made-up patterns saved as 8-bit grey picture files, as a detector's software writes them.

#include "session/pattern_fit.h"
#include "support/synthetic_pattern.h"

#include <QImage>
#include <QString>

#include <string>

namespace tavrel::test {

// Intensities 0 to 2 spread over the grey levels.
inline bool saveGrey(const GreyImage& grey, const std::string& path) {
    const std::vector<std::uint8_t> bytes = toBytes(grey, 0.0f, 2.0f);
    return QImage(bytes.data(), grey.width, grey.height, grey.width, QImage::Format_Grayscale8)
        .save(QString::fromStdString(path));
}

// The 240 x 240 8-bit pattern of the orientation m on the simulation's detector, a screen that
// fills the image.
inline bool savePattern(const Simulation& sim, const Mat3d& m, const std::string& path) {
    const PatternFit fit(sim);
    SyntheticPatternOptions o;
    o.width = o.height = 240;
    o.binning = 2;
    o.detector = fit.setup().detector;
    o.profile = fit.setup().profile;
    o.screenRadius = 0;
    o.countsPerPixel = 1000;
    const std::vector<std::uint8_t> bytes =
        toBytes(syntheticPattern(fit.setup().bands, m, o), 0, 255);
    return QImage(bytes.data(), o.width, o.height, o.width, QImage::Format_Grayscale8)
        .save(QString::fromStdString(path));
}

} // namespace tavrel::test
