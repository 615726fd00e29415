#include "output/pattern_image.h"

#include "common/file_io.h"
#include "common/text.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <span>

namespace tavrel {

Result<fit::GreyImage> readPatternImage(const std::string& path) {
    // Read through the project's reader, so that a FIFO or a device never blocks and a huge
    // file is refused before Qt sees it.
    const Result<std::string> bytes = readWholeFile(path);
    const std::string name = inQuotes(path);
    if (!bytes) return Problem{name + " " + bytes.problem()};
    QByteArray data = QByteArray::fromStdString(*bytes);
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    // Recorded patterns are a few megapixels; a header that claims far more is not one.
    reader.setAllocationLimit(1024);
    QImage image = reader.read();
    if (image.isNull())
        return Problem{name +
                       " is not a picture that can be read: " + reader.errorString().toStdString()};
    // Sixteen bits keep the depth of a 16-bit recording; colour becomes its luminance.
    image = image.convertToFormat(QImage::Format_Grayscale16);
    if (image.isNull()) return Problem{name + " cannot be taken as a grey image"};
    const auto* pixels = reinterpret_cast<const std::uint16_t*>(image.constBits());
    const std::size_t stride = static_cast<std::size_t>(image.bytesPerLine()) / 2;
    Result<fit::GreyImage> grey = fit::greyImageFrom16Bit(
        std::span<const std::uint16_t>(pixels, stride * static_cast<std::size_t>(image.height())),
        image.width(), image.height(), static_cast<int>(stride));
    if (!grey) return Problem{name + ": " + grey.problem()};
    return grey;
}

bool isPatternImageName(const std::string& path) {
    const std::string ext = toLower(extensionOf(path));
    for (const char* known : {".png", ".jpg", ".jpeg", ".bmp", ".tif", ".tiff"})
        if (ext == known) return true;
    return false;
}

} // namespace tavrel
