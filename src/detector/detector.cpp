#include "detector/detector.h"

#include "common/numeric.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tavrel {

namespace {

struct ConventionNames {
    CentreConvention convention;
    const char* name;
    const char* title;
};
constexpr std::array<ConventionNames, kCentreConventionCount> kConventions{{
    {CentreConvention::Bruker, "bruker", "Bruker"},
    {CentreConvention::Edax, "edax", "EDAX TSL"},
    {CentreConvention::Oxford, "oxford", "Oxford"},
    {CentreConvention::Emsoft, "emsoft", "EMsoft"},
    {CentreConvention::Emsoft4, "emsoft4", "EMsoft 4"},
}};

bool finite(double v) {
    return std::isfinite(v);
}

// A number as messages write it; "nan" and "inf" as they are.
std::string number(double v) {
    if (!finite(v)) return std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf");
    return formatNumber(v, "0.####");
}

} // namespace

Detector detectorFor(const std::array<float, 3>& film, const PatternCentre& centre) {
    Detector d;
    d.filmWidth = film[0];
    d.filmHeight = film[1];
    d.distance = film[2];
    d.centre = centre;
    return d;
}

const char* centreConventionName(CentreConvention convention) {
    return kConventions[static_cast<std::size_t>(convention)].name;
}

const char* centreConventionTitle(CentreConvention convention) {
    return kConventions[static_cast<std::size_t>(convention)].title;
}

std::optional<CentreConvention> centreConventionNamed(std::string_view name) {
    for (const ConventionNames& c : kConventions)
        if (name == c.name) return c.convention;
    return std::nullopt;
}

PatternFormat patternFormat(const Detector& detector, std::optional<std::array<int, 2>> image) {
    PatternFormat f;
    f.pixelSize = detector.pixelSize;
    f.binning = detector.binning;
    if (image && (*image)[0] > 0 && (*image)[1] > 0) {
        f.width = (*image)[0];
        f.height = (*image)[1];
    } else if (detector.pixelSize > 0 && detector.binning > 0) {
        const double binnedMm = detector.pixelSize * detector.binning / 1000;
        f.width = detector.filmWidth / binnedMm;
        f.height = detector.filmHeight / binnedMm;
    } else {
        f.width = detector.filmWidth;
        f.height = detector.filmHeight;
    }
    return f;
}

Outcome checkFormatFor(CentreConvention convention, const PatternFormat& format) {
    if (!(format.width > 0 && format.height > 0 && finite(format.width) && finite(format.height)))
        return Problem{"The pattern has no size to state its centre in."};
    const bool emsoft =
        convention == CentreConvention::Emsoft || convention == CentreConvention::Emsoft4;
    if (emsoft && !(format.pixelSize > 0 && finite(format.pixelSize)))
        return Problem{"Pixel size: EMsoft's pattern centre needs the detector's pixel size "
                       "(um)."};
    if (emsoft && format.binning < 1) return Problem{"Binning must be 1 or more."};
    return {};
}

CentreCoordinates brukerCentre(CentreConvention convention, const CentreCoordinates& s,
                               const PatternFormat& f) {
    const double w = f.width, h = f.height;
    switch (convention) {
    case CentreConvention::Bruker:
        return s;
    case CentreConvention::Edax:
        return {s.x, 1 - s.y, s.z * std::min(w, h) / h};
    case CentreConvention::Oxford:
        return {s.x, 1 - s.y * w / h, s.z * w / h};
    case CentreConvention::Emsoft:
    case CentreConvention::Emsoft4: {
        const double b = f.binning;
        const double xpc = convention == CentreConvention::Emsoft ? s.x : -s.x;
        return {0.5 - xpc / (w * b), 0.5 - s.y / (h * b), s.z / (h * b * f.pixelSize)};
    }
    }
    return s;
}

CentreCoordinates statedCentre(CentreConvention convention, const CentreCoordinates& p,
                               const PatternFormat& f) {
    const double w = f.width, h = f.height;
    switch (convention) {
    case CentreConvention::Bruker:
        return p;
    case CentreConvention::Edax:
        return {p.x, 1 - p.y, p.z * h / std::min(w, h)};
    case CentreConvention::Oxford:
        return {p.x, (1 - p.y) * h / w, p.z * h / w};
    case CentreConvention::Emsoft:
    case CentreConvention::Emsoft4: {
        const double b = f.binning;
        const double xpc = w * b * (0.5 - p.x);
        return {convention == CentreConvention::Emsoft ? xpc : -xpc, h * b * (0.5 - p.y),
                p.z * h * b * f.pixelSize};
    }
    }
    return p;
}

CentreCoordinates brukerCentreOf(const Detector& d) {
    return {d.centre.x, d.centre.y, d.distance / d.filmHeight};
}

Detector withBrukerCentre(Detector d, const CentreCoordinates& bruker) {
    d.centre = {bruker.x, bruker.y};
    d.distance = bruker.z * d.filmHeight;
    return d;
}

Outcome checkImageProportions(const Detector& d, int width, int height) {
    const double imageAspect = static_cast<double>(width) / height;
    const double filmAspect = d.filmWidth / d.filmHeight;
    if (std::fabs(imageAspect / filmAspect - 1) <= 0.02) return {};
    return Problem{"is " + std::to_string(width) + " x " + std::to_string(height) +
                   " pixels, not in the proportions of the " + formatNumber(d.filmWidth, "0.###") +
                   " x " + formatNumber(d.filmHeight, "0.###") + " mm film"};
}

Outcome checkDetector(const Detector& d) {
    const std::array<std::pair<const char*, double>, 3> film{{{"Film Width", d.filmWidth},
                                                              {"Film Height", d.filmHeight},
                                                              {"Film Distance", d.distance}}};
    for (const auto& [field, value] : film)
        if (!(value > 0 && finite(value)))
            return Problem{std::string(field) + " must be a positive number (mm), not " +
                           number(value) + "."};
    if (!finite(d.centre.x) || !finite(d.centre.y))
        return Problem{"Pattern centre: x and y must be numbers."};
    const std::array<std::pair<const char*, double>, 2> tilts{
        {{"Specimen tilt", d.tilts.specimen}, {"Detector tilt", d.tilts.detector}}};
    for (const auto& [field, value] : tilts)
        if (!(std::abs(value) <= 90))
            return Problem{std::string(field) + " must lie within -90 to 90 degrees, not " +
                           number(value) + "."};
    if (!(d.pixelSize >= 0 && finite(d.pixelSize)))
        return Problem{"Pixel size must be 0 (not known) or more (um), not " + number(d.pixelSize) +
                       "."};
    if (d.binning < 1) return Problem{"Binning must be 1 or more."};
    return {};
}

std::string centreOutsideNote(const Detector& d) {
    const bool inside = d.centre.x >= 0 && d.centre.x <= 1 && d.centre.y >= 0 && d.centre.y <= 1;
    if (inside) return {};
    return "The pattern centre (" + number(d.centre.x) + ", " + number(d.centre.y) +
           ") lies outside the pattern.";
}

PictureRect imagePlacement(const Detector& detector, double cx, double cy, double scale) {
    PictureRect r;
    r.width = detector.filmWidth / detector.distance * scale;
    r.height = detector.filmHeight / detector.distance * scale;
    r.left = cx - detector.centre.x * r.width;
    r.top = cy - detector.centre.y * r.height;
    return r;
}

} // namespace tavrel
