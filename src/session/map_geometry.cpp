#include "session/map_geometry.h"

#include <algorithm>

namespace tavrel {

StatedPatternCentre brukerCentreOf(const StatedPatternCentre& stated,
                                   PatternCentreConvention convention, int patternWidth,
                                   int patternHeight) {
    if (convention == PatternCentreConvention::Bruker) return stated;
    const double aspect = static_cast<double>(patternWidth) / patternHeight;
    return {stated.x, 1 - stated.y * aspect, stated.z * aspect};
}

StatedPatternCentre edaxCentreOf(const StatedPatternCentre& bruker, int patternWidth,
                                 int patternHeight) {
    const double aspect = static_cast<double>(patternWidth) / patternHeight;
    return {bruker.x, (1 - bruker.y) / aspect, bruker.z / aspect};
}

Detector detectorOfCentre(const StatedPatternCentre& bruker, double filmHeight, double distance,
                          int patternWidth, int patternHeight, const Tilts& tilts) {
    Detector d;
    d.tilts = tilts;
    d.filmHeight = filmHeight;
    d.filmWidth = filmHeight * patternWidth / patternHeight;
    d.distance = bruker.z > 0 ? bruker.z * filmHeight : distance;
    d.centre = {bruker.x, bruker.y};
    return d;
}

Tilts mapTilts(const PatternFileHeader& header, const Tilts& fallback) {
    return {header.sampleTilt.value_or(fallback.specimen),
            header.detectorTilt.value_or(fallback.detector)};
}

MapGeometry fixedGeometry(const Detector& detector) {
    return {
        [detector](std::int64_t, const std::optional<StatedPatternCentre>&) { return detector; },
        false};
}

MapGeometry perPatternGeometry(const PatternFileHeader& header, const Detector& fallback) {
    const PatternCentreConvention convention = header.centreConvention;
    const int w = header.patternWidth, h = header.patternHeight;
    return {[=](std::int64_t, const std::optional<StatedPatternCentre>& stated) {
                if (!stated) return fallback;
                return detectorOfCentre(brukerCentreOf(*stated, convention, w, h),
                                        fallback.filmHeight, fallback.distance, w, h,
                                        fallback.tilts);
            },
            true};
}

MapGeometry planeGeometry(const CentrePlane& plane, const PatternFileHeader& header,
                          const Detector& film) {
    const PatternCentreConvention convention = header.centreConvention;
    const int w = header.patternWidth, h = header.patternHeight, columns = header.columns;
    return {[=](std::int64_t k, const std::optional<StatedPatternCentre>&) {
                const auto row = static_cast<int>(k / columns);
                const auto column = static_cast<int>(k % columns);
                return detectorOfCentre(brukerCentreOf(plane.at(row, column), convention, w, h),
                                        film.filmHeight, film.distance, w, h, film.tilts);
            },
            false};
}

StatedPatternCentre CentrePlane::at(int row, int column) const {
    auto value = [&](double a, double alongColumns, double alongRows) {
        return a + alongColumns * column + alongRows * row;
    };
    return {value(origin.x, perColumn.x, perRow.x), value(origin.y, perColumn.y, perRow.y),
            value(origin.z, perColumn.z, perRow.z)};
}

Result<CentrePlane> fitCentrePlane(MapPatternSource& source) {
    const PatternFileHeader& header = source.header();
    // The normal equations of a + b column + c row, summed over the stated centres, with the
    // terms that do not vary (one row, one column) left out.
    std::array<std::array<double, 3>, 3> normal{};
    std::array<std::array<double, 3>, 3> right{}; // per axis x, y, z
    std::int64_t stated = 0;
    int lowColumn = header.columns, highColumn = -1, lowRow = header.rows, highRow = -1;
    constexpr std::int64_t kRun = 1 << 16;
    for (std::int64_t first = 0; first < header.patternCount(); first += kRun) {
        const std::int64_t count = std::min(kRun, header.patternCount() - first);
        const auto centres = source.readPatternCentres(first, count);
        if (!centres) return centres.failure();
        for (std::int64_t i = 0; i < count; ++i) {
            const auto& pc = (*centres)[static_cast<std::size_t>(i)];
            if (!pc) continue;
            const auto k = first + i;
            const int column = static_cast<int>(k % header.columns);
            const int row = static_cast<int>(k / header.columns);
            lowColumn = std::min(lowColumn, column), highColumn = std::max(highColumn, column);
            lowRow = std::min(lowRow, row), highRow = std::max(highRow, row);
            const std::array<double, 3> terms{1.0, double(column), double(row)};
            const std::array<double, 3> values{pc->x, pc->y, pc->z};
            for (std::size_t a = 0; a < 3; ++a) {
                for (std::size_t b = 0; b < 3; ++b) normal[a][b] += terms[a] * terms[b];
                for (std::size_t axis = 0; axis < 3; ++axis)
                    right[axis][a] += terms[a] * values[axis];
            }
            ++stated;
        }
    }
    if (stated == 0) return Problem{"the file states no pattern centre to fit a plane to"};
    const bool byColumn = highColumn > lowColumn, byRow = highRow > lowRow;
    Mat3d m = kIdentity3d;
    for (std::size_t a = 0; a < 3; ++a)
        for (std::size_t b = 0; b < 3; ++b)
            if ((a == 0 || (a == 1 ? byColumn : byRow)) && (b == 0 || (b == 1 ? byColumn : byRow)))
                m[a][b] = normal[a][b];
    const auto inverse = inverseByCofactors(m, 1e-12);
    if (!inverse) return Problem{"the file's pattern centres give no plane"};
    std::array<Vec3d, 3> solved{};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        Vec3d rhs{right[axis][0], byColumn ? right[axis][1] : 0.0, byRow ? right[axis][2] : 0.0};
        solved[axis] = *inverse * rhs;
    }
    CentrePlane plane;
    plane.origin = {solved[0][0], solved[1][0], solved[2][0]};
    plane.perColumn = {solved[0][1], solved[1][1], solved[2][1]};
    plane.perRow = {solved[0][2], solved[1][2], solved[2][2]};
    return plane;
}

} // namespace tavrel
