#include "output/image_surface.h"

#include <algorithm>

namespace tavrel {

namespace {

QImage blankImage(int width, int height) {
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    if (!image.isNull()) image.fill(Qt::black);
    return image;
}

// A null image cannot take a painter; the surface then stays inactive and ignores every call.
QPainter& begun(QPainter& painter, QImage& image) {
    if (!image.isNull()) painter.begin(&image);
    return painter;
}

} // namespace

ImageSurface::ImageSurface(int width, int height)
    : image_(blankImage(width, height)), painter_(),
      surface_(begun(painter_, image_), image_.width(), image_.height()) {}

ImageSurface::~ImageSurface() {
    if (painter_.isActive()) painter_.end();
}

} // namespace tavrel
