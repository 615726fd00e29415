#pragma once
// The kinematic band pattern of a crystal in an orientation, as the score compares it with a
// recorded image.
//
// A reflection (h k l) and its opposite (-h -k -l) draw the two cone lines r . n = +-sin(theta)
// about their plane normal n; between them lies the Kikuchi band of an electron pattern, bright
// on a recorded one. The model draws each band as a top-hat of half-width (widthScale x theta)
// about the trace of its plane, whose edges ramp over about a pixel (the pixel's footprint),
// with a height of weight^strengthExponent (weight: |F|^2 relative to the strongest band).
// Thin, bright cone lines (a Kossel pattern on film) are drawn as a line of about a pixel at
// each cone instead.
//
// Every pixel of a band is worked out from the un-normalised gnomonic direction (1, a, b) of
// the pixel, along which n . (1, a, b) is linear in the column, times the pixel's stored
// 1 / |(1, a, b)|: along a row, a band touches one run of pixels, which the renderer finds in
// closed form and fills in a loop the compiler vectorises.

#include "common/frames.h"
#include "common/matrix3.h"
#include "crystal/reflections.h"
#include "detector/detector.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tavrel::fit {

// One band: a reflection and its opposite, merged.
struct Band {
    LatticeVector normal; // unit plane normal
    double sinTheta = 0;  // sine of the Bragg angle
    // |F|^2 relative to the strongest band (or 1 for a lattice without atoms).
    double weight = 1;
    std::int32_t reflection = -1; // list index of one of the two reflections
};

// The bands of the reflections with d above `dThreshold` at wavelength `lambda` (angstrom):
// (h k l) and (-h -k -l) give one band whose weight is the mean of theirs (`weights` per list
// entry; empty: all 1). Reflections without a cone (lambda > 2d) or without weight give none.
// Strongest first, the widest-spaced first among equal weights.
std::vector<Band> bandsOf(const ReflectionList& reflections, double lambda, double dThreshold,
                          std::span<const double> weights = {});

enum class LineProfile {
    KikuchiBand, // bright between the two cone lines
    ConeLines    // bright on each cone line
};

// How the model draws its bands.
struct BandProfile {
    LineProfile kind = LineProfile::KikuchiBand;
    // Half-width of a band as a fraction of its Bragg angle: a recorded band's bright core is
    // narrower than the kinematic 2 theta.
    double widthScale = 0.8;
    // Heights weight^strengthExponent: recorded band contrast follows |F| rather than |F|^2.
    double strengthExponent = 0.5;
    // Width of the ramp at each edge (or of a cone line), in pixels of the image scored at the
    // pattern centre (the pixel's footprint) ...
    double edgePixels = 0.5;
    // ... and in degrees (the softness of the bands themselves), added in quadrature.
    double edgeDegrees = 0;
    friend bool operator==(const BandProfile&, const BandProfile&) = default;
};

// A band as the model draws it, in sines of the angle from its plane: bright where
// |s - centre| <= halfWidth (centre 0 for a band, sin(theta) for a cone line), ramping to 0 over
// the edge width the renderer is given, with this height.
struct ModelBand {
    double height = 1, centre = 0, halfWidth = 0;
};

// The pixels of a width x height image on a detector: the gnomonic plane's scale and each
// pixel's 1 / |(1, a, b)|. Buffers of a grid hold stride() values per row (the width padded to
// whole vectors); the padding holds nothing that counts. Copies are cheap.
class PixelGrid {
public:
    PixelGrid() = default;
    PixelGrid(const Detector& detector, int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return rows_ ? rows_->stride : 0; }
    std::size_t size() const {
        return static_cast<std::size_t>(stride()) * static_cast<std::size_t>(height_);
    }
    // The angle one pixel spans at the pattern centre (radians).
    double pixelAngle() const { return pixelAngle_; }
    const Detector& detector() const { return detector_; }

    // The bands (view-frame normals `normals[i]` of `bands[i]`, edges `edge` wide in sine units)
    // added to `out`, which holds size() values. A band that runs more along the columns than
    // the rows is drawn down the columns of `scratch` (the image transposed), then added.
    void render(std::span<const ModelBand> bands, std::span<const Vec3d> normals, double edge,
                float* out, std::vector<float>& scratch) const;

private:
    // The image as lines of pixels (its rows, or its columns): the gnomonic coordinate along a
    // line (a along a row, b down a column) is along0 + k alongStep at pixel k; the other one
    // is across[line].
    struct Lines {
        int count = 0, length = 0, stride = 0;
        double along0 = 0, alongStep = 0;
        std::vector<double> across;
        std::vector<double> farNorm;    // the largest |(1, a, b)| of each line
        std::vector<double> norm;       // |(1, a, b)| of each pixel
        std::vector<float> inverseNorm; // and its inverse
    };
    static Lines linesOf(int count, int length, double along0, double alongStep, double across0,
                         double acrossStep);
    void renderBand(const Lines& lines, const ModelBand& band, double nNormal, double nAlong,
                    double nAcross, double edge, double cornerNorm, float* out) const;

    Detector detector_;
    int width_ = 0, height_ = 0;
    double pixelAngle_ = 0;
    double da_ = 1, db_ = 1; // gnomonic units per pixel across and down
    // Shared by the copies of a grid: a map's points on one detector copy one grid (a scorer
    // per point) rather than work out its pixels again.
    std::shared_ptr<const Lines> rows_, columns_;
};

} // namespace tavrel::fit
