#include "common/file_io.h"

#include "common/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {

namespace fs = std::filesystem;

namespace {

// The refusal for what stat or fstat found, or nothing for a regular file of acceptable size.
std::optional<std::string> refusalFor(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return "is a folder, not a file";
    if (!S_ISREG(info.st_mode)) return "is not a regular file";
    if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > kLargestReadableFile)
        return std::string("is larger than ") + kLargestReadableFileText;
    return std::nullopt;
}

std::string unreadable(int errorNumber) {
    return std::string("cannot be read: ") + std::strerror(errorNumber);
}

// Closes the descriptor on every way out of readWholeFile.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

Result<std::string> readWholeFile(const std::string& path) {
    // Looking before opening keeps devices and FIFOs from ever being opened; the second look
    // through the open descriptor catches a file swapped for one in between.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return Problem{unreadable(errno)};
    }
    if (std::optional<std::string> refusal = refusalFor(info)) {
        return Problem{*refusal};
    }
    // Without O_NONBLOCK, opening a FIFO put in the file's place would wait for a writer.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        return Problem{unreadable(errno)};
    }
    if (::fstat(file.get(), &info) != 0) {
        return Problem{unreadable(errno)};
    }
    if (std::optional<std::string> refusal = refusalFor(info)) {
        return Problem{*refusal};
    }

    // The file may still grow while it is read: room for one byte past the limit notices.
    const std::size_t ceiling = static_cast<std::size_t>(kLargestReadableFile) + 1;
    std::string content(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) {
            if (filled >= ceiling) {
                return Problem{std::string("is larger than ") + kLargestReadableFileText};
            }
            content.resize(std::min(ceiling, 2 * filled));
        }
        const ssize_t got = ::read(file.get(), content.data() + filled, content.size() - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            return Problem{unreadable(errno)};
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    content.resize(filled);
    return content;
}

std::vector<std::string> splitLines(const std::string& content, std::size_t maxLines) {
    // Editors on other systems put a byte-order mark before UTF-8 text.
    static constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    std::vector<std::string> lines;
    std::size_t start =
        std::string_view(content).starts_with(byteOrderMark) ? byteOrderMark.size() : 0;
    while (start < content.size() && lines.size() < maxLines) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

namespace {

// As many links as the system itself follows before it gives up with ELOOP.
constexpr int kMaxLinkDepth = 40;
// Leaves room in a file name of at most 255 bytes for the temporary file's dot and suffix.
constexpr std::size_t kMaxTemporaryStem = 200;
constexpr int kTemporaryNameAttempts = 100;
// The process's open files by number, each a link to its file (even one without a name).
constexpr const char* kOpenFiles = "/proc/self/fd";

std::string reasonOf(int errorNumber) {
    return std::generic_category().message(errorNumber);
}

// Where a write to `path` lands: the path itself, or the file its chain of symbolic links
// finally names (which need not exist yet).
Result<std::string> followLinks(const std::string& path) {
    std::string current = path;
    for (int depth = 0; depth <= kMaxLinkDepth; ++depth) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::error_code ec;
        const fs::path next = fs::read_symlink(current, ec);
        if (ec) {
            return Problem{ec.message()};
        }
        // A relative link is relative to the folder that holds it.
        current = (fs::path(current).parent_path() / next).string();
    }
    return Problem{reasonOf(ELOOP)};
}

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr std::size_t kTemporaryDigits = 8;
constexpr std::string_view kTemporaryEnd = ".tmp";

// ".NAME.1a2b3c4d.tmp" beside the target: hidden, and named after the file it will replace.
std::string temporaryName(const fs::path& target, std::random_device& random) {
    std::string suffix = ".";
    for (std::uint32_t bits = random(), i = 0; i < kTemporaryDigits; ++i, bits >>= 4)
        suffix.push_back(kHexDigits[bits & 0xFu]);
    const std::string name = target.filename().string().substr(0, kMaxTemporaryStem);
    return (target.parent_path() / ("." + name + suffix + std::string(kTemporaryEnd))).string();
}

// The target a temporary file's name stands for (its first kMaxTemporaryStem bytes), or none.
std::optional<std::string_view> targetOfTemporary(std::string_view entry) {
    const std::size_t tail = 1 + kTemporaryDigits + kTemporaryEnd.size();
    if (entry.size() <= 1 + tail || entry[0] != '.' || !entry.ends_with(kTemporaryEnd) ||
        entry[entry.size() - tail] != '.')
        return std::nullopt;
    const std::string_view digits = entry.substr(entry.size() - tail + 1, kTemporaryDigits);
    if (digits.find_first_not_of(kHexDigits) != std::string_view::npos) return std::nullopt;
    return entry.substr(1, entry.size() - 1 - tail);
}

// A writer killed between naming its temporary file and the rename leaves that file behind;
// the next write to the same target clears such leftovers (before it needs the room).
void removeLeftoversOf(const fs::path& target) {
    const std::string stem = target.filename().string().substr(0, kMaxTemporaryStem);
    tavrel::removeLeftoverTemporaries(target.parent_path().string(),
                                      [&](std::string_view name) { return name == stem; });
}

} // namespace

AtomicFileWriter::~AtomicFileWriter() {
    discard();
}

Outcome AtomicFileWriter::open(const std::string& path) {
    discard();
    if (path.empty() || path.back() == '/') {
        return Problem{"the file name is missing"};
    }
    const Result<std::string> target = followLinks(path);
    if (!target) return target.failure();
    // Names the file behind a link, since that is the one the reason is about.
    const std::string viaLink = *target == path ? "" : " (the link leads to " + *target + ")";

    struct stat existing {};
    const bool exists = ::lstat(target->c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        return Problem{reasonOf(errno) + viaLink};
    }
    if (exists && S_ISDIR(existing.st_mode)) {
        return Problem{"it is a folder, not a file" + viaLink};
    }
    // Replacing a FIFO or a device node would swap the node for a plain file.
    if (exists && !S_ISREG(existing.st_mode)) {
        return Problem{"it is not a regular file" + viaLink};
    }
    if (exists && ::access(target->c_str(), W_OK) != 0) {
        return Problem{reasonOf(errno) + viaLink};
    }

    removeLeftoversOf(fs::path(*target));

    // Until it has the permissions of the file it replaces, only its owner may read it.
    const mode_t creationMode = exists ? S_IRUSR | S_IWUSR : 0666;
    const std::string folder = fs::path(*target).parent_path().string();
    // A file without a name vanishes with the process that writes it, so even a write cut off
    // by a crash leaves nothing behind. It gets its name through /proc at commit; without
    // /proc, or on a file system without such files, the temporary file is named from the start.
    int descriptor = -1;
    if (temporaryKind_ == Temporary::UnnamedWherePossible && ::access(kOpenFiles, X_OK) == 0)
        descriptor = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                            creationMode);
    std::string temporary;
    std::random_device random;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && descriptor < 0; ++attempt) {
        temporary = temporaryName(fs::path(*target), random);
        descriptor =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, creationMode);
        if (descriptor < 0 && errno != EEXIST) break;
    }
    if (descriptor < 0) {
        return Problem{reasonOf(errno) + viaLink};
    }
    target_ = *target;
    temporary_ = temporary;
    descriptor_ = descriptor;

    if (exists) {
        // Only root may give a file away, and a group only its members; when neither works the
        // new file stays the writer's own, as any file the writer creates.
        if (::fchown(descriptor_, existing.st_uid, existing.st_gid) != 0 &&
            ::fchown(descriptor_, static_cast<uid_t>(-1), existing.st_gid) != 0) {}
        if (::fchmod(descriptor_, existing.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO)) != 0) {
            const Problem failed{reasonOf(errno) + viaLink};
            discard();
            return failed;
        }
    }
    return {};
}

Outcome AtomicFileWriter::write(std::string_view bytes) {
    if (!isOpen()) {
        return Problem{"the file is not open for writing"};
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            // A write that takes nothing and gives no reason is a full disk in disguise.
            const Problem failed{reasonOf(written < 0 ? errno : ENOSPC)};
            discard();
            return failed;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

Outcome AtomicFileWriter::commit() {
    if (!isOpen()) {
        return Problem{"the file is not open for writing"};
    }
    // A file system may report a full disk only when the data reach it.
    if (::fsync(descriptor_) != 0) {
        const Problem failed{reasonOf(errno)};
        discard();
        return failed;
    }
    if (temporary_.empty()) {
        if (Outcome named = nameTemporaryFile(); !named) {
            discard();
            return named;
        }
    }
    const int closed = ::close(descriptor_);
    const int closeError = errno;
    descriptor_ = -1;
    if (closed != 0 || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const Problem failed{reasonOf(closed != 0 ? closeError : errno)};
        discard();
        return failed;
    }
    temporary_.clear();
    return {};
}

Outcome AtomicFileWriter::nameTemporaryFile() {
    // rename needs a name; the file gets one beside the target only now that it is complete.
    const std::string openFile = std::string(kOpenFiles) + "/" + std::to_string(descriptor_);
    std::random_device random;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::string name = temporaryName(fs::path(target_), random);
        if (::linkat(AT_FDCWD, openFile.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = name;
            return {};
        }
        if (errno != EEXIST) break;
    }
    return Problem{reasonOf(errno)};
}

void AtomicFileWriter::discard() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

Outcome writeFileAtomically(const std::string& path, const std::string& content) {
    AtomicFileWriter writer;
    if (Outcome opened = writer.open(path); !opened) return opened;
    if (Outcome written = writer.write(content); !written) return written;
    return writer.commit();
}

void removeLeftoverTemporaries(const std::string& folder,
                               const std::function<bool(std::string_view)>& isTarget) {
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::optional<std::string_view> target = targetOfTemporary(name);
        struct stat info {};
        if (target && isTarget(*target) && ::lstat(it->path().c_str(), &info) == 0 &&
            S_ISREG(info.st_mode))
            ::unlink(it->path().c_str());
    }
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return endsWith(folder, "/") ? folder + name : folder + "/" + name;
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string extensionOf(const std::string& path) {
    const std::string name = fileNameOf(path);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : toLower(name.substr(dot));
}

} // namespace tavrel
