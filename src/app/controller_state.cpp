#include "app/controller_state.h"

#include "orientation/euler_angles.h"
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

void ControllerState::showZone(const IndexTriple& axis) {
    const std::string name = showsFourIndices() ? fourIndexText(axis, IndexKind::Direction)
                                                : indexText(axis, IndexKind::Direction);
    setStatus(StatusPanel::Clicked, QStringLiteral("on zone ") + QString::fromStdString(name));
    orientationNote = true;
}

bool ControllerState::clearOrientationNote() {
    if (!std::exchange(orientationNote, false)) return false;
    setStatus(StatusPanel::Clicked, {});
    return true;
}

bool ControllerState::writeOrientationField() {
    if (!hasReflections() || !sim.document.valid) return false;
    sim.fields.orientation =
        eulerAnglesText(eulerAnglesOfOrientation(sim.orientation, sim.document.matrices));
    sim.fields.orientationType = OrientationType::Euler;
    return true;
}

} // namespace tavrel::app
