#pragma once
// Whole-file reading and writing. Writes go to a temporary file beside the target that replaces
// it only when everything was written, so a failed write never destroys the previous file.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tavrel {

// No input the program reads comes near this; anything larger is refused before it can exhaust
// memory.
inline constexpr std::uintmax_t kLargestReadableFile = 64u * 1024u * 1024u;
inline constexpr const char* kLargestReadableFileText = "64 MB";

// The bytes of a regular file (a symbolic link is followed) of at most kLargestReadableFile
// bytes. Devices, FIFOs and sockets are refused without reading from them, and opening never
// waits for a FIFO's writer. No value when the file is refused or cannot be read; `error` then
// says why, worded to follow the file's name: "is not a regular file", "is larger than 64 MB",
// "is a folder, not a file", "cannot be read: <reason>".
std::optional<std::string> readWholeFile(const std::string& path, std::string& error);

// Lines without their line ends; accepts CR LF and LF, and drops a UTF-8 byte-order mark before
// the first line. At most `maxLines` lines are split off; the rest of the content is ignored,
// so a reader that needs a few lines never builds millions of them.
std::vector<std::string> splitLines(const std::string& content,
                                    std::size_t maxLines = std::numeric_limits<std::size_t>::max());

bool writeFileAtomically(const std::string& path, const std::string& content, std::string& error);

// Joins a folder and a file name with exactly one "/" between them.
std::string joinPath(const std::string& folder, const std::string& name);

// The part of a path after its last "/" (the file name).
std::string fileNameOf(const std::string& path);

// The extension in lower case, with its dot (".tvr"); empty when there is none.
std::string extensionOf(const std::string& path);

} // namespace tavrel
