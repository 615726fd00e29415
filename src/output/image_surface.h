#pragma once
// An off-screen picture: a QImage with its own painter, drawn on as a PainterSurface.

#include "output/painter_surface.h"

#include <QImage>
#include <QPainter>

namespace tavrel {

namespace detail {
// The image and its painter, constructed before the surface that draws through them.
struct PaintedImage {
    PaintedImage(int width, int height);
    ~PaintedImage();
    PaintedImage(const PaintedImage&) = delete;
    PaintedImage& operator=(const PaintedImage&) = delete;
    QImage image;
    QPainter painter;
};
} // namespace detail

class ImageSurface : private detail::PaintedImage, public PainterSurface {
public:
    // Sizes below 1 become 1. A size too large to allocate leaves a null image on which nothing
    // is drawn.
    ImageSurface(int width, int height);

    // The picture as drawn so far. A copy taken while the surface lives is a deep one (QImage
    // copies the pixels of an image being painted), so it keeps what it showed.
    const QImage& image() const { return PaintedImage::image; }
    bool isNull() const { return PaintedImage::image.isNull(); }
};

} // namespace tavrel
