#include "ui/off_thread.h"

#include "ui/escape_watch.h"

#include <atomic>
#include <exception>
#include <thread>

namespace tavrel::ui {

void runOffThread(EscapeWatch& watch, const std::function<void(const CancelCheck&)>& work,
                  const std::function<void()>& tick) {
    std::atomic<bool> stop{false}, finished{false};
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work([&stop] { return stop.load(); });
        } catch (...) {
            // Thrown on, on the window's thread, rather than ending the program in the worker.
            failure = std::current_exception();
        }
        finished = true;
    });
    while (!finished) {
        if (watch.cancelled()) stop = true;
        if (tick) tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker.join();
    if (tick) tick();
    if (failure) std::rethrow_exception(failure);
}

} // namespace tavrel::ui
