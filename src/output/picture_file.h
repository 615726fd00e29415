#pragma once
// Pictures written to files. The file's extension chooses the format: ".png" and ".bmp" are
// raster images, ".svg" and ".pdf" keep every segment, circle and text as a vector element. A
// file is replaced only when the new one is complete: a write that fails at any point leaves the
// previous file at the path as it was.

#include "render/surface.h"

#include <memory>
#include <string>

class QImage;

namespace tavrel {

class FileSurface : public DrawingSurface {
public:
    // Ends the drawing and writes the file; false with the reason in `error` when it could not
    // be written. Drawing after finish is ignored, and a second finish fails. A surface
    // destroyed without finish writes nothing.
    virtual bool finish(std::string& error) = 0;
};

// A surface of width x height drawing units (pixels; 96 per inch in SVG and PDF, whose page is
// the picture) for the file at `path` (UTF-8), in the format of its extension, in any case.
// Null with the reason in `error` for an unknown extension, a size outside 1..32767, or a file
// that cannot be created.
std::unique_ptr<FileSurface> openPictureFile(const std::string& path, int width, int height,
                                             std::string& error);

// Writes `image` to `path` exactly as given (no extension added) in `format` ("BMP", "PNG", ...;
// from the path's extension when null).
bool saveImage(const QImage& image, const std::string& path, const char* format,
               std::string& error);

} // namespace tavrel
