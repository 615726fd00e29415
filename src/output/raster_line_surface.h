#pragma once
// A painter surface for the window's drag frames: solid lines of width 1 are set straight into
// the pixels of the image being drawn (a clipped integer line through both end points), far
// faster than QPainter's line drawing; everything else (wider or dashed pens, circles,
// rectangles, texts) goes through QPainter as on a PainterSurface. The lines cover nearly the
// pixels QPainter's would (the same lines in the same colours, a pixel off here and there where
// the two line algorithms round differently), which a picture that changes with every pointer
// move may do. The full-quality picture after the drag is drawn with a PainterSurface.

#include "output/painter_surface.h"

#include <QImage>

#include <cstdint>

namespace tavrel {

class RasterLineSurface : public PainterSurface {
public:
    // `painter` must be active on `image`; the picture is width x height drawing units, which
    // the image's device pixel ratio scales to its pixels (lines stay one pixel wide). On an
    // image that is not 32 bits per pixel every call goes through QPainter.
    RasterLineSurface(QPainter& painter, QImage& image, int width, int height);

    void setPen(Rgb colour, int width, PenStyle style) override;
    void drawSegments(std::span<const Segment> segments) override;
    void drawPolyline(std::span<const Point> points) override;
    // Fast lines set only the pixel rows top .. bottom - 1 of the image (a band that another
    // thread's surface does not touch): there exactly the pixels they set on the whole image.
    void limitRows(int top, int bottom);

private:
    bool fastPen() const { return bits_ != nullptr && thinSolid_; }
    // From (x0, y0) to (x1, y1) in drawing units, both end pixels included.
    void line(int x0, int y0, int x1, int y1);
    // The same for a line that lies within the image and the rows this surface sets.
    void lineInside(int x0, int y0, int x1, int y1);

    std::uint8_t* bits_ = nullptr;
    qsizetype stride_ = 0; // bytes per line
    int pixelWidth_ = 0, pixelHeight_ = 0;
    int top_ = 0, bottom_ = 0; // the rows fast lines may set
    double ratio_ = 1;
    bool thinSolid_ = true;
    std::uint32_t colour_ = 0xff000000u;
};

} // namespace tavrel
