#include "app/controller_state.h"

#include "render/renderer.h"
#include "session/line_strengths.h"

#include <utility>

namespace tavrel::app {

bool ControllerState::showsFourIndices() const {
    return tavrel::showsFourIndices(sim, pattern.view);
}

void ControllerState::setStatus(StatusPanel panel, QString text) {
    status[static_cast<std::size_t>(panel) - 1] = std::move(text);
}

void ControllerState::showPicked() {
    if (!picked) return;
    std::string clicked = clickedText(sim.reflections, *picked, showsFourIndices());
    if (const std::string intensity =
            intensityTextOf(sim.strengths, static_cast<std::size_t>(*picked));
        !intensity.empty())
        clicked += "  I " + intensity;
    setStatus(StatusPanel::Clicked, QString::fromStdString(clicked));
}

} // namespace tavrel::app
