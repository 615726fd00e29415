#pragma once
// A progress bar for work that runs on several threads: "[####    ] 12/40" on one line of the
// error output, redrawn as each piece ends, shown only where that output is a terminal.

#include <unistd.h>

#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>

namespace tavrel::cli {

class ProgressBar {
public:
    ProgressBar(std::ostream& err, std::size_t total)
        : err_(err), total_(total), shown_(isatty(STDERR_FILENO) != 0) {}
    void advance() {
        const std::lock_guard lock(mutex_);
        ++done_;
        if (!shown_) return;
        constexpr std::size_t kWidth = 40;
        const std::size_t filled = total_ ? done_ * kWidth / total_ : kWidth;
        err_ << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, ' ') << "] "
             << done_ << "/" << total_ << std::flush;
        if (done_ == total_) err_ << "\n";
    }

    // Ends the bar's line when the work stopped before it was full, so that a message after it
    // starts a line of its own.
    void end() {
        const std::lock_guard lock(mutex_);
        if (shown_ && done_ < total_) err_ << "\n";
    }

private:
    std::ostream& err_;
    std::size_t total_, done_ = 0;
    bool shown_;
    std::mutex mutex_;
};

} // namespace tavrel::cli
