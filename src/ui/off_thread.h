#pragma once
// Long work of the window (indexing a map or a pattern, refining) runs on a worker thread, so
// that the window keeps painting and Escape reaches it. The worker must not touch widgets or the
// controller: what it has to show it hands over, and `tick`, on the window's thread, takes it.

#include "session/simulation.h"

#include <chrono>
#include <functional>

namespace tavrel::ui {

class EscapeWatch;

// Runs `work` on a worker thread and returns when it ended. Meanwhile the window's thread lets
// the watch run pending events, Escape makes the check `work` is given true, and `tick` (when
// given) runs every few milliseconds.
void runOffThread(EscapeWatch& watch, const std::function<void(const CancelCheck&)>& work,
                  const std::function<void()>& tick = {});

} // namespace tavrel::ui
