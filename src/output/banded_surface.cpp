#include "output/banded_surface.h"

#include "output/painter_surface.h"
#include "output/raster_line_surface.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace tavrel {

namespace {

// Bands thinner than this cost more in repeated calls than they save.
constexpr int kMinimumBandHeight = 32;
// A picture of fewer points than this is painted at once: starting the threads and painters
// would cost more than sharing saves.
constexpr std::size_t kBandedMinimumPoints = 20000;

std::uint32_t narrow(std::size_t v) {
    return static_cast<std::uint32_t>(v);
}

} // namespace

void BandedSurface::Record::clear() {
    commands.clear();
    segments.clear();
    points.clear();
    texts.clear();
    pictures.clear();
}

BandedSurface::BandedSurface(QImage& image, int width, int height, int bands, Lines lines,
                             Record* record)
    : image_(image), width_(width), height_(height), lines_(lines),
      record_(record != nullptr ? *record : ownRecord_), commands_(record_.commands),
      segments_(record_.segments), points_(record_.points), texts_(record_.texts),
      pictures_(record_.pictures) {
    record_.clear();
    if (image_.isNull()) return;
    {
        // The font a painter starts with on this image, as a PainterSurface takes it.
        QPainter probe(&image_);
        font_ = probe.font();
    }
    const int wanted =
        bands > 0 ? bands : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    // On a scaled image lines of width 1 are no longer QPainter's one-pixel lines, and their
    // pixels near a band's edge depend on the clip: one band.
    bands_ =
        image_.devicePixelRatio() == 1.0 ? std::clamp(height_ / kMinimumBandHeight, 1, wanted) : 1;
    setTextSize(8.0);
}

void BandedSurface::clear(Rgb background) {
    commands_.push_back({Op::Clear, background});
}

void BandedSurface::setPen(Rgb colour, int width, PenStyle style) {
    // The same pen again (one per cone, most cones sharing a colour) changes nothing.
    if (pen_ && colour == pen_->colour && width == pen_->a && style == pen_->style) return;
    penWidth_ = width;
    Command c{Op::Pen, colour, style};
    c.a = width;
    commands_.push_back(c);
    pen_ = c;
}

void BandedSurface::drawSegments(std::span<const Segment> segments) {
    if (segments.empty()) return;
    wideLines_ = wideLines_ || penWidth_ > 1;
    Command c{Op::Segments, Rgb{}};
    c.from = narrow(segments_.size());
    c.count = narrow(segments.size());
    int top = segments.front().y1, bottom = top;
    for (const Segment& s : segments) {
        top = std::min({top, int{s.y1}, int{s.y2}});
        bottom = std::max({bottom, int{s.y1}, int{s.y2}});
    }
    setRows(c, top, bottom);
    segments_.insert(segments_.end(), segments.begin(), segments.end());
    commands_.push_back(c);
}

void BandedSurface::drawPolyline(std::span<const Point> points) {
    if (points.size() < 2) return;
    wideLines_ = wideLines_ || penWidth_ > 1;
    Command c{Op::Polyline, Rgb{}};
    c.from = narrow(points_.size());
    c.count = narrow(points.size());
    int top = points.front().y, bottom = top;
    for (const Point& p : points) {
        top = std::min(top, int{p.y});
        bottom = std::max(bottom, int{p.y});
    }
    setRows(c, top, bottom);
    points_.insert(points_.end(), points.begin(), points.end());
    commands_.push_back(c);
}

void BandedSurface::drawRectangle(int x1, int y1, int x2, int y2) {
    Command c{Op::Rectangle, Rgb{}};
    c.a = x1, c.b = y1, c.c = x2, c.d = y2;
    setRows(c, std::min(y1, y2), std::max(y1, y2));
    commands_.push_back(c);
}

void BandedSurface::drawCircle(int x, int y, int radius, bool filled) {
    Command c{Op::Circle, Rgb{}};
    c.a = x, c.b = y, c.c = radius, c.d = filled ? 1 : 0;
    setRows(c, y - std::abs(radius), y + std::abs(radius));
    commands_.push_back(c);
}

void BandedSurface::setTextSize(double points) {
    if (!(points > 0.0) || !std::isfinite(points) || image_.isNull()) return;
    Command c{Op::TextSize, Rgb{}};
    c.size = points;
    commands_.push_back(c);
    font_.setPointSizeF(points);
    textHeight_ = QFontMetrics(font_, &image_).height();
}

void BandedSurface::drawGreyPicture(const GreyPicture& picture, double left, double top,
                                    double width, double height, float opacity) {
    Command c{Op::GreyPicture, Rgb{}};
    c.from = narrow(pictures_.size());
    pictures_.push_back({picture, left, top, width, height, opacity});
    commands_.push_back(c);
}

void BandedSurface::drawText(int x, int y, std::string_view text, Rgb colour) {
    Command c{Op::Text, colour};
    c.a = x, c.b = y;
    // Wherever the text's baseline lies, its glyphs stay within a line's height of y.
    setRows(c, y - 2 * textHeight_, y + 2 * textHeight_);
    c.from = narrow(texts_.size());
    c.count = narrow(text.size());
    texts_.append(text);
    commands_.push_back(c);
}

void BandedSurface::setRows(Command& c, int top, int bottom) const {
    // Pens draw up to half their width beyond a line, and caps reach as far past its ends.
    const int margin = std::max(penWidth_, 1) + 2;
    c.top = top - margin;
    c.bottom = bottom + margin;
}

void BandedSurface::replay(DrawingSurface& target, int top, int bottom) const {
    for (const Command& c : commands_) {
        if (c.bottom < top || c.top > bottom) continue;
        switch (c.op) {
        case Op::Clear:
            target.clear(c.colour);
            break;
        case Op::Pen:
            target.setPen(c.colour, c.a, c.style);
            break;
        case Op::Segments:
            target.drawSegments(std::span<const Segment>(segments_).subspan(c.from, c.count));
            break;
        case Op::Polyline:
            target.drawPolyline(std::span<const Point>(points_).subspan(c.from, c.count));
            break;
        case Op::Rectangle:
            target.drawRectangle(c.a, c.b, c.c, c.d);
            break;
        case Op::Circle:
            target.drawCircle(c.a, c.b, c.c, c.d != 0);
            break;
        case Op::TextSize:
            target.setTextSize(c.size);
            break;
        case Op::Text:
            target.drawText(c.a, c.b, std::string_view(texts_).substr(c.from, c.count), c.colour);
            break;
        case Op::GreyPicture: {
            const Record::GreyPictureCall& p = pictures_[c.from];
            target.drawGreyPicture(p.picture, p.left, p.top, p.width, p.height, p.opacity);
            break;
        }
        }
    }
}

std::vector<double> BandedSurface::rowWork() const {
    // The work of a call, its points, spread evenly over its rows, summed per row (through the
    // differences from one row to the next).
    std::vector<double> change(static_cast<std::size_t>(height_) + 1, 0.0);
    for (const Command& c : commands_) {
        if (c.op != Op::Segments && c.op != Op::Polyline) continue;
        if (c.bottom < 0 || c.top >= height_) continue;
        const int top = std::clamp(c.top, 0, height_ - 1);
        const int bottom = std::clamp(c.bottom, 0, height_ - 1);
        const double perRow = static_cast<double>(c.count) / (bottom - top + 1);
        change[static_cast<std::size_t>(top)] += perRow;
        change[static_cast<std::size_t>(bottom) + 1] -= perRow;
    }
    std::vector<double> work(static_cast<std::size_t>(height_));
    double running = 0;
    for (std::size_t y = 0; y < work.size(); ++y) work[y] = running += change[y];
    return work;
}

std::vector<int> BandedSurface::balancedEdges(int bands, std::vector<double> work) const {
    // The work cut into equal parts: a picture whose lines crowd in one part gets narrower
    // bands there, so that no thread waits long for another. Where the last picture of a kept
    // record was cut into as many bands, each band's work is weighed by the time its points
    // took there (a point stands for a longer line in some parts of a picture than in others):
    // a drag's pictures change little from one to the next.
    const Record& last = record_;
    const auto count = static_cast<std::size_t>(bands);
    if (last.timedEdges.size() == count + 1 && last.timedEdges.back() == height_ &&
        std::all_of(last.costPerWork.begin(), last.costPerWork.end(),
                    [](double c) { return c > 0; }))
        for (std::size_t b = 0; b < count; ++b)
            for (int y = last.timedEdges[b]; y < last.timedEdges[b + 1]; ++y)
                work[static_cast<std::size_t>(y)] *= last.costPerWork[b];
    double total = 0;
    for (double w : work) total += w;
    std::vector<int> edges{0};
    double done = 0;
    int y = 0;
    for (int b = 1; b < bands; ++b) {
        const double wanted = total * b / bands;
        const int lowest = edges.back() + kMinimumBandHeight;
        const int highest = height_ - (bands - b) * kMinimumBandHeight;
        while (y < highest && (y < lowest || done < wanted))
            done += work[static_cast<std::size_t>(y++)];
        edges.push_back(y);
    }
    edges.push_back(height_);
    return edges;
}

void BandedSurface::paintBand(uchar* pixels, int band, const std::vector<int>& edges) const {
    // A QImage of its own over the same pixels: a painter per band, each on the whole image
    // (so that lines are cut at the image's border as on one painter), clipped to its band.
    // The first and the last band reach beyond the picture, as the single painter does.
    QImage view(pixels, image_.width(), image_.height(), image_.bytesPerLine(), image_.format());
    view.setDevicePixelRatio(image_.devicePixelRatio());
    QPainter painter(&view);
    constexpr int kFar = 1 << 20;
    const int bands = static_cast<int>(edges.size()) - 1;
    const auto b = static_cast<std::size_t>(band);
    const int top = band == 0 ? -kFar : edges[b];
    const int bottom = band + 1 == bands ? kFar : edges[b + 1];
    if (bands > 1) painter.setClipRect(QRect(-kFar, top, 2 * kFar, bottom - top));
    // (Bands are pixel rows only on an unscaled image; a scaled one has one band.)
    const int first = bands > 1 ? top : std::numeric_limits<int>::min();
    const int last = bands > 1 ? bottom - 1 : std::numeric_limits<int>::max();
    if (lines_ == Lines::Fast) {
        RasterLineSurface surface(painter, view, width_, height_);
        surface.limitRows(top, bottom);
        replay(surface, first, last);
    } else {
        PainterSurface surface(painter, width_, height_);
        replay(surface, first, last);
    }
}

void BandedSurface::paint() {
    if (!image_.isNull() && !commands_.empty()) {
        // Detaches the image (if it is shared) once, before any band takes its pixels.
        uchar* pixels = image_.bits();
        // Slanted lines wider than a pixel are not QPainter's one-pixel lines: their pixels
        // next to a band's edge depend on the clip. (Rectangles are drawn along the pixel rows
        // and columns, whatever their pen.) A drag frame may differ there by a pixel.
        const bool exact = lines_ == Lines::Painter;
        const int bands = segments_.size() + points_.size() >= kBandedMinimumPoints &&
                                  !(exact && wideLines_) && pictures_.empty()
                              ? bands_
                              : 1;
        const std::vector<double> work = bands > 1 ? rowWork() : std::vector<double>{};
        const std::vector<int> edges =
            bands > 1 ? balancedEdges(bands, work) : std::vector<int>{0, height_};
        std::vector<double> seconds(static_cast<std::size_t>(bands), 0.0);
        auto timedBand = [this, pixels, &seconds, &edges](int b) {
            const auto start = std::chrono::steady_clock::now();
            paintBand(pixels, b, edges);
            seconds[static_cast<std::size_t>(b)] =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        std::vector<std::jthread> workers;
        for (int b = 1; b < bands; ++b) workers.emplace_back(timedBand, b);
        timedBand(0);
        workers.clear(); // joins
        // What each band's work cost, for the next picture's edges.
        record_.timedEdges = edges;
        record_.costPerWork.assign(seconds.size(), 0.0);
        if (bands > 1)
            for (std::size_t b = 0; b < seconds.size(); ++b) {
                double bandWork = 0;
                for (int y = edges[b]; y < edges[b + 1]; ++y)
                    bandWork += work[static_cast<std::size_t>(y)];
                record_.costPerWork[b] = bandWork > 0 ? seconds[b] / bandWork : 0.0;
            }
    }
    record_.clear();
    pen_.reset();
    wideLines_ = false;
}

} // namespace tavrel
