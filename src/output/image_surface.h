#pragma once
// An off-screen picture: a QImage that owns its painter, drawn on through a PainterSurface.

#include "output/painter_surface.h"

#include <QImage>
#include <QPainter>

namespace tavrel {

class ImageSurface : public DrawingSurface {
public:
    // Sizes below 1 become 1. A size too large to allocate leaves a null image on which nothing
    // is drawn.
    ImageSurface(int width, int height);
    ~ImageSurface() override;
    ImageSurface(const ImageSurface&) = delete;
    ImageSurface& operator=(const ImageSurface&) = delete;

    // The picture as drawn so far. A copy taken while the surface lives is a deep one (QImage
    // copies the pixels of an image being painted), so it keeps what it showed.
    const QImage& image() const { return image_; }
    bool isNull() const { return image_.isNull(); }

    int width() const override { return image_.width(); }
    int height() const override { return image_.height(); }
    void clear(Rgb background) override { surface_.clear(background); }
    void setPen(Rgb colour, int width, PenStyle style) override {
        surface_.setPen(colour, width, style);
    }
    void drawSegments(std::span<const Segment> segments) override {
        surface_.drawSegments(segments);
    }
    void drawRectangle(int x1, int y1, int x2, int y2) override {
        surface_.drawRectangle(x1, y1, x2, y2);
    }
    void drawCircle(int x, int y, int radius, bool filled) override {
        surface_.drawCircle(x, y, radius, filled);
    }
    void setTextSize(double points) override { surface_.setTextSize(points); }
    int textHeight() const override { return surface_.textHeight(); }
    void drawText(int x, int y, std::string_view text, Rgb colour) override {
        surface_.drawText(x, y, text, colour);
    }

private:
    QImage image_;
    QPainter painter_;
    PainterSurface surface_;
};

} // namespace tavrel
