#pragma once
// The frames directions are written in, each a vector type of its own, so that a direction of
// one frame cannot be taken for one of another and a convention error cannot cancel out between
// two places that each get it wrong. This is the one place the frames are described.
//
// Lattice frame (the lattice Cartesian frame): the Cartesian frame the cell's lattice matrix
// carries lattice coordinates into (crystal/unit_cell.h); reflection vectors and plane normals
// of the list are written in it.
//
// View frame: x along the viewing axis, from the crystal towards the film; y horizontal; z
// vertical; right-handed. The orientation M of a simulation carries lattice coordinates into
// view coordinates (the point table holds M g): toView. The cone pictures (gnomonic and
// stereographic) show +y to the left and +z downwards: a direction r with r_x > 0 is drawn at
// (cx - S r_y / r_x, cy + S r_z / r_x) at pattern scale S, and (r_y / r_x, r_z / r_x) is its
// gnomonic point. The reciprocal-lattice-point picture shows +y to the right and +z upwards
// (the cone picture turned by 180 degrees about the viewing axis).
//
// Sample frame (the picture frame of the Euler readout): X to the right on the cone picture, Y
// up on it, Z along the viewing axis, so X = -y, Y = -z, Z = x (kSampleFromView). Euler angles
// carry it into the crystal frame (orientation/euler_angles.h). The cone picture is the
// detector seen from behind its screen, towards the crystal, so the sample frame is the
// detector's own: tilting the detector does not change which sample direction a pixel sees.
//
// Specimen frame: X and Y in the specimen surface, Z its normal out of the specimen, as EDAX
// TSL, kikuchipy, orix and EMsoft define it (RD, TD, ND). It is the sample frame turned by the
// specimen tilt sigma (from horizontal) and the detector tilt theta (elevation): with the
// passive rotations Rx and Rz of euler_angles.h, g_specimen = g_sample Rx(90 - sigma + theta)
// Rz(90), that is, a sample vector v_sample = Rx(90 - sigma + theta) Rz(90) v_specimen
// (sampleFromSpecimen). Y of the specimen is the tilt axis, to the right on the picture; X
// points down the tilted surface, towards the detector. Bruker and Oxford Instruments turn it
// by 90 degrees about Z: their X is the specimen's Y (orientation/euler_frames.h).

#include "common/matrix3.h"

#include <cstddef>

namespace tavrel {

struct LatticeFrame {};
struct ViewFrame {};
struct SampleFrame {};
struct SpecimenFrame {};

// Components of a direction (or a vector) in the frame `Frame`.
template <class Frame> struct FrameVector {
    Vec3d v{};

    constexpr FrameVector() = default;
    constexpr explicit FrameVector(const Vec3d& components) : v(components) {}
    constexpr FrameVector(double x, double y, double z) : v{x, y, z} {}
    constexpr double operator[](std::size_t i) const { return v[i]; }
    friend bool operator==(const FrameVector&, const FrameVector&) = default;
};

using LatticeVector = FrameVector<LatticeFrame>;
using ViewVector = FrameVector<ViewFrame>;
using SampleVector = FrameVector<SampleFrame>;
using SpecimenVector = FrameVector<SpecimenFrame>;

template <class F> double dot(const FrameVector<F>& a, const FrameVector<F>& b) {
    return dot(a.v, b.v);
}
template <class F> FrameVector<F> cross(const FrameVector<F>& a, const FrameVector<F>& b) {
    return FrameVector<F>(cross(a.v, b.v));
}
template <class F> double norm(const FrameVector<F>& a) {
    return norm(a.v);
}
template <class F> FrameVector<F> normalized(const FrameVector<F>& a) {
    return FrameVector<F>(normalized(a.v));
}
template <class F> FrameVector<F> operator*(double s, const FrameVector<F>& a) {
    return FrameVector<F>(s * a.v);
}

// Sample coordinates from view coordinates: X = -y, Y = -z, Z = x.
inline constexpr Mat3d kSampleFromView{{{0, -1, 0}, {0, 0, -1}, {1, 0, 0}}};

// How the specimen and the detector are tilted, in degrees: the specimen from horizontal
// (about 70 for EBSD, 0 for transmission), the detector's elevation from vertical.
struct Tilts {
    double specimen = 70;
    double detector = 0;
    friend bool operator==(const Tilts&, const Tilts&) = default;
};

// The rotation that takes specimen coordinates into sample coordinates: Rx(90 - sigma + theta)
// Rz(90) with the passive rotations of euler_angles.h.
Mat3d sampleFromSpecimen(const Tilts& tilts);

// A lattice direction as the view frame sees it in the orientation M: M g.
inline ViewVector toView(const Mat3d& orientation, const LatticeVector& g) {
    return ViewVector(orientation * g.v);
}

// A direction turned within its own frame: a symmetry operation of the lattice frame, a turn
// about the view axes.
template <class F> FrameVector<F> turned(const Mat3d& rotation, const FrameVector<F>& a) {
    return FrameVector<F>(rotation * a.v);
}

} // namespace tavrel
