#pragma once
// Pictures written to files: ".png" and ".bmp" are raster images, ".svg" and ".pdf" keep every
// segment, circle and text as a vector element. The format is the file's extension's or given
// explicitly (a name the user typed without one). A file is replaced only when the new one is
// complete: a write that fails at any point leaves the previous file at the path as it was.

#include "common/result.h"
#include "render/surface.h"

#include <memory>
#include <optional>
#include <string>

class QImage;

namespace tavrel {

enum class PictureFormat { Png, Bmp, Svg, Pdf };

// The format of a path by its extension, in any case; none for another extension.
std::optional<PictureFormat> pictureFormatOf(const std::string& path);

class PictureFile {
public:
    virtual ~PictureFile() = default;
    // What the picture is drawn on. Drawing after finish is ignored.
    virtual DrawingSurface& surface() = 0;
    // Ends the drawing and writes the file; a problem names the file and the reason when it
    // could not be written. A second finish fails. A picture destroyed without finish writes
    // nothing.
    virtual Outcome finish() = 0;
};

// A picture of width x height drawing units (pixels; 96 per inch in SVG and PDF, whose page is
// the picture) for the file at `path` (its bytes as the system names files), in the format of
// its extension. The file is written as every output file is (see AtomicFileWriter): through a
// symbolic link, never onto a folder, FIFO or device, keeping the permissions of the file it
// replaces. Refused for an unknown extension, a size outside 1..32767, or a file that cannot be
// written there.
Result<std::unique_ptr<PictureFile>> openPictureFile(const std::string& path, int width,
                                                     int height);
// The same in the format given, whatever the path's extension.
Result<std::unique_ptr<PictureFile>> openPictureFile(const std::string& path, PictureFormat format,
                                                     int width, int height);

// Writes a picture that is already drawn (the window's, pixel for pixel) to `path` as a PNG or
// BMP file, through the same writer. A problem names the file and the reason for a null image,
// a vector format, or a file that cannot be written.
Outcome writePictureImage(const std::string& path, PictureFormat format, const QImage& image);

} // namespace tavrel
