#include "output/map_pictures.h"

#include "common/file_io.h"
#include "common/numeric.h"
#include "common/text.h"
#include "output/picture_file.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavrel {

namespace {

constexpr int kKeyWidth = 160, kMargin = 12, kLargestSide = 32000;

int pointSize(int rows, int columns) {
    return std::clamp(256 / std::max(rows, columns), 1, 8);
}

std::optional<Problem> checkSize(const std::string& path, int rows, int columns, std::size_t values,
                                 std::size_t perPoint) {
    if (rows < 1 || columns < 1 || columns > kLargestSide || rows > kLargestSide)
        return Problem{inQuotes(path) + ": a map of " + std::to_string(rows) + " x " +
                       std::to_string(columns) + " points is too large for a picture"};
    if (values != static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns) * perPoint)
        return Problem{inQuotes(path) + ": the values do not fill the map"};
    return std::nullopt;
}

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

Outcome writeIpfMapPicture(const std::string& path, int rows, int columns,
                           std::span<const std::uint8_t> rgb, std::span<const std::uint8_t> indexed,
                           const std::vector<IpfKeyLegend>& keys) {
    if (auto wrong = checkSize(path, rows, columns, rgb.size(), 3)) return *wrong;
    if (auto wrong = checkSize(path, rows, columns, indexed.size(), 1)) return *wrong;
    const int scale = pointSize(rows, columns);
    const int mapWidth = columns * scale, mapHeight = rows * scale;
    const int keyHeight = kKeyWidth + 40;
    const int height =
        std::max(mapHeight, static_cast<int>(keys.size()) * (keyHeight + kMargin)) + 2 * kMargin;
    QImage image(mapWidth + kKeyWidth + 3 * kMargin, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const auto k = static_cast<std::size_t>(r) * static_cast<std::size_t>(columns) +
                           static_cast<std::size_t>(c);
            const QRgb colour =
                indexed[k] ? qRgb(rgb[3 * k], rgb[3 * k + 1], rgb[3 * k + 2]) : qRgb(0, 0, 0);
            for (int y = 0; y < scale; ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(kMargin + r * scale + y));
                std::fill_n(line + kMargin + c * scale, scale, colour);
            }
        }
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const int left = mapWidth + 2 * kMargin;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const int top = kMargin + static_cast<int>(i) * (keyHeight + kMargin);
        const IpfKeyImage key = ipfKeyImage(keys[i].laue, kKeyWidth - 40);
        const QImage sector(key.rgba.data(), key.width, key.height, 4 * key.width,
                            QImage::Format_RGBA8888);
        const int kx = left + 20, ky = top + 18;
        painter.drawImage(kx, ky, sector);
        painter.drawText(QRect(left, top, kKeyWidth, 16), Qt::AlignLeft, text(keys[i].title));
        for (std::size_t c = 0; c < key.corners.size() && c < keys[i].cornerLabels.size(); ++c) {
            const auto& corner = key.corners[c];
            const int x = kx + static_cast<int>(std::lround(corner.x));
            const int y = ky + static_cast<int>(std::lround(corner.y));
            const bool below = corner.y > key.height / 2.0;
            painter.drawText(QRect(x - 40, below ? y + 2 : y - 16, 80, 14), Qt::AlignHCenter,
                             text(keys[i].cornerLabels[c]));
        }
    }
    painter.end();
    return writePictureImage(path, PictureFormat::Png, image);
}

Outcome writeValueMapPicture(const std::string& path, int rows, int columns,
                             std::span<const float> values, const std::string& title) {
    if (auto wrong = checkSize(path, rows, columns, values.size(), 1)) return *wrong;
    float low = std::numeric_limits<float>::infinity(), high = -low;
    for (const float v : values)
        if (std::isfinite(v)) low = std::min(low, v), high = std::max(high, v);
    if (!(low <= high)) low = high = 0;
    const double range = high > low ? high - low : 1.0;
    const int scale = pointSize(rows, columns);
    const int mapWidth = columns * scale, mapHeight = rows * scale;
    const int width = std::max(mapWidth, 200) + 2 * kMargin;
    QImage image(width, mapHeight + 3 * kMargin + 36, QImage::Format_RGB32);
    image.fill(Qt::white);
    auto grey = [&](double v) {
        const int g = static_cast<int>(std::lround(255 * std::clamp((v - low) / range, 0.0, 1.0)));
        return qRgb(g, g, g);
    };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const float v = values[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns) +
                                   static_cast<std::size_t>(c)];
            const QRgb colour = std::isfinite(v) ? grey(v) : qRgb(0, 0, 0);
            for (int y = 0; y < scale; ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(kMargin + r * scale + y));
                std::fill_n(line + kMargin + c * scale, scale, colour);
            }
        }
    // The scale: a ramp from the lowest to the highest value, labelled at both ends.
    const int barTop = mapHeight + 2 * kMargin, barWidth = width - 2 * kMargin;
    for (int x = 0; x < barWidth; ++x) {
        const QRgb colour = grey(low + range * x / std::max(1, barWidth - 1));
        for (int y = 0; y < 8; ++y)
            reinterpret_cast<QRgb*>(image.scanLine(barTop + y))[kMargin + x] = colour;
    }
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRect labels(kMargin, barTop + 10, barWidth, 16);
    painter.drawText(labels, Qt::AlignLeft, text(formatNumber(low, "0.000")));
    painter.drawText(labels, Qt::AlignHCenter, text(title));
    painter.drawText(labels, Qt::AlignRight, text(formatNumber(high, "0.000")));
    painter.end();
    return writePictureImage(path, PictureFormat::Png, image);
}

} // namespace tavrel
