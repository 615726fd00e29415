#pragma once
// A picture painted by several threads at once: the calls are recorded as they come, and
// paint() then hands the whole record to one QPainter per horizontal band of the image, each
// clipped to its band. Every band sees every call in the same order, and for one-pixel lines,
// texts and circles a clip only decides which of the pixels QPainter computes are set (lines
// are still cut at the image's border, not the band's), so the picture is pixel for pixel the
// one a single PainterSurface paints. Wider slanted lines (and every line on a scaled image)
// depend on the clip near its edge: such a picture is painted in one band. The bands are
// as high as makes their work about equal, and each passes over the calls that cannot reach
// its rows at once.

#include "render/surface.h"

#include <QFont>
#include <QImage>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

class BandedSurface : public DrawingSurface {
public:
    // Painter: every call through QPainter, pixel for pixel the single painter's picture.
    // Fast: thin solid lines set straight into the pixels, as a RasterLineSurface does (a
    // pixel off QPainter's here and there, for drag frames), the same in any number of bands;
    // wider lines are banded too, and may be a pixel off next to a band's edge.
    enum class Lines { Painter, Fast };

    // What a surface records until it paints. A caller that paints one picture after another
    // keeps one and hands it to each surface, so that its memory (megabytes for a dense
    // pattern) is used again rather than asked for anew with every picture.
    class Record {
    private:
        friend class BandedSurface;
        enum class Op : std::uint8_t {
            Clear,
            Pen,
            Segments,
            Polyline,
            Rectangle,
            Circle,
            TextSize,
            Text,
            GreyPicture
        };
        struct Command {
            Op op;
            Rgb colour;
            PenStyle style = PenStyle::Solid;
            int a = 0, b = 0, c = 0, d = 0;    // coordinates, pen width, radius, filled
            double size = 0;                   // text size
            std::uint32_t from = 0, count = 0; // a range of segments_, points_ or texts_
            // The rows (in drawing units) outside which the call sets no pixel; every row for
            // calls that set the painter's state.
            int top = std::numeric_limits<int>::min(), bottom = std::numeric_limits<int>::max();
        };
        struct GreyPictureCall {
            GreyPicture picture;
            double left, top, width, height;
            float opacity;
        };
        std::vector<Command> commands;
        std::vector<Segment> segments;
        std::vector<Point> points;
        std::string texts;
        std::vector<GreyPictureCall> pictures;
        // Empties the record and keeps its memory.
        void clear();
        // The bands of the last picture painted in bands, and what a unit of estimated work
        // cost in each: the next picture's bands are cut by them (not emptied by clear()).
        std::vector<int> timedEdges;
        std::vector<double> costPerWork;
    };

    // Paints on `image`, which must outlive the surface and must not be painted on by anyone
    // else until paint() has returned; the picture is width x height drawing units, which the
    // image's device pixel ratio scales to its pixels. `bands` 0: one per core; an image with
    // a device pixel ratio other than 1 is painted in one band.
    // `record`, when given, must outlive the surface and not be used by another at the
    // same time; whatever it held is dropped.
    BandedSurface(QImage& image, int width, int height, int bands = 0, Lines lines = Lines::Painter,
                  Record* record = nullptr);

    int width() const override { return width_; }
    int height() const override { return height_; }
    void clear(Rgb background) override;
    void setPen(Rgb colour, int width, PenStyle style) override;
    void drawSegments(std::span<const Segment> segments) override;
    void drawPolyline(std::span<const Point> points) override;
    void drawRectangle(int x1, int y1, int x2, int y2) override;
    void drawCircle(int x, int y, int radius, bool filled) override;
    void setTextSize(double points) override;
    int textHeight() const override { return textHeight_; }
    void drawText(int x, int y, std::string_view text, Rgb colour) override;
    // The picture's pixels must stay as they are until paint() has returned. A picture with a
    // grey picture in it is painted in one band: its smooth scaling is not cut exactly at a
    // band's edge.
    void drawGreyPicture(const GreyPicture& picture, double left, double top, double width,
                         double height, float opacity) override;

    // Paints what was recorded since the last paint() and empties the record.
    void paint();

private:
    using Op = Record::Op;
    using Command = Record::Command;
    // Replays the calls that may set pixels in the rows top .. bottom (drawing units).
    void replay(DrawingSurface& target, int top, int bottom) const;
    // The estimated work of every row of the picture.
    std::vector<double> rowWork() const;
    std::vector<int> balancedEdges(int bands, std::vector<double> work) const;
    void paintBand(uchar* pixels, int band, const std::vector<int>& edges) const;
    // Sets the rows of a drawing call from the rows its points lie on, with the current pen.
    void setRows(Command& c, int top, int bottom) const;

    QImage& image_;
    int width_;
    int height_;
    int bands_ = 1;
    Lines lines_;
    int penWidth_ = 1;
    // The last Pen call recorded since the last paint(), if any.
    std::optional<Command> pen_;
    bool wideLines_ = false; // lines drawn with a pen wider than 1 since the last paint()
    QFont font_;
    int textHeight_ = 0;
    Record ownRecord_; // when the caller keeps none
    Record& record_;
    // The record's parts, by the names the drawing calls use.
    std::vector<Command>& commands_;
    std::vector<Segment>& segments_;
    std::vector<Point>& points_;
    std::string& texts_;
    std::vector<Record::GreyPictureCall>& pictures_;
};

} // namespace tavrel
