#pragma once
// Whole-file reading and writing. Writes go to a temporary file beside the target that replaces
// it only when everything was written, so a failed write never destroys the previous file.

#include "common/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// No input the program reads comes near this; anything larger is refused before it can exhaust
// memory.
inline constexpr std::uintmax_t kLargestReadableFile = 64u * 1024u * 1024u;
inline constexpr const char* kLargestReadableFileText = "64 MB";

// The bytes of a regular file (a symbolic link is followed) of at most kLargestReadableFile
// bytes. Devices, FIFOs and sockets are refused without reading from them, and opening never
// waits for a FIFO's writer. A file that is refused or cannot be read gives a problem worded to
// follow the file's name: "is not a regular file", "is larger than 64 MB", "is a folder, not a
// file", "cannot be read: <reason>".
Result<std::string> readWholeFile(const std::string& path);

// Lines without their line ends; accepts CR LF and LF, and drops a UTF-8 byte-order mark before
// the first line. At most `maxLines` lines are split off; the rest of the content is ignored,
// so a reader that needs a few lines never builds millions of them.
std::vector<std::string> splitLines(const std::string& content,
                                    std::size_t maxLines = std::numeric_limits<std::size_t>::max());

// Every output file of the program is written through this, so that all of them follow the same
// rules. The bytes go to a temporary file in the folder of the file being replaced and take its
// place only once all of them are on the disk; a failure at any point, or a writer dropped
// before commit, leaves the previous file as it was and no temporary file behind. Temporary
// files a killed writer left beside the target (hidden, named after it) are removed by the next
// write to that target.
//
// A symbolic link is written through: the file it leads to is replaced and the link stays a
// link (a dangling link creates its target when the target's folder exists). What exists at the
// target and is not a regular file (a folder, a FIFO, a device) is refused, and so is a file the
// user may not write. A replaced file keeps its permission bits (and its owner where the system
// allows it); a new file gets 0666 less the umask, as a plain open would give it.
//
// Paths are taken as bytes, as the system names files. Reasons for a failure are short phrases
// ("No space left on device", "it is not a regular file"), the problems' messages, for the
// caller to put after the name.
class AtomicFileWriter {
public:
    // How the temporary file is made. Unnamed files vanish with a process that dies before
    // commit; file systems without them (and tests of those) get a hidden named file instead.
    enum class Temporary { UnnamedWherePossible, Named };

    explicit AtomicFileWriter(Temporary temporary = Temporary::UnnamedWherePossible)
        : temporaryKind_(temporary) {}
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Checks the target and creates the temporary file.
    Outcome open(const std::string& path);
    // Appends bytes; a failure discards everything written so far.
    Outcome write(std::string_view bytes);
    // Puts the bytes on the disk and replaces the target with them. The writer is closed
    // afterwards whatever the outcome.
    Outcome commit();
    // Drops what was written; the target stays as it was.
    void discard();

    bool isOpen() const { return descriptor_ >= 0; }

private:
    Outcome nameTemporaryFile();

    Temporary temporaryKind_;
    std::string target_;
    // Empty while the temporary file has no name yet.
    std::string temporary_;
    int descriptor_ = -1;
};

// Removes from `folder` the temporary files that killed writers left for the targets whose
// names `isTarget` accepts (of a name longer than 200 bytes it sees the first 200), as a batch
// clears its own at its start; other files stay.
void removeLeftoverTemporaries(const std::string& folder,
                               const std::function<bool(std::string_view)>& isTarget);

// Writes `content` to `path` through an AtomicFileWriter.
Outcome writeFileAtomically(const std::string& path, const std::string& content);

// Joins a folder and a file name with exactly one "/" between them.
std::string joinPath(const std::string& folder, const std::string& name);

// The part of a path after its last "/" (the file name).
std::string fileNameOf(const std::string& path);

// The extension in lower case, with its dot (".tvr"); empty when there is none.
std::string extensionOf(const std::string& path);

} // namespace tavrel
