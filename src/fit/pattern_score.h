#pragma once
// How well an orientation's cone lines lie on a recorded image.
//
// A reflection (h k l) and its opposite (-h -k -l) draw the two cone lines r . n = +-sin(theta)
// about their plane normal n; between them lies the Kikuchi band, bright on a recorded pattern,
// often with a dark line just outside each edge. The score samples the flattened, normalised
// image along each band (bilinear), a few samples across it at every step along it: inside the
// band counts positive, just outside the edges negative, in equal amounts, so an image without
// the band (flat or random) scores about 0 whatever the orientation, and the true orientation
// scores the band contrast, in standard deviations of the image. Bands are weighted by the
// caller's per-reflection weights (line intensities, or equal) and by their length on the
// image. Thin, bright cone lines (a Kossel pattern on film) use the cone-line profile instead:
// on each line positive, beside it negative.

#include "common/frames.h"
#include "crystal/reflections.h"
#include "detector/film_mapping.h"
#include "fit/grey_image.h"
#include "fit/rotation_math.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tavrel::fit {

// One Kikuchi band: a reflection and its opposite, merged.
struct Band {
    LatticeVector normal; // unit plane normal
    double sinTheta = 0;  // sine of the Bragg angle
    double weight = 1;
    std::int32_t reflection = -1; // list index of one of the two reflections
};

// The bands of the reflections with d above `dThreshold` at wavelength `lambda` (angstrom):
// (h k l) and (-h -k -l) give one band whose weight is the mean of theirs (`weights` per list
// entry; empty: all 1). Reflections without a cone (lambda > 2d) or without weight give none.
std::vector<Band> bandsOf(const ReflectionList& reflections, double lambda, double dThreshold,
                          std::span<const float> weights = {});

enum class LineProfile {
    KikuchiBand, // bright between the two cone lines, darker just outside them
    ConeLines    // bright on each cone line, darker on both sides of it
};

struct ScoreDetail {
    double score = 0;
    int visibleBands = 0; // bands with at least one sampled step on the image
};

// A prepared image (prepareForFitting) at the few resolutions the score reads, finest first:
// level 0 is the image itself, lightly smoothed; each further level halves it, down to about
// 48 pixels, and lets the refinement see far. It depends on the image alone, so one image is
// prepared once for every scorer, refinement and indexing.
class ScoreLevels {
public:
    explicit ScoreLevels(const GreyImage& prepared);
    int count() const { return static_cast<int>(levels_.size()); }
    const GreyImage& level(int i) const { return levels_[static_cast<std::size_t>(i)]; }

private:
    std::vector<GreyImage> levels_;
};

// Scores orientations against one image's levels. It reads the levels and the bands, which
// must outlive it.
class PatternScorer {
public:
    PatternScorer(const ScoreLevels& levels, std::span<const Band> bands,
                  LineProfile profile = LineProfile::KikuchiBand);

    ScoreDetail score(const Mat3d& orientation, const Detector& detector, int level = 0) const;
    int levelCount() const { return levels_->count(); }
    const GreyImage& level(int i) const { return levels_->level(i); }
    std::span<const Band> bands() const { return bands_; }
    LineProfile profile() const { return profile_; }

private:
    const ScoreLevels* levels_;
    std::span<const Band> bands_;
    LineProfile profile_;
};

} // namespace tavrel::fit
