#include "output/image_surface.h"

#include <algorithm>

namespace tavrel {

namespace detail {

PaintedImage::PaintedImage(int width, int height)
    : image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32) {
    // A null image cannot take a painter; the surface then stays inactive and ignores every
    // call.
    if (image.isNull()) return;
    image.fill(Qt::black);
    painter.begin(&image);
}

PaintedImage::~PaintedImage() {
    if (painter.isActive()) painter.end();
}

} // namespace detail

ImageSurface::ImageSurface(int width, int height)
    : PaintedImage(width, height),
      PainterSurface(PaintedImage::painter, PaintedImage::image.width(),
                     PaintedImage::image.height()) {}

} // namespace tavrel
