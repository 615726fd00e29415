#include "output/picture_file.h"

#include "output/image_surface.h"
#include "output/painter_surface.h"

#include <QFileInfo>
#include <QImage>
#include <QMarginsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QString>
#include <QSvgGenerator>

#include <optional>

namespace tavrel {

namespace {

// Drawing units per inch of the vector formats, the same as a screen pixel, so that text sizes
// in points come out as on the screen.
constexpr int kVectorDpi = 96;
constexpr int kMaxPictureSide = 32767;

using Format = PictureFormat;

std::string fileError(const char* what, const QSaveFile& file) {
    return std::string(what) + " " + file.fileName().toStdString() + ": " +
           file.errorString().toStdString();
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

class PictureFileImpl final : public PictureFile {
public:
    PictureFileImpl(const QString& path, Format format, int width, int height)
        : format_(format), width_(width), height_(height), file_(path) {}

    ~PictureFileImpl() override {
        // Ends a vector stream into the temporary file, which the unsaved QSaveFile discards.
        if (painter_.isActive()) painter_.end();
    }

    bool open(std::string& error) {
        if (!file_.open(QIODevice::WriteOnly)) {
            error = fileError("cannot create", file_);
            return false;
        }
        switch (format_) {
        case Format::Png:
        case Format::Bmp:
            image_ = std::make_unique<ImageSurface>(width_, height_);
            if (image_->isNull()) {
                error = "not enough memory for the picture";
                return false;
            }
            target_ = image_.get();
            return true;
        case Format::Svg:
            svg_ = std::make_unique<QSvgGenerator>();
            svg_->setOutputDevice(&file_);
            svg_->setSize(QSize(width_, height_));
            svg_->setViewBox(QRect(0, 0, width_, height_));
            svg_->setResolution(kVectorDpi);
            svg_->setTitle(QStringLiteral("Tavrel pattern"));
            return beginVector(svg_.get(), error);
        case Format::Pdf:
            pdf_ = std::make_unique<QPdfWriter>(&file_);
            pdf_->setResolution(kVectorDpi);
            pdf_->setCreator(QStringLiteral("Tavrel"));
            pdf_->setPageSize(QPageSize(QSizeF(width_, height_) / kVectorDpi, QPageSize::Inch,
                                        QString(), QPageSize::ExactMatch));
            pdf_->setPageMargins(QMarginsF(0, 0, 0, 0));
            return beginVector(pdf_.get(), error);
        }
        return false;
    }

    DrawingSurface& surface() override { return target_ ? *target_ : finished_; }

    bool finish(std::string& error) override {
        if (!target_) {
            error = "the picture is already finished";
            return false;
        }
        target_ = nullptr;
        bool written = true;
        if (image_) {
            written = image_->image().save(&file_, format_ == Format::Png ? "PNG" : "BMP");
        } else if (painter_.isActive()) {
            written = painter_.end();
        }
        if (!written) {
            file_.cancelWriting();
            error = "cannot write the picture to " + file_.fileName().toStdString();
            return false;
        }
        if (!file_.commit()) {
            error = fileError("cannot write", file_);
            return false;
        }
        return true;
    }

private:
    bool beginVector(QPaintDevice* device, std::string& error) {
        if (!painter_.begin(device)) {
            error = "cannot start drawing into " + file_.fileName().toStdString();
            return false;
        }
        vector_.emplace(painter_, width_, height_);
        target_ = &*vector_;
        return true;
    }

    Format format_;
    int width_;
    int height_;
    // Declared first so that it outlives the generators and the painter streaming into it.
    QSaveFile file_;
    std::unique_ptr<QSvgGenerator> svg_;
    std::unique_ptr<QPdfWriter> pdf_;
    QPainter painter_;
    std::optional<PainterSurface> vector_;
    std::unique_ptr<ImageSurface> image_;
    DrawingSurface* target_ = nullptr;
    NoSurface finished_;
};

} // namespace

std::optional<PictureFormat> pictureFormatOf(const std::string& path) {
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    if (suffix == QLatin1String("png")) return Format::Png;
    if (suffix == QLatin1String("bmp")) return Format::Bmp;
    if (suffix == QLatin1String("svg")) return Format::Svg;
    if (suffix == QLatin1String("pdf")) return Format::Pdf;
    return std::nullopt;
}

std::unique_ptr<PictureFile> openPictureFile(const std::string& path, int width, int height,
                                             std::string& error) {
    const std::optional<Format> format = pictureFormatOf(path);
    if (!format) {
        error = "unknown picture format of " + path + " (use .png, .bmp, .svg or .pdf)";
        return nullptr;
    }
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) {
        error = "invalid picture size " + std::to_string(width) + " x " + std::to_string(height);
        return nullptr;
    }
    auto file =
        std::make_unique<PictureFileImpl>(QString::fromStdString(path), *format, width, height);
    if (!file->open(error)) return nullptr;
    return file;
}

} // namespace tavrel
