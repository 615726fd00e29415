#include "orientation/euler_frames.h"

#include <array>

namespace tavrel {

namespace {

struct FrameNames {
    const char* name;
    const char* title;
    const char* readout;
};
constexpr std::array<FrameNames, kEulerFrameCount> kFrames{{
    {"picture", "picture frame", ""},
    {"specimen", "specimen frame (EDAX TSL)", " (specimen)"},
    {"specimen-bruker", "specimen frame (Bruker/Oxford)", " (specimen, Bruker)"},
}};

const FrameNames& namesOf(EulerFrame frame) {
    return kFrames[static_cast<std::size_t>(frame)];
}

// Passive Rz(-90): the Bruker axes from the specimen's.
constexpr Mat3d kBrukerFromSpecimen{{{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};

} // namespace

const char* eulerFrameName(EulerFrame frame) {
    return namesOf(frame).name;
}

const char* eulerFrameTitle(EulerFrame frame) {
    return namesOf(frame).title;
}

std::optional<EulerFrame> eulerFrameNamed(std::string_view name) {
    for (int i = 0; i < kEulerFrameCount; ++i)
        if (name == kFrames[static_cast<std::size_t>(i)].name) return static_cast<EulerFrame>(i);
    return std::nullopt;
}

Mat3d pictureToFrame(const OrientationFrame& f) {
    switch (f.frame) {
    case EulerFrame::Picture:
        return kIdentity3d;
    case EulerFrame::Specimen:
        return sampleFromSpecimen(f.tilts);
    case EulerFrame::SpecimenBruker:
        return sampleFromSpecimen(f.tilts) * kBrukerFromSpecimen;
    }
    return kIdentity3d;
}

Mat3d eulerMatrixIn(const OrientationFrame& frame, const Mat3d& orientation,
                    const LatticeMatrices& matrices) {
    return eulerMatrixFromOrientation(orientation, matrices) * pictureToFrame(frame);
}

EulerAngles eulerAnglesIn(const OrientationFrame& frame, const Mat3d& orientation,
                          const LatticeMatrices& matrices) {
    return eulerAnglesFromMatrix(eulerMatrixIn(frame, orientation, matrices));
}

Mat3d orientationFromEulerIn(const OrientationFrame& frame, const EulerAngles& angles,
                             const LatticeMatrices& matrices) {
    return orientationFromEulerMatrix(eulerMatrix(angles) * transpose(pictureToFrame(frame)),
                                      matrices);
}

std::string eulerReadoutText(const EulerAngles& angles, EulerFrame frame) {
    if (frame == EulerFrame::Picture) return eulerReadoutText(angles);
    return std::string("\u03c61 \u03a6 \u03c62") + namesOf(frame).readout + ": " +
           eulerAnglesText(angles);
}

} // namespace tavrel
