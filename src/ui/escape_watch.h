#pragma once
// Escape ends a running generation. The generation runs on the window's thread and asks
// `cancelled()` after every hkl triple; at most every `interval` that call lets pending events
// run, so the window repaints and the status bar shows progress. While the watch lives, an
// application-wide event filter notes Escape and swallows every other input and every close
// request, so that no command can start inside the running one; a modal dialog raised meanwhile
// gets its input as usual. The busy cursor shows meanwhile.

#include <QElapsedTimer>
#include <QObject>

#include <chrono>
#include <functional>

namespace tavrel::ui {

class EscapeWatch : public QObject {
public:
    // `afterPoll` runs after each round of pending events with the round's number (tests use it
    // to press keys at a known point of a generation).
    explicit EscapeWatch(std::chrono::milliseconds interval = std::chrono::milliseconds(50),
                         std::function<void(int)> afterPoll = {});
    ~EscapeWatch() override;
    EscapeWatch(const EscapeWatch&) = delete;
    EscapeWatch& operator=(const EscapeWatch&) = delete;

    // True once Escape was pressed. The first call only forgets a press made before the
    // generation started.
    bool cancelled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runPendingEvents();

    std::chrono::milliseconds interval_;
    std::function<void(int)> afterPoll_;
    QElapsedTimer sinceEvents_;
    int calls_ = 0;
    int polls_ = 0;
    bool escape_ = false;
};

} // namespace tavrel::ui
