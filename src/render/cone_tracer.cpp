#include "render/cone_tracer.h"

#include "common/numeric.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavrel {

namespace {

std::int16_t px(float v) {
    return roundToInt16(v);
}

// A drag frame's pixel: the nearest whole number (half to even, in the default rounding mode)
// by adding and taking away 1.5 * 2^52, without a call per point.
std::int16_t dragPixel(double v) {
    constexpr double kShift = 6755399441055744.0;
    const double clamped = std::clamp(v, -32768.0, 32767.0);
    return static_cast<std::int16_t>((clamped + kShift) - kShift);
}

// While dragging, lines are sampled more coarsely so that a drag redraws quickly.
constexpr std::int32_t kReducedSamplingMinimum = 31;
// A drag frame's chords may stray this far (pixels) from the line they stand for, and no line
// gets fewer samples than this.
constexpr double kDragTolerance = 0.5;
// A drag frame's lines have one of these sample counts (or the reduced count itself), whose
// points on the unit circle are worked out once per picture.
constexpr std::array<int, 11> kDragSteps{12, 16, 20, 24, 30, 36, 45, 60, 90, 120, 180};
// The samples of a still picture's line, as many as its polygon has; more go to the heap.
constexpr std::size_t kStillSamples = 360;
// Past this many times the rim's radius a drag frame's stereographic circle is left to the
// samples about the cone's axis.
constexpr double kLargestDragCircle = 1000.0;

// Four 8-byte lanes: the three rows of a product and one unused, which the compiler maps onto
// whatever vector registers the target has.
typedef double Lanes __attribute__((vector_size(4 * sizeof(double))));

} // namespace

Mat3f axisRotationMatrix(const Vec3f& u, float angle) {
    const double half = angle * kDegToRad / 2.0;
    const double q0 = std::cos(half), s = std::sin(half);
    const double q1 = s * u[0], q2 = s * u[1], q3 = s * u[2];
    auto f = [](double v) { return static_cast<float>(v); };
    return Mat3f{{{f(q0 * q0 + q1 * q1 - q2 * q2 - q3 * q3), f(2 * (q1 * q2 - q0 * q3)),
                   f(2 * (q1 * q3 + q0 * q2))},
                  {f(2 * (q1 * q2 + q0 * q3)), f(q0 * q0 - q1 * q1 + q2 * q2 - q3 * q3),
                   f(2 * (q2 * q3 - q0 * q1))},
                  {f(2 * (q1 * q3 - q0 * q2)), f(2 * (q2 * q3 + q0 * q1)),
                   f(q0 * q0 - q1 * q1 - q2 * q2 + q3 * q3)}}};
}

void turnSamples(const Mat3f& R, const Vec3f& q, std::span<Vec3f> out) {
    // R v as the sum of R's columns weighted by v's components: the same products summed in
    // the same order as row by row, for all rows at once.
    const Lanes c0{R[0][0], R[1][0], R[2][0], 0.0};
    const Lanes c1{R[0][1], R[1][1], R[2][1], 0.0};
    const Lanes c2{R[0][2], R[1][2], R[2][2], 0.0};
    double v0 = q[0], v1 = q[1], v2 = q[2];
    for (Vec3f& o : out) {
        const Lanes sum = c0 * v0 + c1 * v1 + c2 * v2;
        o = {static_cast<float>(sum[0]), static_cast<float>(sum[1]), static_cast<float>(sum[2])};
        v0 = o[0];
        v1 = o[1];
        v2 = o[2];
    }
}

double polarAngleOf(double t) {
    if (t >= 1.0) return 0.0;
    return kPi / 2.0 + std::atan(t / std::sqrt(1.0 - t * t));
}

std::string hklLabel(const ReflectionList& r, std::int32_t index, std::string_view separator,
                     bool fourIndex) {
    if (index < 0 || index >= r.count()) return {};
    const auto i = static_cast<std::size_t>(index);
    std::string s = std::to_string(r.h[i]);
    s += separator;
    s += std::to_string(r.k[i]);
    s += separator;
    if (fourIndex) {
        s += std::to_string(-(r.h[i] + r.k[i]));
        s += separator;
    }
    s += std::to_string(r.l[i]);
    return s;
}

std::span<const Point> TracedLine::chain(std::size_t i) const {
    const std::size_t from = chainStarts[i];
    const std::size_t to = i + 1 < chainStarts.size() ? chainStarts[i + 1] : points.size();
    return std::span<const Point>(points).subspan(from, to - from);
}

std::vector<Segment> TracedLine::segments() const {
    std::vector<Segment> out;
    out.reserve(segmentCount());
    for (std::size_t c = 0; c < chainCount(); ++c) {
        const std::span<const Point> p = chain(c);
        for (std::size_t i = 1; i < p.size(); ++i)
            out.push_back({p[i - 1].x, p[i - 1].y, p[i].x, p[i].y});
    }
    return out;
}

void TracedLine::clear() {
    points.clear();
    chainStarts.clear();
    labelled = false;
}

void TracedCone::clear() {
    first.clear();
    second.clear();
    hasFirst = hasSecond = false;
    nearestDistance = 999;
}

ConeTracer::ConeTracer(const TraceSettings& settings, const ReflectionList& reflections)
    : settings_(settings), reflections_(reflections),
      scale_(settings.stereographic ? settings.stereoRadius : settings.patternScale) {
    const TraceSettings& st = settings_;
    const double W = static_cast<float>(st.width), H = static_cast<float>(st.height);
    // A cheap, generous test on the unnormalised sample (its offsets from the centre are
    // scale * y / x and scale * z / x) tells most samples outside a gnomonic picture apart.
    const double pixelsPerUnit = scale_ * st.printScale;
    halfWidth_ = (std::max<double>(st.cx, W - st.cx) + 2.0) * 1.01 / pixelsPerUnit;
    halfHeight_ = (std::max<double>(st.cy, H - st.cy) + 2.0) * 1.01 / pixelsPerUnit;
    // No drawn sample lies farther from the viewing axis than this angle (the stereographic
    // picture shows at most the front half); the margin covers the drift of the 4-byte samples
    // by far.
    const double reach =
        (st.stereographic ? kPi / 2.0 : std::atan(std::hypot(halfWidth_, halfHeight_))) + 0.01;
    cosReach_ = std::cos(reach);
    sinReach_ = std::sin(reach);
    // A turn by a small angle moves a drawn point by at most this many pixels per radian: the
    // gnomonic picture stretches by 1 + rho^2 at rho = tan(psi) from the centre, the
    // stereographic one by at most 1 in its front half.
    const double rho2 = halfWidth_ * halfWidth_ + halfHeight_ * halfHeight_;
    pixelsPerRadian_ = pixelsPerUnit * (st.stereographic ? 1.0 : 1.0 + rho2);
    if (st.dragging) {
        // cos and sin of (j + 1) turns of 360 / steps degrees, for every count a drag uses.
        for (int steps : kDragSteps) {
            circleStarts_.push_back(circles_.size());
            for (int j = 1; j <= steps; ++j) {
                const double a = 2.0 * kPi * j / steps;
                circles_.push_back(static_cast<float>(std::cos(a)));
                circles_.push_back(static_cast<float>(std::sin(a)));
            }
        }
    }
}

int ConeTracer::dragSteps(double sine, int stepCount) const {
    // A chord of a step of delta radians about the cone's axis strays from the cone's line by
    // sin(alpha) delta^2 / 8 on the sphere (alpha = 90 - theta is the half-opening, so
    // sin(alpha) = cos(theta)). The gnomonic picture maps great circles to straight lines, so
    // there only the part of that across the great circle through the chord's ends counts,
    // cos(alpha) times as much: nearly flat cones are nearly straight lines.
    const double sinAlpha = std::sqrt(std::max(0.0, 1.0 - sine * sine));
    const double bend = settings_.stereographic ? sinAlpha : sinAlpha * std::fabs(sine);
    const double strayPerDelta2 = bend / 8.0 * pixelsPerRadian_;
    const double wanted =
        strayPerDelta2 > 0 ? std::ceil(2.0 * kPi / std::sqrt(kDragTolerance / strayPerDelta2)) : 0;
    for (int steps : kDragSteps)
        if (steps >= wanted) return std::min(steps, stepCount);
    return stepCount;
}

const float* ConeTracer::dragCircle(int steps) const {
    for (std::size_t i = 0; i < kDragSteps.size(); ++i)
        if (kDragSteps[i] == steps && !circles_.empty()) return circles_.data() + circleStarts_[i];
    return nullptr;
}

bool ConeTracer::mayReach(const Vec3f& u, double sine) const {
    // Every direction of the cone makes an angle between |psi - alpha| and psi + alpha with the
    // viewing axis, psi being the axis's own angle and alpha = 90 - theta the half-opening,
    // whose cosine is the sine of theta. When the nearer bound lies beyond the reach of the
    // picture, nothing can be drawn. Compared through cosines, so no angle is needed; NaN
    // rules nothing out.
    const double cosAlpha = sine, sinAlpha = std::sqrt(1.0 - sine * sine);
    const double cosPsi = u[0];
    // psi > alpha + reach, while alpha + reach is still below pi.
    const bool sumBelowPi = sinAlpha * cosReach_ + cosAlpha * sinReach_ > 0;
    if (sumBelowPi && cosPsi < cosAlpha * cosReach_ - sinAlpha * sinReach_ - 1e-12) return false;
    // psi < alpha - reach, where the half-opening exceeds the reach.
    if (cosAlpha < cosReach_ && cosPsi > cosAlpha * cosReach_ + sinAlpha * sinReach_ + 1e-12)
        return false;
    return true;
}

bool ConeTracer::sampleLine(const std::array<float, 4>& cone, float lambda, int& stepCount,
                            bool highlighted, TracedLine& line, float& nearest) const {
    const TraceSettings& st = settings_;
    const double d = cone[3];

    // Axis.
    const double len =
        std::sqrt(static_cast<double>(cone[0]) * cone[0] + static_cast<double>(cone[1]) * cone[1] +
                  static_cast<double>(cone[2]) * cone[2]);
    if (!(len > 0)) return false;
    const Vec3f u{static_cast<float>(cone[0] / len), static_cast<float>(cone[1] / len),
                  static_cast<float>(cone[2] / len)};

    // Bragg condition (d = 0 gives an infinite ratio and no line).
    const double sine = lambda / 2.0 / d;
    const float s = static_cast<float>(std::fabs(sine));
    if (!(s <= 1.0f)) return false;

    const bool drag = st.dragging && st.reflectionCount >= kReducedSamplingMinimum;
    if (drag) stepCount = st.stereographic ? stepCount / 6 : stepCount / 2;
    if (stepCount < 1) return false;

    if (st.cullCones && sine > 0 && !mayReach(u, sine)) return true;

    // A drag frame's stereographic line straight from the circle it projects to.
    if (drag && !highlighted && st.stereographic && sine > 0 &&
        sampleStereographicCircle(u, sine, stepCount, line))
        return true;

    // A drag frame's line (not a highlighted one, whose dashes follow the samples) gets only
    // as many samples as its bend needs; the still picture keeps every one.
    const int steps = drag && !highlighted ? dragSteps(std::fabs(sine), stepCount) : stepCount;
    const float step = 360.0f / static_cast<float>(steps);
    const double theta = arcSin(sine);
    // A negative d gives a negative Bragg angle: no cone.
    if (!(static_cast<float>(theta / kDegToRad) >= 0.0f)) return false;

    const float t = static_cast<float>(std::tan(kPi / 2.0 - theta));

    // A unit vector perpendicular to the axis; later tests override earlier ones.
    Vec3f w{u[1], -u[0], 0.0f};
    if (std::fabs(u[0]) < 0.1f) w = {0.0f, u[2], -u[1]};
    if (std::fabs(u[1]) < 0.1f) w = {u[2], 0.0f, -u[0]};
    if (std::fabs(u[0]) < 0.000001f && std::fabs(u[1]) < 0.000001f) w = {0.0f, u[2], -u[1]};
    const double wl =
        std::sqrt(static_cast<double>(w[0]) * w[0] + static_cast<double>(w[1]) * w[1] +
                  static_cast<double>(w[2]) * w[2]);
    if (!(wl > 0)) return false;
    for (float& c : w) c = static_cast<float>(c / wl);

    // The first generator at angle alpha from the axis, turned step by step about it: all
    // samples at once, the first one again closing the polygon.
    const Vec3f q{u[0] + t * w[0], u[1] + t * w[1], u[2] + t * w[2]};
    const Mat3f R = axisRotationMatrix(u, step);
    std::array<Vec3f, kStillSamples + 1> stored;
    std::vector<Vec3f> spilled;
    const auto count = static_cast<std::size_t>(steps);
    std::span<Vec3f> samples(stored.data(), count + 1);
    if (count + 1 > stored.size()) {
        spilled.resize(count + 1);
        samples = spilled;
    }
    if (const float* circle = drag ? dragCircle(steps) : nullptr) {
        // A drag frame's samples straight from the circle about the axis, each on its own:
        // u + t (cos(phi) w + sin(phi) (u x w)) is q turned by phi.
        const Vec3f v{u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                      u[0] * w[1] - u[1] * w[0]};
        for (std::size_t k = 0; k < count; ++k) {
            const float c = t * circle[2 * k], sn = t * circle[2 * k + 1];
            samples[k] = {u[0] + c * w[0] + sn * v[0], u[1] + c * w[1] + sn * v[1],
                          u[2] + c * w[2] + sn * v[2]};
        }
    } else {
        turnSamples(R, q, samples.first(count));
    }
    samples[count] = samples[0];

    const bool stereo = st.stereographic;
    const double scale = scale_;
    const float W = static_cast<float>(st.width), H = static_cast<float>(st.height);

    // A sample that fails this test is certainly outside, and its exact projection is needed
    // only as the start of a segment into the picture. Behind the film (x <= 0) nothing is
    // inside in either projection.
    const double halfWidth = halfWidth_, halfHeight = halfHeight_;
    auto mayBeInside = [&](const Vec3f& v) {
        if (!(v[0] > 0)) return false;
        if (stereo) return true;
        return !(std::fabs(v[1]) > halfWidth * v[0]) && !(std::fabs(v[2]) > halfHeight * v[0]);
    };

    float xp = 0, yp = 0;
    float shortest = W;
    // Whether the last drawn segment ended at the previous sample, so that the next one goes on
    // from there in the same chain.
    bool chained = false;
    // Each step looks one sample ahead.
    const double pixelsPerUnit = scale * st.printScale;
    bool curMaybe = mayBeInside(samples[0]);
    for (std::size_t k = 0; k <= count; ++k) {
        const Vec3f& cur = samples[k];
        const bool nextMaybe = k < count && mayBeInside(samples[k + 1]);
        if (!curMaybe && !nextMaybe) {
            // Outside, and not the start of a segment: its position is never used.
            xp = yp = std::numeric_limits<float>::quiet_NaN();
            chained = false;
            curMaybe = nextMaybe;
            continue;
        }

        float X, Y;
        bool front;
        if (drag) {
            // A drag frame lasts until the next pointer move: the same projection without its
            // trigonometry (tan of the polar angle is -sqrt(1 - x^2) / |x|, the stereographic
            // radius tan(psi / 2) = sqrt(1 - x^2) / (1 + |x|)), a pixel off here and there.
            const double c0 = cur[0], c1 = cur[1], c2 = cur[2];
            const double back =
                stereo ? std::sqrt(c0 * c0 + c1 * c1 + c2 * c2) + std::fabs(c0) : std::fabs(c0);
            const double k1 = pixelsPerUnit / back;
            X = static_cast<float>(st.cx - c1 * k1);
            Y = static_cast<float>(st.cy + c2 * k1);
            front = c0 > 0;
        } else {
            const double n = std::sqrt(static_cast<double>(cur[0]) * cur[0] +
                                       static_cast<double>(cur[1]) * cur[1] +
                                       static_cast<double>(cur[2]) * cur[2]);
            const double p0 = cur[0] / n, p1 = cur[1] / n, p2 = cur[2] / n;
            const double f = polarAngleOf(std::fabs(p0));
            const double e = std::sqrt(p1 * p1 + p2 * p2);
            const double ey = e > 0 ? p1 / e : 0.0, ez = e > 0 ? p2 / e : 0.0;
            double r = stereo ? -std::tan((kPi - f) / 2.0) * scale : std::tan(f) * scale;
            r *= st.printScale;
            X = static_cast<float>(st.cx + ey * r);
            Y = static_cast<float>(st.cy - ez * r);
            front = p0 > 0;
        }

        const bool inside = curMaybe && 0 < X && X < W && 0 < Y && Y < H && front;
        if (xp == 0 && yp == 0 && inside) xp = X, yp = Y;
        if (inside) {
            if (!(highlighted && (k & 1))) {
                if (!chained) {
                    line.chainStarts.push_back(static_cast<std::uint32_t>(line.points.size()));
                    line.points.push_back({px(xp), px(yp)});
                }
                line.points.push_back({px(X), px(Y)});
                chained = true;
            } else {
                chained = false;
            }
            const float L = std::sqrt((X - xp) * (X - xp) + (Y - yp) * (Y - yp));
            if (L < shortest) {
                shortest = L;
                line.labelled = true;
                line.labelX = X;
                line.labelY = Y;
            }
            const float dist =
                std::sqrt((X - st.pickX) * (X - st.pickX) + (Y - st.pickY) * (Y - st.pickY));
            if (dist < nearest) nearest = dist;
        } else {
            chained = false;
        }
        xp = X;
        yp = Y;
        curMaybe = nextMaybe;
    }
    return true;
}

bool ConeTracer::sampleStereographicCircle(const Vec3f& u, double sine, int stepCount,
                                           TracedLine& line) const {
    // The stereographic projection maps circles on the sphere to circles: the directions v
    // with v.u = sin(theta) land on the circle of centre (u1, u2) / (sin(theta) + u0) and
    // radius cos(theta) / |sin(theta) + u0| in units of the picture's scale, measured from
    // its centre to the left and downwards. The front half of the sphere is the disc of
    // radius 1 about the centre (the rim circle), so the line is the circle's arc inside it.
    const TraceSettings& st = settings_;
    const double u0 = u[0], u1 = u[1], u2 = u[2];
    const double denominator = sine + u0;
    const double pixelsPerUnit = scale_ * st.printScale;
    const double rim = pixelsPerUnit;
    const double radius =
        pixelsPerUnit * std::sqrt(std::max(0.0, 1.0 - sine * sine)) / std::fabs(denominator);
    // A cone through (or all but through) the back pole projects to a line, or a circle too
    // large to work with: the samples about the axis draw those.
    if (!(radius < kLargestDragCircle * rim)) return false;
    const double centreX = st.cx - pixelsPerUnit * u1 / denominator;
    const double centreY = st.cy + pixelsPerUnit * u2 / denominator;
    const double apart =
        std::sqrt((centreX - st.cx) * (centreX - st.cx) + (centreY - st.cy) * (centreY - st.cy));

    // The arc inside the rim: all of the circle, none of it, or the part within gamma of the
    // direction from the circle's centre to the picture's centre.
    double from = 0, span = 2.0 * kPi;
    if (apart + radius > rim) {
        if (apart >= radius + rim || radius >= apart + rim) return true;
        const double cosGamma =
            (radius * radius + apart * apart - rim * rim) / (2.0 * radius * apart);
        const double gamma = std::acos(std::clamp(cosGamma, -1.0, 1.0));
        from = std::atan2(st.cy - centreY, st.cx - centreX) - gamma;
        span = 2.0 * gamma;
    }
    // Chords that stray at most kDragTolerance from the arc: a step of delta radians strays
    // radius (1 - cos(delta / 2)) <= radius delta^2 / 8; at least as many samples as a drag
    // frame's coarsest circle.
    const double wanted = std::max(span * std::sqrt(radius / (8.0 * kDragTolerance)),
                                   span / (2.0 * kPi) * kDragSteps.front());
    // Never more than the reduced count of a drag frame's line. (An arc of the circle may
    // stand for most of the cone: the projection stretches the part near the back pole.)
    const double most = stepCount;
    const int steps = std::max(1, static_cast<int>(std::min(std::ceil(wanted), most)));
    const double W = st.width, H = st.height;
    // The label where a still picture's samples about the axis crowd most (and its label
    // mostly is): the drawn point nearest the picture's centre.
    if (span == 2.0 * kPi && centreX - radius > 1 && centreX + radius < W - 1 &&
        centreY - radius > 1 && centreY + radius < H - 1) {
        // A whole circle within the picture (most lines of a dense pattern): one chain,
        // from the turns a drag frame works out once per picture where the count is one of
        // them, with no test per point.
        int count = steps;
        for (int n : kDragSteps)
            if (n >= steps) {
                if (n <= most) count = n;
                break;
            }
        const std::size_t first = line.points.size();
        line.chainStarts.push_back(static_cast<std::uint32_t>(first));
        line.points.resize(first + static_cast<std::size_t>(count) + 1);
        Point* out = line.points.data() + first;
        out[0] = {dragPixel(centreX + radius), dragPixel(centreY)};
        if (const float* circle = dragCircle(count)) {
            for (int k = 1; k <= count; ++k, circle += 2)
                out[k] = {dragPixel(centreX + radius * circle[0]),
                          dragPixel(centreY + radius * circle[1])};
        } else {
            for (int k = 1; k <= count; ++k) {
                const double a = 2.0 * kPi * k / count;
                out[k] = {dragPixel(centreX + radius * std::cos(a)),
                          dragPixel(centreY + radius * std::sin(a))};
            }
        }
        if (!st.labels) return true;
        line.labelled = true;
        const double toCentre = std::atan2(st.cy - centreY, st.cx - centreX);
        const double nearest = 2.0 * kPi / count * std::round(toCentre * count / (2.0 * kPi));
        line.labelX = static_cast<float>(centreX + radius * std::cos(nearest));
        line.labelY = static_cast<float>(centreY + radius * std::sin(nearest));
        return true;
    }

    const double step = span / steps;
    const double cosStep = std::cos(step), sinStep = std::sin(step);
    double c = 1, sn = 0;
    if (from != 0) c = std::cos(from), sn = std::sin(from);
    double bestCentreDistance = std::numeric_limits<double>::infinity();
    double previousX = 0, previousY = 0;
    bool chained = false;
    for (int k = 0; k <= steps; ++k) {
        const double X = centreX + radius * c, Y = centreY + radius * sn;
        const bool inside = 0 < X && X < W && 0 < Y && Y < H;
        if (inside) {
            if (!chained) {
                line.chainStarts.push_back(static_cast<std::uint32_t>(line.points.size()));
                // From the last point outside, where the arc enters the picture.
                if (k > 0) line.points.push_back({dragPixel(previousX), dragPixel(previousY)});
            }
            line.points.push_back({dragPixel(X), dragPixel(Y)});
            chained = true;
            const double centreDistance = (X - st.cx) * (X - st.cx) + (Y - st.cy) * (Y - st.cy);
            if (st.labels && centreDistance < bestCentreDistance) {
                bestCentreDistance = centreDistance;
                line.labelled = true;
                line.labelX = static_cast<float>(X);
                line.labelY = static_cast<float>(Y);
            }
        } else if (chained) {
            // The segment out of the picture, cut at its border when drawn.
            line.points.push_back({dragPixel(X), dragPixel(Y)});
            chained = false;
        }
        previousX = X;
        previousY = Y;
        const double nextC = c * cosStep - sn * sinStep;
        sn = sn * cosStep + c * sinStep;
        c = nextC;
    }
    return true;
}

void ConeTracer::sample(const std::array<float, 4>& cone, int stepCount, bool highlighted,
                        TracedCone& out) const {
    out.clear();
    const auto& wl = settings_.wavelength;
    bool second = false;
    float lambda = wl[0];
    if (wl[0] <= 0 && wl[1] > 0) {
        lambda = wl[1];
        second = true;
    }
    if (!(lambda > 0)) return;
    out.hasFirst = sampleLine(cone, lambda, stepCount, highlighted, out.first, out.nearestDistance);
    // The second wavelength's line, whenever there is a usable second wavelength, also when the
    // first wavelength has no cone for this spacing (a shorter second wavelength still has one).
    if (!second && wl[1] > 0 && wl[1] != wl[0])
        out.hasSecond =
            sampleLine(cone, wl[1], stepCount, highlighted, out.second, out.nearestDistance);
}

void ConeTracer::drawLabel(DrawingSurface& surface, const TracedLine& line,
                           std::int32_t reflectionIndex, bool highlighted) const {
    if (!line.labelled || !settings_.labels) return;
    const std::string text = hklLabel(reflections_, reflectionIndex, "", settings_.fourIndex);
    const Rgb white{255, 255, 255}, black{0, 0, 0};
    const Rgb halo = settings_.lightBackground ? white : black;
    Rgb ink = settings_.lightBackground ? black : white;
    if (highlighted) ink = settings_.highlight;
    const int x = px(line.labelX), y = px(line.labelY);
    surface.drawText(px(line.labelX - 1), y, text, halo);
    surface.drawText(px(line.labelX + 1), y, text, halo);
    surface.drawText(x, px(line.labelY - 1), text, halo);
    surface.drawText(x, px(line.labelY + 1), text, halo);
    surface.drawText(x, y, text, ink);
}

void ConeTracer::drawLine(DrawingSurface& surface, const TracedLine& line, bool highlighted) const {
    if (line.empty()) return;
    if (highlighted) {
        // Every other segment: apart, each starting its own dash pattern.
        const std::vector<Segment> segments = line.segments();
        surface.drawSegments(segments);
        return;
    }
    for (std::size_t c = 0; c < line.chainCount(); ++c) surface.drawPolyline(line.chain(c));
}

void ConeTracer::draw(DrawingSurface& surface, const TracedCone& cone, std::int32_t reflectionIndex,
                      bool highlighted) const {
    drawLine(surface, cone.first, highlighted);
    if (cone.hasSecond) {
        drawLine(surface, cone.second, highlighted);
        drawLabel(surface, cone.second, reflectionIndex, highlighted);
    }
    drawLabel(surface, cone.first, reflectionIndex, highlighted);
}

} // namespace tavrel
