#pragma once
// Finding the Kikuchi bands of a recorded pattern without knowing the crystal's orientation.
//
// In the gnomonic picture the centre line of every band, the trace of its lattice plane, is a
// straight line, so bands are found as the peaks of a Radon transform of the prepared image:
// the mean intensity along every straight line (rho, phi) of the image. A band is a bright
// stripe, so its centre line is a peak between lower values on either side; a top-hat across
// rho brings out peaks of band width from the slow changes, and the strongest separate maxima
// are the bands. Each line, taken through the film mapping, gives the plane normal in the view
// frame.
//
// The transform is the program's own rather than a library's line finder: an edge-based
// Hough transform (OpenCV's HoughLines after Canny) finds each soft band's two borders, many
// times over, and few of its strongest lines lie on a band's centre line, whereas the
// grey-level transform sums the intensities themselves and its peaks are the centre lines.

#include "common/frames.h"
#include "detector/film_mapping.h"
#include "fit/grey_image.h"
#include "fit/rotation_math.h"

#include <vector>

namespace tavrel::fit {

// A Radon transform: `values[a * rhoCount + r]` is the mean intensity along the line
// (x - cx) cos(phi_a) + (y - cy) sin(phi_a) = r - rhoMax of the image (pixel centres,
// (cx, cy) the image's middle), phi_a = a * pi / angleCount; NaN where the line crosses too
// little of the valid image to say anything.
struct RadonTransform {
    int angleCount = 0, rhoCount = 0;
    double rhoMax = 0;
    std::vector<float> values;

    float at(int angle, int rho) const {
        return values[static_cast<std::size_t>(angle) * static_cast<std::size_t>(rhoCount) +
                      static_cast<std::size_t>(rho)];
    }
};

// Lines shorter than `minimumLength` pixels of valid image give NaN.
RadonTransform radonTransform(const GreyImage& image, int angleCount, double minimumLength);

struct DetectedBand {
    ViewVector normal;   // unit plane normal (its sign means nothing)
    double strength = 0; // the peak's height over its surroundings, in image deviations
    // The centre line in the image's pixels: x cos(phi) + y sin(phi) = rho, with (x, y)
    // measured from the image's middle.
    double rho = 0, phi = 0;
};

struct BandDetectionOptions {
    int maxBands = 12;
    // The image is shrunk by a whole factor to about this many pixels on its shorter side:
    // bands are wide, and the transform's cost grows with the cube of the size.
    int workingSide = 120;
    int angleCount = 120;
    // Peaks lower than this fraction of the strongest one are no bands.
    double relativeThreshold = 0.3;
    // The working image's blur (pixels) before the transform.
    double blurPixels = 0.7;
};

// The bands of a corrected image (background.h), strongest first.
std::vector<DetectedBand> detectBands(const GreyImage& prepared, const Detector& detector,
                                      const BandDetectionOptions& options = {});

} // namespace tavrel::fit
