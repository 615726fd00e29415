#include "output/pattern_image.h"

#include "common/file_io.h"
#include "common/text.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QtGlobal>

#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tavrel {

namespace {

// A side below this is too small to fit (as greyImageFrom16Bit says).
constexpr int kSmallestSide = 16;

// The first problem a decoder met, in a buffer of its own: the decoders report through C
// callbacks, and libpng's leave by longjmp, past any destructor.
struct DecoderMessage {
    char text[256] = {};
    bool set = false;
    void keep(const char* message) {
        if (set) return;
        std::snprintf(text, sizeof text, "%s", message);
        set = true;
    }
};

// Area averages of a picture's rows, at most kLargestReadSide pixels a side: each output
// pixel the mean of the source area it covers (source pixels split at its edges count with the
// part inside), so the picture keeps its extent exactly. At its own size it copies the values.
class Binner {
public:
    Binner(int width, int height) : width_(width), height_(height) {
        const int longer = std::max(width, height);
        const double factor =
            longer > kLargestReadSide ? static_cast<double>(longer) / kLargestReadSide : 1;
        outWidth_ = std::max(1, static_cast<int>(std::lround(width / factor)));
        outHeight_ = std::max(1, static_cast<int>(std::lround(height / factor)));
        columns_ = sharesOf(width, outWidth_);
        rows_ = sharesOf(height, outHeight_);
        sums_.assign(static_cast<std::size_t>(outWidth_) * static_cast<std::size_t>(outHeight_),
                     0.0);
    }

    // Source row y, `width` values.
    template <class T> void addRow(int y, const T* values) {
        const Share& row = rows_[static_cast<std::size_t>(y)];
        for (int part = 0; part < 2; ++part) {
            const double rowWeight = part == 0 ? row.firstWeight : 1 - row.firstWeight;
            if (rowWeight == 0) continue;
            double* out = sums_.data() + static_cast<std::size_t>(row.first + part) *
                                             static_cast<std::size_t>(outWidth_);
            for (int x = 0; x < width_; ++x) {
                const Share& column = columns_[static_cast<std::size_t>(x)];
                const double value = rowWeight * static_cast<double>(values[x]);
                out[column.first] += column.firstWeight * value;
                if (column.firstWeight < 1)
                    out[column.first + 1] += (1 - column.firstWeight) * value;
            }
        }
    }

    fit::GreyImage finish() const {
        fit::GreyImage image;
        image.width = outWidth_;
        image.height = outHeight_;
        const double area =
            (static_cast<double>(width_) / outWidth_) * (static_cast<double>(height_) / outHeight_);
        image.pixels.reserve(sums_.size());
        for (const double sum : sums_) image.pixels.push_back(static_cast<float>(sum / area));
        return image;
    }

private:
    // Where a source pixel goes: into output pixel `first`, or across its far edge into the
    // next one too.
    struct Share {
        int first = 0;
        double firstWeight = 1;
    };
    static std::vector<Share> sharesOf(int source, int target) {
        std::vector<Share> shares(static_cast<std::size_t>(source));
        const double scale = static_cast<double>(source) / target; // source pixels an output pixel
        for (int i = 0; i < source; ++i) {
            Share& share = shares[static_cast<std::size_t>(i)];
            share.first = std::min(target - 1, static_cast<int>(i / scale));
            const double edge = (share.first + 1) * scale;
            if (i + 1 > edge && share.first + 1 < target) share.firstWeight = edge - i;
        }
        return shares;
    }

    int width_, height_, outWidth_ = 0, outHeight_ = 0;
    std::vector<Share> columns_, rows_;
    std::vector<double> sums_;
};

Result<fit::GreyImage> tooSmall(int width, int height) {
    return Problem{"The image is too small to fit: " + std::to_string(width) + " x " +
                   std::to_string(height) + " pixels"};
}

// A picture beyond the stated limit is refused before anything is allocated for it.
std::optional<Problem> sizeProblem(long long width, long long height) {
    if (width < kSmallestSide || height < kSmallestSide)
        return tooSmall(static_cast<int>(std::min(width, 1'000'000'000LL)),
                        static_cast<int>(std::min(height, 1'000'000'000LL)))
            .failure();
    if (width * height > static_cast<long long>(kMostPatternPixels) || width > 1'000'000 ||
        height > 1'000'000)
        return Problem{"declares " + std::to_string(width) + " x " + std::to_string(height) +
                       " pixels, more than a pattern image may hold (" +
                       std::to_string(kMostPatternPixels / 1'000'000) + " megapixels)"};
    return std::nullopt;
}

// --- PNG, through libpng: rows as they are decoded, never the whole picture -----------------

struct PngInput {
    const std::string* bytes = nullptr;
    std::size_t offset = 0;
    DecoderMessage message;
};

void pngRead(png_structp png, png_bytep out, png_size_t count) {
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    if (input->bytes->size() - input->offset < count) png_error(png, "the file ends early");
    std::memcpy(out, input->bytes->data() + input->offset, count);
    input->offset += count;
}

void pngError(png_structp png, png_const_charp message) {
    static_cast<PngInput*>(png_get_error_ptr(png))->message.keep(message);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0, interlace = 0, passes = 1;
};

// Reads the header and sets the transforms that give grey rows of 8 or 16 bits. Only plain
// data live here and in pngRows: libpng leaves them by longjmp.
bool pngStart(png_structp png, png_infop info, PngHeader& header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_user_limits(png, 1'000'000, 1'000'000);
    png_read_info(png, info);
    png_get_IHDR(png, info, &header.width, &header.height, &header.bitDepth, &header.colourType,
                 &header.interlace, nullptr, nullptr);
    png_set_expand(png); // palettes to RGB, 1, 2 and 4 bits to 8, transparency to alpha
    png_set_strip_alpha(png);
    if (header.colourType & PNG_COLOR_MASK_COLOR) png_set_rgb_to_gray_fixed(png, 1, -1, -1);
    header.passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool pngRows(png_structp png, std::vector<png_bytep>& rows, int passes) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (int pass = 0; pass < passes; ++pass)
        for (png_bytep row : rows) png_read_row(png, row, nullptr);
    return true;
}

// Grey values of a decoded row, 8-bit values scaled to 16 bits as Qt scales them.
void greyRow(const png_byte* row, int width, bool sixteen, std::vector<std::uint16_t>& out) {
    for (int x = 0; x < width; ++x) {
        const auto i = static_cast<std::size_t>(x);
        out[i] = sixteen ? static_cast<std::uint16_t>(row[2 * i] << 8 | row[2 * i + 1])
                         : static_cast<std::uint16_t>(row[i] * 257);
    }
}

struct PngDecoded {
    bool colour = false; // decoded from colour through libpng's luminance
};

Result<fit::GreyImage> readPng(const std::string& bytes, PngDecoded& decoded) {
    PngInput input{&bytes, 0, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return Problem{"cannot be decoded: out of memory"};
    }
    png_set_read_fn(png, &input, pngRead);
    auto failed = [&](const std::string& why) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Problem{why};
    };
    PngHeader header;
    if (!pngStart(png, info, header))
        return failed("is not a PNG that can be read: " + std::string(input.message.text));
    decoded.colour = (header.colourType & PNG_COLOR_MASK_COLOR) != 0;
    if (const std::optional<Problem> size = sizeProblem(header.width, header.height))
        return failed(size->message);
    const int width = static_cast<int>(header.width), height = static_cast<int>(header.height);
    const bool interlaced = header.interlace != PNG_INTERLACE_NONE;
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    // An interlaced picture arrives in passes over the whole of it, so only it is held whole.
    if (interlaced && static_cast<long long>(width) * height > kMostWholePixels)
        return failed("is an interlaced PNG of more than " +
                      std::to_string(kMostWholePixels / 1'000'000) +
                      " megapixels, which cannot be read in rows");
    const std::size_t held = interlaced ? static_cast<std::size_t>(height) : 1;
    std::vector<png_byte> buffer(rowBytes * held);
    std::vector<png_bytep> rows(held);
    for (std::size_t i = 0; i < held; ++i) rows[i] = buffer.data() + i * rowBytes;
    const bool sixteen = header.bitDepth == 16;
    std::vector<std::uint16_t> grey(static_cast<std::size_t>(width));
    Binner binner(width, height);
    if (interlaced) {
        if (!pngRows(png, rows, header.passes))
            return failed("cannot be decoded: " + std::string(input.message.text));
        for (int y = 0; y < height; ++y) {
            greyRow(rows[static_cast<std::size_t>(y)], width, sixteen, grey);
            binner.addRow(y, grey.data());
        }
    } else {
        for (int y = 0; y < height; ++y) {
            if (!pngRows(png, rows, 1))
                return failed("cannot be decoded: " + std::string(input.message.text));
            greyRow(rows[0], width, sixteen, grey);
            binner.addRow(y, grey.data());
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return binner.finish();
}

// --- TIFF, through libtiff: grey 8 and 16 bits and 32-bit floats, by rows or rows of tiles ---

struct TiffInput {
    const std::string* bytes = nullptr;
    toff_t offset = 0;
    DecoderMessage message;
};

tmsize_t tiffRead(thandle_t handle, void* out, tmsize_t size) {
    auto* input = static_cast<TiffInput*>(handle);
    const toff_t available =
        input->bytes->size() - std::min<toff_t>(input->offset, input->bytes->size());
    const auto count =
        static_cast<std::size_t>(std::min<toff_t>(static_cast<toff_t>(size), available));
    std::memcpy(out, input->bytes->data() + input->offset, count);
    input->offset += count;
    return static_cast<tmsize_t>(count);
}
tmsize_t tiffWrite(thandle_t, void*, tmsize_t) {
    return 0;
}
toff_t tiffSeek(thandle_t handle, toff_t offset, int whence) {
    auto* input = static_cast<TiffInput*>(handle);
    const toff_t base = whence == SEEK_CUR   ? input->offset
                        : whence == SEEK_END ? input->bytes->size()
                                             : 0;
    input->offset = base + offset;
    return input->offset;
}
int tiffClose(thandle_t) {
    return 0;
}
toff_t tiffSize(thandle_t handle) {
    return static_cast<TiffInput*>(handle)->bytes->size();
}
int tiffMap(thandle_t, void**, toff_t*) {
    return 0;
}
void tiffUnmap(thandle_t, void*, toff_t) {}

int tiffError(TIFF*, void* user, const char*, const char* format, va_list arguments) {
    char text[256];
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wformat-nonliteral"
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    std::vsnprintf(text, sizeof text, format, arguments);
#if defined(__clang__)
#pragma clang diagnostic pop
#elif defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    static_cast<DecoderMessage*>(user)->keep(text);
    return 1;
}
int tiffWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// A grey TIFF of a kind readTiff takes: one sample of 8 or 16 unsigned bits or a 32-bit float.
struct TiffKind {
    bool grey = false;
    std::uint16_t bits = 0, format = SAMPLEFORMAT_UINT, photometric = PHOTOMETRIC_MINISBLACK;
};

TiffKind tiffKindOf(TIFF* tiff) {
    std::uint16_t samples = 1, bits = 1, format = SAMPLEFORMAT_UINT,
                  photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TiffKind kind{false, bits, format, photometric};
    const bool whole = format == SAMPLEFORMAT_UINT && (bits == 8 || bits == 16);
    const bool real = format == SAMPLEFORMAT_IEEEFP && bits == 32;
    kind.grey =
        samples == 1 && (whole || real) &&
        (photometric == PHOTOMETRIC_MINISBLACK || (photometric == PHOTOMETRIC_MINISWHITE && whole));
    return kind;
}

// The grey TIFFs libtiff reads here; nothing (and `handled` false) for others, which Qt reads.
Result<fit::GreyImage> readTiff(const std::string& bytes, bool& handled) {
    handled = false;
    TiffInput input{&bytes, 0, {}};
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, tiffError, &input.message);
    TIFFOpenOptionsSetWarningHandlerExtR(options, tiffWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, 256 << 20);
    TIFF* tiff = TIFFClientOpenExt("pattern", "rm", &input, tiffRead, tiffWrite, tiffSeek,
                                   tiffClose, tiffSize, tiffMap, tiffUnmap, options);
    TIFFOpenOptionsFree(options);
    handled = true;
    if (!tiff) return Problem{"is not a TIFF that can be read: " + std::string(input.message.text)};
    struct Closer {
        TIFF* tiff;
        ~Closer() { TIFFClose(tiff); }
    } closer{tiff};

    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    const TiffKind kind = tiffKindOf(tiff);
    if (!kind.grey) {
        // 32-bit whole numbers and 64-bit floats are no pattern format Qt reads either.
        if (kind.bits > 16 && !(kind.format == SAMPLEFORMAT_IEEEFP && kind.bits == 32))
            return Problem{"holds samples of " + std::to_string(kind.bits) +
                           (kind.format == SAMPLEFORMAT_IEEEFP ? "-bit floats" : "-bit integers") +
                           "; pattern images are grey TIFFs of 8 or 16 bits or 32-bit floats"};
        handled = false;
        return Problem{""};
    }
    if (const std::optional<Problem> size = sizeProblem(width, height)) return *size;

    const auto w = static_cast<std::size_t>(width);
    const std::size_t sampleBytes = kind.bits / 8u;
    const bool tiled = TIFFIsTiled(tiff) != 0;
    std::uint32_t tileWidth = 0, tileHeight = 1;
    if (tiled) {
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight);
        if (tileWidth == 0 || tileHeight == 0 || tileHeight > 4096 || tileWidth > 4096)
            return Problem{"has tiles of " + std::to_string(tileWidth) + " x " +
                           std::to_string(tileHeight) + " pixels, which cannot be read"};
    }
    // One row of tiles (or one row) at a time.
    const std::size_t bandWidth = tiled ? (w + tileWidth - 1) / tileWidth * tileWidth : w;
    std::vector<unsigned char> band(bandWidth * tileHeight * sampleBytes);
    std::vector<unsigned char> tile(tiled ? static_cast<std::size_t>(TIFFTileSize(tiff)) : 0);
    std::vector<float> row(w);
    Binner binner(static_cast<int>(width), static_cast<int>(height));
    auto unreadable = [&] {
        return Problem{"cannot be decoded: " +
                       std::string(input.message.set ? input.message.text : "a damaged strip")};
    };
    for (std::uint32_t top = 0; top < height; top += tileHeight) {
        const std::uint32_t rows = std::min(tileHeight, height - top);
        if (tiled) {
            if (tile.size() < static_cast<std::size_t>(tileWidth) * tileHeight * sampleBytes)
                return unreadable();
            for (std::uint32_t left = 0; left < width; left += tileWidth) {
                if (TIFFReadTile(tiff, tile.data(), left, top, 0, 0) < 0) return unreadable();
                for (std::uint32_t r = 0; r < tileHeight; ++r)
                    std::memcpy(band.data() + (r * bandWidth + left) * sampleBytes,
                                tile.data() + r * tileWidth * sampleBytes, tileWidth * sampleBytes);
            }
        } else if (TIFFReadScanline(tiff, band.data(), top, 0) < 0) {
            return unreadable();
        }
        for (std::uint32_t r = 0; r < rows; ++r) {
            const unsigned char* samples = band.data() + r * bandWidth * sampleBytes;
            for (std::size_t x = 0; x < w; ++x) {
                float value = 0;
                if (kind.bits == 8) {
                    value = static_cast<float>(samples[x] * 257);
                } else if (kind.bits == 16) {
                    std::uint16_t v = 0;
                    std::memcpy(&v, samples + 2 * x, 2);
                    value = v;
                } else {
                    std::memcpy(&value, samples + 4 * x, 4);
                    if (!std::isfinite(value))
                        return Problem{"holds a sample that is no number (row " +
                                       std::to_string(top + r) + ")"};
                }
                if (kind.photometric == PHOTOMETRIC_MINISWHITE) value = 65535.0f - value;
                row[x] = value;
            }
            binner.addRow(static_cast<int>(top + r), row.data());
        }
    }
    return binner.finish();
}

// --- Everything else, and colour PNG and TIFF, through Qt -------------------------------------

// Qt's image readers talk on the message log ("libpng warning: ...", "QImageIOHandler: ...");
// while this thread reads a pattern image that talk is dropped, everything else goes on to
// the handler that was there before.
thread_local bool tlReading = false;
QtMessageHandler previousHandler = nullptr;

void imageReadingMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (tlReading && type != QtFatalMsg) return;
    if (previousHandler) previousHandler(type, context, text);
}

struct QuietReading {
    QuietReading() {
        static std::once_flag installed;
        std::call_once(installed, [] {
            previousHandler = qInstallMessageHandler(imageReadingMessages);
            // libtiff's own handlers print on stderr, also for Qt's TIFF plugin.
            TIFFSetErrorHandler(nullptr);
            TIFFSetWarningHandler(nullptr);
        });
        tlReading = true;
    }
    ~QuietReading() { tlReading = false; }
    QuietReading(const QuietReading&) = delete;
    QuietReading& operator=(const QuietReading&) = delete;
};

Result<fit::GreyImage> readWithQt(const std::string& bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    // Recorded patterns are a few megapixels; a header that claims far more is not one.
    reader.setAllocationLimit(1024);
    const QSize declared = reader.size();
    if (declared.isValid()) {
        if (const std::optional<Problem> size = sizeProblem(declared.width(), declared.height()))
            return *size;
        const int longer = std::max(declared.width(), declared.height());
        if (longer > kLargestReadSide) {
            // JPEG decodes at a fraction of its size; other formats are read whole, so only
            // up to a limit.
            if (reader.format() == "jpeg") {
                reader.setScaledSize(
                    declared.scaled(kLargestReadSide, kLargestReadSide, Qt::KeepAspectRatio));
            } else if (static_cast<long long>(declared.width()) * declared.height() >
                       kMostWholePixels) {
                return Problem{"declares " + std::to_string(declared.width()) + " x " +
                               std::to_string(declared.height()) + " pixels, more than " +
                               std::to_string(kMostWholePixels / 1'000'000) +
                               " megapixels of a format that is read whole"};
            }
        }
    }
    QImage image = reader.read();
    if (image.isNull())
        return Problem{"is not a picture that can be read: " + reader.errorString().toStdString()};
    // Sixteen bits keep the depth of a 16-bit recording; colour becomes its luminance.
    image = image.convertToFormat(QImage::Format_Grayscale16);
    if (image.isNull()) return Problem{"cannot be taken as a grey image"};
    if (image.width() < kSmallestSide || image.height() < kSmallestSide)
        return tooSmall(image.width(), image.height());
    Binner binner(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        binner.addRow(y, reinterpret_cast<const std::uint16_t*>(image.constScanLine(y)));
    return binner.finish();
}

} // namespace

Result<fit::GreyImage> readPatternImage(const std::string& path) {
    // Read through the project's reader, so that a FIFO or a device never blocks and a huge
    // file is refused before a decoder sees it.
    const Result<std::string> bytes = readWholeFile(path);
    const std::string name = inQuotes(path);
    if (!bytes) return Problem{name + " " + bytes.problem()};
    const QuietReading quiet;
    auto named = [&](const Result<fit::GreyImage>& read) -> Result<fit::GreyImage> {
        if (read) return read;
        const std::string& why = read.problem();
        // The messages of the size check start with a capital: they follow a colon.
        if (!why.empty() && why[0] >= 'A' && why[0] <= 'Z') return Problem{name + ": " + why};
        return Problem{name + " " + why};
    };

    if (bytes->starts_with("\x89PNG\r\n\x1a\n")) {
        PngDecoded decoded;
        Result<fit::GreyImage> grey = readPng(*bytes, decoded);
        // A colour picture that needs no binning is taken as Qt converts it, so that colour
        // recordings keep the grey values they always had.
        if (grey && decoded.colour && grey->width <= kLargestReadSide &&
            grey->height <= kLargestReadSide)
            return named(readWithQt(*bytes));
        return named(grey);
    }
    const std::string_view head(*bytes);
    if (head.starts_with(std::string_view("II*\0", 4)) ||
        head.starts_with(std::string_view("MM\0*", 4)) ||
        head.starts_with(std::string_view("II+\0", 4)) ||
        head.starts_with(std::string_view("MM\0+", 4))) {
        bool handled = false;
        Result<fit::GreyImage> grey = readTiff(*bytes, handled);
        if (handled) return named(grey);
    }
    return named(readWithQt(*bytes));
}

bool isPatternImageName(const std::string& path) {
    const std::string ext = toLower(extensionOf(path));
    for (const char* known : {".png", ".jpg", ".jpeg", ".bmp", ".tif", ".tiff"})
        if (ext == known) return true;
    return false;
}

} // namespace tavrel
