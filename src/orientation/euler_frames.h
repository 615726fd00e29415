#pragma once
// The frames Euler angles are shown, typed and written in:
// - picture: the sample frame of the cone picture (common/frames.h), X right, Y up, Z along the
//   viewing axis; what X-ray and transmission work read;
// - specimen: the specimen frame of EDAX TSL, kikuchipy, orix and EMsoft, X and Y in the
//   specimen surface, Z its normal out of it, g_specimen = g_picture Rx(90 - sigma + theta)
//   Rz(90);
// - specimen-bruker: the variant of Bruker and Oxford Instruments, turned by 90 degrees about
//   the normal: X_bruker = Y_specimen, Y_bruker = -X_specimen, so that g_bruker = g_specimen
//   Rz(-90) (passive), phi1_bruker = phi1_specimen - 90 where Phi is not 0, and g_bruker =
//   g_picture Rx(90 - sigma + theta).

#include "common/frames.h"
#include "common/matrix3.h"
#include "crystal/unit_cell.h"
#include "orientation/euler_angles.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

enum class EulerFrame { Picture = 0, Specimen = 1, SpecimenBruker = 2 };
inline constexpr int kEulerFrameCount = 3;

// "picture", "specimen", "specimen-bruker", as the command line, the dump and the JSON answers
// name them.
const char* eulerFrameName(EulerFrame frame);
std::optional<EulerFrame> eulerFrameNamed(std::string_view name);
// "picture frame", "specimen frame (EDAX TSL)", "specimen frame (Bruker/Oxford)".
const char* eulerFrameTitle(EulerFrame frame);

// A frame with the tilts that place it.
struct OrientationFrame {
    EulerFrame frame = EulerFrame::Picture;
    Tilts tilts;
    friend bool operator==(const OrientationFrame&, const OrientationFrame&) = default;
};

// F with g_frame = g_picture F.
Mat3d pictureToFrame(const OrientationFrame& frame);

// The matrix g (frame into crystal) and the Euler angles of the orientation M in the frame.
Mat3d eulerMatrixIn(const OrientationFrame& frame, const Mat3d& orientation,
                    const LatticeMatrices& matrices);
EulerAngles eulerAnglesIn(const OrientationFrame& frame, const Mat3d& orientation,
                          const LatticeMatrices& matrices);
// M of Euler angles given in the frame.
Mat3d orientationFromEulerIn(const OrientationFrame& frame, const EulerAngles& angles,
                             const LatticeMatrices& matrices);

// The readout that names its frame: "φ1 Φ φ2 (specimen): 35.264 45.000 0.000"; the picture
// frame's is eulerReadoutText's as it was, "φ1 Φ φ2: ...".
std::string eulerReadoutText(const EulerAngles& angles, EulerFrame frame);

} // namespace tavrel
