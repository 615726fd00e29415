#include "common/file_io.h"

#include "common/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string_view>

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

std::optional<std::string> readWholeFile(const std::string& path, std::string& error) {
    // Looking before opening keeps devices and FIFOs from ever being opened; the second look
    // through the open descriptor catches a file swapped for one in between.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = unreadable(errno);
        return std::nullopt;
    }
    if (std::optional<std::string> refusal = refusalFor(info)) {
        error = *refusal;
        return std::nullopt;
    }
    // Without O_NONBLOCK, opening a FIFO put in the file's place would wait for a writer.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        error = unreadable(errno);
        return std::nullopt;
    }
    if (::fstat(file.get(), &info) != 0) {
        error = unreadable(errno);
        return std::nullopt;
    }
    if (std::optional<std::string> refusal = refusalFor(info)) {
        error = *refusal;
        return std::nullopt;
    }

    // The file may still grow while it is read: room for one byte past the limit notices.
    const std::size_t ceiling = static_cast<std::size_t>(kLargestReadableFile) + 1;
    std::string content(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) {
            if (filled >= ceiling) {
                error = std::string("is larger than ") + kLargestReadableFileText;
                return std::nullopt;
            }
            content.resize(std::min(ceiling, 2 * filled));
        }
        const ssize_t got = ::read(file.get(), content.data() + filled, content.size() - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            error = unreadable(errno);
            return std::nullopt;
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

bool writeFileAtomically(const std::string& path, const std::string& content, std::string& error) {
    const fs::path target(path);
    std::random_device random;
    const fs::path temp = target.parent_path() /
                          ("." + target.filename().string() + ".tmp" + std::to_string(random()));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = std::strerror(errno);
            return false;
        }
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            error = "write error";
            out.close();
            std::error_code ignored;
            fs::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        error = ec.message();
        fs::remove(temp, ec);
        return false;
    }
    return true;
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
