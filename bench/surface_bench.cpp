// Drawing a full pattern of cone lines through ImageSurface against raw QPainter::drawLines of
// the same lines: the surface's conversion of int16 segments must cost next to nothing.

#include "output/image_surface.h"

#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPen>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using tavrel::Rgb;
using tavrel::Segment;

constexpr int kWidth = 850;
constexpr int kHeight = 620;
constexpr int kCones = 1000;
constexpr int kSteps = 360;

struct Pattern {
    std::vector<std::vector<Segment>> cones;
    std::vector<std::vector<QLine>> lines;
    std::vector<Rgb> colours;
};

// Closed 360-step circles of varied centre and radius, many reaching past the picture edges like
// real cone lines; one colour per cone.
const Pattern& pattern() {
    static const Pattern p = [] {
        Pattern out;
        for (int c = 0; c < kCones; ++c) {
            const double cx = 425 + 300 * std::sin(c * 0.37);
            const double cy = 310 + 220 * std::cos(c * 0.23);
            const double r = 20 + (c * 37) % 480;
            std::vector<Segment> cone;
            std::vector<QLine> lines;
            auto point = [&](int k) {
                const double a = k * 3.141592654 / 180;
                return std::pair<std::int16_t, std::int16_t>(
                    static_cast<std::int16_t>(std::lround(cx + r * std::cos(a))),
                    static_cast<std::int16_t>(std::lround(cy + r * std::sin(a))));
            };
            for (int k = 0; k < kSteps; ++k) {
                const auto [x1, y1] = point(k);
                const auto [x2, y2] = point(k + 1);
                cone.push_back(Segment{x1, y1, x2, y2});
                lines.emplace_back(x1, y1, x2, y2);
            }
            out.cones.push_back(std::move(cone));
            out.lines.push_back(std::move(lines));
            const auto v = static_cast<std::uint8_t>(25 + c % 231);
            out.colours.push_back(Rgb{v, static_cast<std::uint8_t>(255 - v), 128});
        }
        return out;
    }();
    return p;
}

void BM_ImageSurfaceDrawSegments(benchmark::State& state) {
    const Pattern& p = pattern();
    tavrel::ImageSurface surface(kWidth, kHeight);
    for (auto _ : state) {
        surface.clear(Rgb{0, 0, 0});
        for (std::size_t c = 0; c < p.cones.size(); ++c) {
            surface.setPen(p.colours[c], 1, tavrel::PenStyle::Solid);
            surface.drawSegments(p.cones[c]);
        }
        benchmark::DoNotOptimize(surface.image().constBits());
    }
    state.SetItemsProcessed(state.iterations() * kCones * kSteps);
}
BENCHMARK(BM_ImageSurfaceDrawSegments)->Unit(benchmark::kMillisecond);

void BM_RawQPainterDrawLines(benchmark::State& state) {
    const Pattern& p = pattern();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (auto _ : state) {
        painter.fillRect(QRect(0, 0, kWidth, kHeight), Qt::black);
        for (std::size_t c = 0; c < p.lines.size(); ++c) {
            const Rgb& rgb = p.colours[c];
            painter.setPen(
                QPen(QColor(rgb.r, rgb.g, rgb.b), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            painter.drawLines(p.lines[c].data(), static_cast<int>(p.lines[c].size()));
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kCones * kSteps);
}
BENCHMARK(BM_RawQPainterDrawLines)->Unit(benchmark::kMillisecond);

} // namespace
