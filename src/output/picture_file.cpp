#include "output/picture_file.h"

#include "common/file_io.h"
#include "common/text.h"
#include "output/banded_surface.h"
#include "output/painter_surface.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QMarginsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QSvgGenerator>

#include <optional>

namespace tavrel {

namespace {

// Drawing units per inch of the vector formats, the same as a screen pixel, so that text sizes
// in points come out as on the screen.
constexpr int kVectorDpi = 96;
constexpr int kMaxPictureSide = 32767;
// Qt's PNG quality 75 is zlib level 2: much faster than the default level for a slightly larger
// file (pictures of lines on a plain ground pack well at any level), and the encoding is most of
// writing a picture. The pixels are the same.
constexpr int kPngQuality = 75;

using Format = PictureFormat;

Problem cannotWrite(const std::string& path, const std::string& reason) {
    return Problem{inQuotes(path) + " cannot be written: " + reason};
}

// Hands the encoded picture to the writer, which replaces the file only once all of it is on
// the disk.
Outcome commitBytes(AtomicFileWriter& file, const std::string& path, const QByteArray& bytes) {
    Outcome written =
        file.write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (written) written = file.commit();
    if (!written) return cannotWrite(path, written.problem());
    return {};
}

// Draws nothing: what a picture draws on once it is finished.
class NoSurface final : public DrawingSurface {
public:
    int width() const override { return 0; }
    int height() const override { return 0; }
    void clear(Rgb) override {}
    void setPen(Rgb, int, PenStyle) override {}
    void drawSegments(std::span<const Segment>) override {}
    void drawRectangle(int, int, int, int) override {}
    void drawCircle(int, int, int, bool) override {}
    void setTextSize(double) override {}
    int textHeight() const override { return 0; }
    void drawText(int, int, std::string_view, Rgb) override {}
};

// The picture is encoded into memory and reaches the disk through the one writer that all
// output files share. So the encoders never see a failing device (libpng would print its own
// error line and Qt's PNG writer leaks its row buffer when a write fails), and every byte that
// does not reach the disk is noticed before the previous file is replaced.
class PictureFileImpl final : public PictureFile {
public:
    PictureFileImpl(std::string path, Format format, int width, int height)
        : path_(std::move(path)), format_(format), width_(width), height_(height) {}

    ~PictureFileImpl() override {
        // Ends a vector stream into the buffer; the writer then drops its temporary file.
        if (painter_.isActive()) painter_.end();
    }

    Outcome open() {
        if (const Outcome opened = file_.open(path_); !opened)
            return cannotWrite(path_, opened.problem());
        buffer_.open(QIODevice::WriteOnly);
        switch (format_) {
        case Format::Png:
        case Format::Bmp:
            // Painted in bands on every core once the drawing is complete.
            image_ = QImage(width_, height_, QImage::Format_RGB32);
            if (image_.isNull()) return cannotWrite(path_, "not enough memory for the picture");
            image_.fill(Qt::black);
            bands_ = std::make_unique<BandedSurface>(image_, width_, height_);
            target_ = bands_.get();
            return {};
        case Format::Svg:
            svg_ = std::make_unique<QSvgGenerator>();
            svg_->setOutputDevice(&buffer_);
            svg_->setSize(QSize(width_, height_));
            svg_->setViewBox(QRect(0, 0, width_, height_));
            svg_->setResolution(kVectorDpi);
            svg_->setTitle(QStringLiteral("Tavrel pattern"));
            return beginVector(svg_.get());
        case Format::Pdf:
            pdf_ = std::make_unique<QPdfWriter>(&buffer_);
            pdf_->setResolution(kVectorDpi);
            pdf_->setCreator(QStringLiteral("Tavrel"));
            pdf_->setPageSize(QPageSize(QSizeF(width_, height_) / kVectorDpi, QPageSize::Inch,
                                        QString(), QPageSize::ExactMatch));
            pdf_->setPageMargins(QMarginsF(0, 0, 0, 0));
            return beginVector(pdf_.get());
        }
        return cannotWrite(path_, "the format is unknown");
    }

    DrawingSurface& surface() override { return target_ ? *target_ : finished_; }

    Outcome finish() override {
        if (!target_) return Problem{"the picture is already finished"};
        target_ = nullptr;
        bool encoded = true;
        if (bands_) {
            bands_->paint();
            bands_.reset();
            encoded = format_ == Format::Png ? image_.save(&buffer_, "PNG", kPngQuality)
                                             : image_.save(&buffer_, "BMP");
            image_ = QImage();
        } else if (painter_.isActive()) {
            encoded = painter_.end();
        }
        if (!encoded) {
            file_.discard();
            return cannotWrite(path_, "the picture could not be encoded");
        }
        return commitBytes(file_, path_, buffer_.data());
    }

private:
    Outcome beginVector(QPaintDevice* device) {
        if (!painter_.begin(device)) return cannotWrite(path_, "the drawing could not be started");
        vector_.emplace(painter_, width_, height_);
        target_ = &*vector_;
        return {};
    }

    std::string path_;
    Format format_;
    int width_;
    int height_;
    AtomicFileWriter file_;
    // Declared before the generators and the painter, which stream into it until they end.
    QBuffer buffer_;
    std::unique_ptr<QSvgGenerator> svg_;
    std::unique_ptr<QPdfWriter> pdf_;
    QPainter painter_;
    std::optional<PainterSurface> vector_;
    QImage image_;
    std::unique_ptr<BandedSurface> bands_;
    DrawingSurface* target_ = nullptr;
    NoSurface finished_;
};

} // namespace

std::optional<PictureFormat> pictureFormatOf(const std::string& path) {
    const std::string extension = extensionOf(path);
    if (extension == ".png") return Format::Png;
    if (extension == ".bmp") return Format::Bmp;
    if (extension == ".svg") return Format::Svg;
    if (extension == ".pdf") return Format::Pdf;
    return std::nullopt;
}

Result<std::unique_ptr<PictureFile>> openPictureFile(const std::string& path, int width,
                                                     int height) {
    const std::optional<Format> format = pictureFormatOf(path);
    if (!format)
        return Problem{"unknown picture format of " + path + " (use .png, .bmp, .svg or .pdf)"};
    return openPictureFile(path, *format, width, height);
}

Result<std::unique_ptr<PictureFile>> openPictureFile(const std::string& path, PictureFormat format,
                                                     int width, int height) {
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide)
        return Problem{"invalid picture size " + std::to_string(width) + " x " +
                       std::to_string(height)};
    auto file = std::make_unique<PictureFileImpl>(path, format, width, height);
    if (const Outcome opened = file->open(); !opened) return opened.failure();
    return std::unique_ptr<PictureFile>(std::move(file));
}

Outcome writePictureImage(const std::string& path, PictureFormat format, const QImage& image) {
    if (format != Format::Png && format != Format::Bmp)
        return cannotWrite(path, "a raster picture is written as PNG or BMP only");
    if (image.isNull()) return cannotWrite(path, "there is no picture");
    AtomicFileWriter file;
    if (const Outcome opened = file.open(path); !opened) return cannotWrite(path, opened.problem());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format == Format::Png ? "PNG" : "BMP")) {
        file.discard();
        return cannotWrite(path, "the picture could not be encoded");
    }
    buffer.close();
    return commitBytes(file, path, bytes);
}

} // namespace tavrel
