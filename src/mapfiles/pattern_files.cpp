#include "mapfiles/pattern_files.h"

#include "common/file_io.h"
#include "mapfiles/readers.h"

#include <filesystem>
#include <system_error>

namespace tavrel {

using namespace mapfiles_detail;

Result<std::unique_ptr<PatternSource>> openPatternFile(const std::string& path,
                                                       const PatternFileOptions& options) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status))
        return Problem{filePrefix(path) + "cannot be read: " +
                       (error ? error.message() : std::string("No such file or directory"))};
    if (!std::filesystem::is_regular_file(status))
        return Problem{filePrefix(path) + "is not a regular file"};
    const std::string extension = extensionOf(path);
    if (extension == ".up1" || extension == ".up2") return openEdaxUpFile(path);
    if (extension == ".ebsp") return openOxfordEbspFile(path);
    if (extension == ".dat") return openNordifFile(path, options);
    if (looksLikeHdf5(path)) return openHdf5PatternFile(path, options);
    return Problem{filePrefix(path) + "is no pattern file this program reads (HDF5 h5ebsd, "
                                      "h5oina, Pattern.dat, up1, up2, ebsp)",
                   Problem::Kind::WrongKind};
}

} // namespace tavrel
